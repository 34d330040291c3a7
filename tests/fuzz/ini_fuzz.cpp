// The INI file, whatever a hand edit left in it.
#include "fuzzcheck.h"

#include "base/inifile.h"
#include "base/textencoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString content = DecodeText(FuzzBytes(data, size));
    const QString section = QStringLiteral("IP");
    const QString key = QStringLiteral("BusTimeOut");
    const QString before = IniLookup(content, section, key, QStringLiteral("3000"));
    FUZZ_CHECK(before.size() <= 2047);
    // a value written is the value read back, and other keys keep theirs
    const QString written = IniReplace(content, section, key, QStringLiteral("1234"));
    FUZZ_CHECK(IniLookup(written, section, key, QStringLiteral("3000")) == QLatin1String("1234"));
    FUZZ_CHECK(IniLookup(written, QStringLiteral("Debug"), QStringLiteral("PollInterval"), QStringLiteral("-"))
               == IniLookup(content, QStringLiteral("Debug"), QStringLiteral("PollInterval"), QStringLiteral("-")));
    return 0;
}
