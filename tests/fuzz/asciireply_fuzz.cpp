// The ASCII protocol's reply parser on any bytes a gateway sends.
#include "fuzzcheck.h"

#include "ascii/asciiprotocol.h"
#include "comm/latereplies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray reply = FuzzBytes(data, size);
    // a late reply passed over is a whole reply at the front, ending at its ETX
    UnansweredRequests unanswered;
    unanswered.TimedOut(static_cast<int>(size % 100));
    const qsizetype late = LeadingLateAsciiReplyLength(reply, unanswered);
    FUZZ_CHECK(late == 0 || (late >= 3 && reply[late - 1] == ascii::kEtx && reply.left(late - 1).indexOf(ascii::kEtx) < 0));
    // the reply ends at an ETX or at the end of the bytes
    const qsizetype length = AsciiReplyLength(reply);
    FUZZ_CHECK(length == reply.size() || (length > 0 && reply[length - 1] == ascii::kEtx));
    const AsciiReplyKind kind = JudgeAsciiReply(reply);
    if (kind == AsciiReplyKind::Incomplete)
        return 0;
    // a reply is ACK or NAK ... ETX
    FUZZ_CHECK(reply.front() == (kind == AsciiReplyKind::Value ? ascii::kAck : ascii::kNak));
    FUZZ_CHECK(reply.back() == ascii::kEtx);
    if (kind == AsciiReplyKind::Error) {
        const char letter = AsciiErrorLetter(reply);
        FUZZ_CHECK(reply.size() == 1 ? letter == '\0' : letter == reply[reply.size() - 2]);
        FUZZ_CHECK(!AsciiErrorText(letter).isEmpty());
        return 0;
    }
    // the value lies after the echo of the request and before ETX (and a checksum)
    for (const int protocol : {ascii::kStandard, ascii::kStandardWithChecksum}) {
        const QByteArray value = AsciiReplyValue(reply, protocol);
        if (value.isEmpty())
            continue;
        FUZZ_CHECK(reply.mid(ascii::kValueOffset, value.size()) == value);
        FUZZ_CHECK(ascii::kValueOffset + value.size() <= reply.size() - 1);
    }
    return 0;
}
