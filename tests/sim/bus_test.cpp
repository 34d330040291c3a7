#include "bus.h"
#include "faults.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

const QByteArray kAck = Hex("E5");

MeterConfig MeterAt(quint8 address, quint32 id, int baud = 2400)
{
    MeterConfig config;
    config.address = address;
    config.id = id;
    config.manufacturer = 0x2ED8;
    config.version = 1;
    config.medium = 7;
    config.baud = baud;
    config.records = Hex("0C1378563412");
    return config;
}

// Two meters share address 3; their identification numbers share the first seven digits.
QList<MeterConfig> SharedAddressBus()
{
    return {MeterAt(1, 0x12340001), MeterAt(3, 0x12345678), MeterAt(3, 0x12345679)};
}

QByteArray Select(const char* mask)
{
    return *LongFrame(mbus::kSndUd, mbus::kSelectedSlave, mbus::kCiSelectSlave, Hex(mask));
}

// Identification bytes of an RSP_UD, as sent (least significant first).
QByteArray IdOf(const QByteArray& reply)
{
    return reply.mid(7, 4);
}

} // namespace

TEST(SimBusCollision, GarbledAnswersNeverPassForAReply)
{
    Bus bus(SharedAddressBus());
    const BusAnswer acks = bus.Transfer(ShortFrame(mbus::kSndNke, 3));
    EXPECT_EQ(acks.answering, 2);
    EXPECT_FALSE(acks.bytes.isEmpty());
    EXPECT_NE(acks.bytes, kAck);
    EXPECT_FALSE(CheckMBusReply(acks.bytes).complete);

    const BusAnswer frames = bus.Transfer(ShortFrame(mbus::kReqUd2, 3));
    EXPECT_EQ(frames.answering, 2);
    EXPECT_FALSE(CheckMBusReply(frames.bytes).complete);

    // every meter answers 254
    const BusAnswer all = bus.Transfer(ShortFrame(mbus::kReqUd2Fcb, mbus::kBroadcastAnswered));
    EXPECT_EQ(all.answering, 3);
    EXPECT_FALSE(CheckMBusReply(all.bytes).complete);
}

TEST(SimBusCollision, AckMergeJoinsAcknowledgementsOnly)
{
    Bus bus(SharedAddressBus(), 2400, CollisionMode::AckMerge);
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kSndNke, 3)).bytes, kAck);
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kSndNke, mbus::kBroadcastAnswered)).bytes, kAck);
    EXPECT_FALSE(CheckMBusReply(bus.Transfer(ShortFrame(mbus::kReqUd2, 3)).bytes).complete);
}

TEST(SimBusCollision, OverlayOfAnyAnswersIsNoFrame)
{
    // Replies that differ in one byte, in length, or not at all: none overlays into a frame.
    const QByteArray a = *LongFrame(0x08, 3, 0x72, Hex("78563412D82E0107000000 00"));
    const QByteArray b = *LongFrame(0x08, 3, 0x72, Hex("79563412D82E0107000000 00"));
    const QByteArray longer = *LongFrame(0x08, 3, 0x72, Hex("79563412D82E0107000000 00 0413E8030000"));
    const QList<QList<QByteArray>> cases = {{kAck, kAck}, {kAck, kAck, kAck}, {a, b}, {a, a}, {a, longer}, {kAck, a}};
    for (const auto& answers : cases) {
        const QByteArray overlay = CombineAnswers(answers, CollisionMode::Garble);
        EXPECT_FALSE(CheckMBusReply(overlay).complete) << overlay.toHex().constData();
        EXPECT_FALSE(overlay.isEmpty());
    }
    EXPECT_EQ(CombineAnswers({a}, CollisionMode::Garble), a);
    EXPECT_TRUE(CombineAnswers({}, CollisionMode::Garble).isEmpty());
}

TEST(SimBusAddressing, Broadcast255ResetsAllAndNobodyAnswers)
{
    Bus bus(SharedAddressBus());
    // Leave each meter with a remembered reply, then reset them all at once.
    for (quint8 address : {1, 3})
        bus.Transfer(ShortFrame(mbus::kReqUd2, address));
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kSndNke, 0xFF)).answering, 0);
    const BusAnswer after = bus.Transfer(ShortFrame(mbus::kReqUd2, 1));
    EXPECT_EQ(static_cast<quint8>(after.bytes[15]), 1); // new data, not the repetition of access 0
    EXPECT_TRUE(bus.Transfer(ShortFrame(mbus::kReqUd2, 0xFF)).bytes.isEmpty());
}

TEST(SimBusSpeed, MetersAtAnotherSpeedAreDeaf)
{
    QList<MeterConfig> meters = SharedAddressBus();
    meters.append(MeterAt(11, 0x77700001, 300));
    Bus bus(meters);
    EXPECT_TRUE(bus.Transfer(ShortFrame(mbus::kSndNke, 11)).bytes.isEmpty());
    // Not even the everybody address reaches it.
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kSndNke, mbus::kBroadcastAnswered)).answering, 3);

    // Meter 1 acknowledges the change at the old speed, then is gone from the 2400 baud bus.
    EXPECT_EQ(bus.Transfer(*LongFrame(mbus::kSndUd, 1, 0xB8)).bytes, kAck);
    EXPECT_TRUE(bus.Transfer(ShortFrame(mbus::kSndNke, 1)).bytes.isEmpty());

    bus.SetBaud(300);
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kSndNke, 1)).bytes, kAck);
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kSndNke, 11)).bytes, kAck);
    EXPECT_TRUE(bus.Transfer(ShortFrame(mbus::kSndNke, 3)).bytes.isEmpty());
}

