// A ':' record line of the serial setup mode, as the gateway sends it.
#include "fuzzcheck.h"

#include "comm/hexrecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte chooses how much of a record the buffer holds already.
    const FuzzSteer input = Steered(data, size);
    const QString line = QString::fromLatin1(input.rest);
    QByteArray buffer(4 + input.steer, '\0');
    const qsizetype before = buffer.size();
    const bool taken = ParseHexRecordLine(line, buffer);
    if (!taken) {
        FUZZ_CHECK(buffer.size() == before);
        return 0;
    }
    // a line taken adds exactly the data bytes its count names
    FUZZ_CHECK(line.startsWith(u':'));
    bool ok = false;
    const int count = line.mid(1, 2).toInt(&ok, 16);
    FUZZ_CHECK(ok);
    FUZZ_CHECK(buffer.size() == before + count);
    FUZZ_CHECK(line.size() == 11 + 2 * count);
    return 0;
}
