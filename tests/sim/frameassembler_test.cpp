#include "frameassembler.h"
#include "linkframe.h"

#include "comm/mbusframe.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// SND_NKE to address 5 (40h + 05h = 45h) and a change of primary address
// (53h + 01h + 51h + 01h + 7Ah + 09h = 129h).
const QByteArray kShort = Hex("1040054516");
const QByteArray kLong = Hex("68060668530151017A092916");

QList<QByteArray> Frames(const QList<FrameAssembler::Piece>& pieces)
{
    QList<QByteArray> frames;
    for (const auto& piece : pieces)
        if (piece.frame)
            frames.append(piece.bytes);
    return frames;
}

QByteArray Dropped(const QList<FrameAssembler::Piece>& pieces)
{
    QByteArray dropped;
    for (const auto& piece : pieces)
        if (!piece.frame)
            dropped += piece.bytes;
    return dropped;
}

} // namespace

TEST(SimFrameJudge, SaysHowMuchIsMissing)
{
    EXPECT_EQ(JudgeFrame({}).missing, 1);
    for (qsizetype n = 1; n < kShort.size(); ++n) {
        const FrameJudgement judgement = JudgeFrame(kShort.left(n));
        EXPECT_EQ(judgement.verdict, FrameJudgement::Verdict::Incomplete) << n;
        EXPECT_EQ(judgement.missing, kShort.size() - n) << n;
    }
    for (qsizetype n = 1; n < kLong.size(); ++n) {
        const FrameJudgement judgement = JudgeFrame(kLong.left(n));
        EXPECT_EQ(judgement.verdict, FrameJudgement::Verdict::Incomplete) << n;
        // Until L is known only the header is awaited.
        EXPECT_EQ(judgement.missing, n < 2 ? 4 - n : kLong.size() - n) << n;
    }
    const FrameJudgement whole = JudgeFrame(kLong + kShort);
    EXPECT_EQ(whole.verdict, FrameJudgement::Verdict::Complete);
    EXPECT_EQ(whole.length, kLong.size());
}

TEST(SimFrameJudge, ParsesFieldsOfExactFramesOnly)
{
    const auto parsed = ParseFrame(kLong);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->control, 0x53);
    EXPECT_EQ(parsed->address, 0x01);
    EXPECT_EQ(parsed->controlInformation, 0x51);
    EXPECT_EQ(parsed->data, Hex("017A09"));
    const auto parsedShort = ParseFrame(kShort);
    ASSERT_TRUE(parsedShort);
    EXPECT_FALSE(parsedShort->controlInformation);
    EXPECT_EQ(parsedShort->address, 5);
    EXPECT_FALSE(ParseFrame(kShort + kShort));
    EXPECT_FALSE(ParseFrame(kShort.left(4)));
}

TEST(SimFrameAssembler, WholeFramesOneByOneAndTogether)
{
    FrameAssembler whole;
    EXPECT_EQ(Frames(whole.Feed(kLong)), QList<QByteArray>{kLong});
    EXPECT_FALSE(whole.HasPartial());

    FrameAssembler bytewise;
    const QByteArray both = kShort + kLong;
    QList<QByteArray> frames;
    for (qsizetype i = 0; i < both.size(); ++i) {
        const QList<QByteArray> now = Frames(bytewise.Feed(both.mid(i, 1)));
        // A frame appears with its last byte, not before.
        EXPECT_EQ(now.isEmpty(), i != kShort.size() - 1 && i != both.size() - 1) << i;
        frames += now;
    }
    EXPECT_EQ(frames, (QList<QByteArray>{kShort, kLong}));

    FrameAssembler together;
    EXPECT_EQ(Frames(together.Feed(kLong + kShort + kShort)), (QList<QByteArray>{kLong, kShort, kShort}));
}

TEST(SimFrameAssembler, PartThenTheRest)
{
    FrameAssembler assembler;
    EXPECT_TRUE(assembler.Feed(kLong.left(7)).isEmpty());
    EXPECT_TRUE(assembler.HasPartial());
    // The rest arrives together with the start of the next frame.
    EXPECT_EQ(Frames(assembler.Feed(kLong.mid(7) + kShort.left(2))), QList<QByteArray>{kLong});
    EXPECT_EQ(Frames(assembler.Feed(kShort.mid(2))), QList<QByteArray>{kShort});
    EXPECT_FALSE(assembler.HasPartial());
}

TEST(SimFrameAssembler, DropsWhatIsNoFrameAndGoesOn)
{
    const struct {
        const char* what;
        QByteArray bad;
    } rows[] = {
        {"garbage bytes", Hex("00FF3A")},
        {"bad start byte", Hex("6940054516")},
        {"short frame, bad checksum", Hex("1040054616")},
        {"short frame, bad stop byte", Hex("1040054500")},
        {"long frame, bad checksum", Hex("68060668530151017A092A16")},
        {"long frame, lengths differ", Hex("68060768530151017A092916")},
        {"long frame, second start byte wrong", Hex("68060667530151017A092916")},
        {"length field 0", Hex("6800006816")},
        {"length field 2, too short for C, A and CI", Hex("68020268530154 16")},
        {"a lone short frame start byte", Hex("10")},
    };
    for (const auto& row : rows) {
        FrameAssembler assembler;
        const auto pieces = assembler.Feed(row.bad + kShort + kLong);
        EXPECT_EQ(Frames(pieces), (QList<QByteArray>{kShort, kLong})) << row.what;
        EXPECT_EQ(Dropped(pieces), row.bad) << row.what;
        EXPECT_FALSE(assembler.HasPartial()) << row.what;
    }
}

TEST(SimFrameAssembler, LongestFrameAndSingleCharacter)
{
    const QByteArray longest = *LongFrame(0x53, 1, 0x51, QByteArray(252, '\x16')); // L = FFh
    ASSERT_EQ(longest.size(), 255 + 6);
    FrameAssembler assembler;
    EXPECT_TRUE(assembler.Feed(longest.left(260)).isEmpty());
    EXPECT_EQ(Frames(assembler.Feed(longest.right(1) + Hex("E5"))), (QList<QByteArray>{longest, Hex("E5")}));
}

TEST(SimFrameAssembler, ExpiredPartialFrameReleasesWhatFollowedIt)
{
    // A header that promises 255 bytes, then a whole short frame: only the
    // line going quiet shows the header was garbage.
    FrameAssembler assembler;
    const QByteArray stuck = Hex("68FFFF68");
    EXPECT_TRUE(assembler.Feed(stuck + kShort).isEmpty());
    const auto pieces = assembler.Expire();
    EXPECT_EQ(Frames(pieces), QList<QByteArray>{kShort});
    EXPECT_EQ(Dropped(pieces), stuck);
    EXPECT_FALSE(assembler.HasPartial());

    // A truncated frame alone is dropped whole, and the next one is taken as usual.
    EXPECT_TRUE(assembler.Feed(kLong.left(9)).isEmpty());
    EXPECT_EQ(Dropped(assembler.Expire()), kLong.left(9));
    EXPECT_EQ(Frames(assembler.Feed(kLong)), QList<QByteArray>{kLong});
}
