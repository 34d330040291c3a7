// The M-Bus reply judge and its timeout note, on any bytes a gateway sends.
#include "fuzzcheck.h"

#include "comm/mbusframe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray received = FuzzBytes(data, size);
    const MBusReplyCheck check = CheckMBusReply(received);
    if (check.complete) {
        // a reply judged complete is a single E5h or a whole long frame of the length it claims
        const bool ack = received.size() == 1 && static_cast<quint8>(received[0]) == mbus::kAck;
        if (!ack) {
            FUZZ_CHECK(received.size() >= 9);
            const int length = static_cast<quint8>(received[1]);
            FUZZ_CHECK(length >= 3);
            FUZZ_CHECK(received.size() == length + 6);
            FUZZ_CHECK(static_cast<quint8>(received[0]) == mbus::kLongStart);
            FUZZ_CHECK(static_cast<quint8>(received[2]) == length);
            FUZZ_CHECK(static_cast<quint8>(received[3]) == mbus::kLongStart);
            FUZZ_CHECK(static_cast<quint8>(received[length + 4]) == MBusChecksum(received.mid(4, length)));
            FUZZ_CHECK(static_cast<quint8>(received[length + 5]) == mbus::kStop);
        }
    }
    // a late frame passed over is a whole good frame at the front, from an address other than the request's
    const QByteArray request = ShortFrame(mbus::kReqUd2, static_cast<quint8>(size % 256));
    if (const qsizetype late = LeadingLateMBusFrameLength(received, request)) {
        FUZZ_CHECK(late <= received.size() && CheckMBusReply(received.left(late)).complete);
        FUZZ_CHECK(static_cast<quint8>(received[5]) != size % 256 && size % 256 <= 250);
    }
    const QString note = MBusTimeoutNote(static_cast<int>(received.size()), check.lengthField.value_or(0));
    FUZZ_CHECK(note.startsWith(QLatin1String("BusTimeout")));
    return 0;
}
