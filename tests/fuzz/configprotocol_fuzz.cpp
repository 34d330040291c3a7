// The configuration port's datagrams and the setup mode's text, as a
// gateway (or a client, on the simulator's side) sends them.
#include "fuzzcheck.h"

#include "netsetup/configprotocol.h"
#include "setuplines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzSteer input = Steered(data, size);
    const int recordNumber = input.steer % 8;
    if (const auto record = config::RecordFromReadReply(input.rest, recordNumber)) {
        FUZZ_CHECK(input.rest.size() >= config::kReadReplyMinimum);
        FUZZ_CHECK(*record == input.rest.mid(4));
    }
    config::ContainsSetupPrompt(input.rest);

    // The simulator takes a record from a client's lines only when they are
    // exactly the lines the client makes of it.
    const QStringList lines = QString::fromLatin1(input.rest).split(u'\r', Qt::SkipEmptyParts);
    if (const auto record = RecordFromSetLines(lines))
        FUZZ_CHECK(config::RecordLines(*record) == lines);

    const QStringList fields = QString::fromLatin1(input.rest).split(u' ');
    if (fields.size() >= 2) {
        if (const auto datagram = config::IpSetupDatagram(fields[0], fields[1]))
            FUZZ_CHECK(datagram->size() == 20);
    }
    return 0;
}
