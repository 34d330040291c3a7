// A language file, whatever its bytes.
#include "fuzzcheck.h"

#include "base/language.h"
#include "base/textencoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = DecodeText(FuzzBytes(data, size));
    Language language;
    language.AppendEntries(text);
    for (const QString& line : text.split(u'\n')) {
        LanguageEntry entry;
        if (ParseLanguageLine(line, entry))
            FUZZ_CHECK(!entry.text.contains(u'=')); // texts end at a second "="
    }
    const QString name = LanguageNameOf(text);
    FUZZ_CHECK(!name.contains(u'\n'));
    for (const qint32 id : {0, 1, 105, 999, -1})
        FUZZ_CHECK(!language.GetLanguageText(id).isNull());
    return 0;
}
