// The simulator's frame assembler on a byte stream split anywhere, with
// the M-Bus judge and with the Modbus one.
#include "fuzzcheck.h"

#include "frameassembler.h"
#include "linkframe.h"
#include "modbusfrontend.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte gives the size of the pieces the stream arrives in,
    // and its high bit the protocol.
    const FuzzSteer input = Steered(data, size);
    const qsizetype piece = 1 + input.steer % 32;
    const FrameJudge judge = input.steer & 0x80 ? JudgeModbusFrame : JudgeFrame;
    FrameAssembler assembler(judge);
    QList<FrameAssembler::Piece> out;
    for (qsizetype at = 0; at < input.rest.size(); at += piece)
        out += assembler.Feed(QByteArrayView(input.rest).sliced(at, std::min(piece, input.rest.size() - at)));
    out += assembler.Expire();
    FUZZ_CHECK(!assembler.HasPartial());

    // every byte comes out once, in order, and every frame is a whole, checked one
    QByteArray again;
    for (const FrameAssembler::Piece& each : out) {
        again += each.bytes;
        if (!each.frame)
            continue;
        const FrameJudgement judged = judge(each.bytes);
        FUZZ_CHECK(judged.verdict == FrameJudgement::Verdict::Complete && judged.length == each.bytes.size());
        if (judge == JudgeFrame)
            FUZZ_CHECK(ParseFrame(each.bytes).has_value());
    }
    FUZZ_CHECK(again == input.rest);
    return 0;
}