TEST(SimBusSelection, TreeSearchNarrowsDownToOneMeter)
{
    Bus bus(SharedAddressBus());
    // 1234567F matches both meters at address 3: a collision.
    const BusAnswer both = bus.Transfer(Select("7F563412FFFFFFFF"));
    EXPECT_EQ(both.answering, 2);
    EXPECT_FALSE(CheckMBusReply(both.bytes).complete);
    // 12345679 selects one and deselects the other.
    EXPECT_EQ(bus.Transfer(Select("79563412FFFFFFFF")).bytes, kAck);
    const BusAnswer reply = bus.Transfer(ShortFrame(mbus::kReqUd2, mbus::kSelectedSlave));
    ASSERT_TRUE(CheckMBusReply(reply.bytes).complete);
    EXPECT_EQ(IdOf(reply.bytes), Hex("79563412"));
    EXPECT_EQ(static_cast<quint8>(reply.bytes[5]), 3);
    // A new selection ends the earlier one.
    EXPECT_EQ(bus.Transfer(Select("01003412FFFFFFFF")).bytes, kAck);
    EXPECT_EQ(IdOf(bus.Transfer(ShortFrame(mbus::kReqUd2Fcb, mbus::kSelectedSlave)).bytes), Hex("01003412"));
    // Nothing matches: nobody answers and nobody stays selected.
    EXPECT_EQ(bus.Transfer(Select("99999999FFFFFFFF")).answering, 0);
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kReqUd2, mbus::kSelectedSlave)).answering, 0);
}

TEST(SimBusFaults, MeterFaultsShapeItsReplyAndItsDelivery)
{
    QList<MeterConfig> meters = {MeterAt(1, 0x11111111), MeterAt(2, 0x22222222)};
    meters[0].faults.wrongChecksum = true;
    meters[0].faults.byteByByte = true;
    meters[1].faults.silent = true;
    Bus bus(meters);
    const BusAnswer damaged = bus.Transfer(ShortFrame(mbus::kReqUd2, 1));
    EXPECT_FALSE(CheckMBusReply(damaged.bytes).complete);
    EXPECT_EQ(damaged.bytes.size(), damaged.bytes[1] + 6); // whole, only the checksum is off
    EXPECT_TRUE(damaged.delivery.byteByByte);
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kSndNke, 1)).bytes, kAck); // no checksum to spoil
    EXPECT_EQ(bus.Transfer(ShortFrame(mbus::kSndNke, 2)).answering, 0);
}

TEST(SimFaults, RepliesGoWrongInTheWayAsked)
{
    const QByteArray frame = *LongFrame(0x08, 1, 0x72, Hex("78563412D82E010700000000"));
    Faults faults;
    EXPECT_EQ(ApplyReplyFaults(frame, faults), frame);

    faults.wrongAck = true;
    EXPECT_EQ(ApplyReplyFaults(kAck, faults), QByteArray(1, static_cast<char>(kWrongAck)));
    EXPECT_EQ(ApplyReplyFaults(frame, faults), frame);

    faults = {};
    faults.garbage = true;
    for (const QByteArray& reply : {kAck, frame}) {
        const QByteArray garbage = ApplyReplyFaults(reply, faults);
        EXPECT_GE(garbage.size(), reply.size());
        EXPECT_FALSE(CheckMBusReply(garbage).complete);
        EXPECT_NE(static_cast<quint8>(garbage[0]), mbus::kAck);
        EXPECT_NE(static_cast<quint8>(garbage[0]), mbus::kLongStart);
    }

    faults = {};
    faults.silent = true;
    EXPECT_TRUE(ApplyReplyFaults(frame, faults).isEmpty());
}

TEST(SimFaults, DividedRepliesJoinToTheWhole)
{
    const QByteArray frame = *LongFrame(0x08, 1, 0x72, Hex("78563412D82E010700000000"));
    Faults faults;
    EXPECT_EQ(DivideReply(frame, faults), QList<QByteArray>{frame});
    faults.split = 4;
    QList<QByteArray> pieces = DivideReply(frame, faults);
    EXPECT_EQ(pieces.size(), 4);
    EXPECT_EQ(pieces.join(), frame);
    for (const QByteArray& piece : pieces)
        EXPECT_FALSE(piece.isEmpty());
    faults.split = 100; // more pieces than bytes: one byte each
    EXPECT_EQ(DivideReply(kAck, faults), QList<QByteArray>{kAck});
    faults.byteByByte = true;
    pieces = DivideReply(frame, faults);
    EXPECT_EQ(pieces.size(), frame.size());
    EXPECT_EQ(pieces.join(), frame);
    EXPECT_TRUE(DivideReply({}, faults).isEmpty());
}
