// The simulated gateway's Modbus front end: framing of the clients' byte
// streams, replies and exceptions from the register map, the bus file's
// "modbus" object. Expected bytes are written out from the Modbus
// application protocol (function 3/4 replies, exception PDUs), the MBAP
// header and the serial line CRC.
#include "busconfig.h"
#include "frameassembler.h"
#include "modbusfrontend.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(text);
}

ModbusMap SmallMap()
{
    const BusConfigResult bus = ParseBusConfig(R"({"meters": [], "modbus": {"slaves": [
        {"address": 1, "holding": [
            {"register": 0, "words": [10, 258]},
            {"register": 100, "int16": -2},
            {"register": 101, "float": 21.5},
            {"register": 103, "float": 21.5, "order": "CDAB"},
            {"register": 105, "text": "ABC"},
            {"register": 107, "uint16": 65535, "step": 1}],
         "input": [{"register": 0, "int32": -100000, "order": "DCBA"}]},
        {"address": 2}]}})",
                                               QStringLiteral("test"));
    EXPECT_TRUE(bus.config.has_value()) << bus.error.toStdString();
    return bus.config ? bus.config->modbus : ModbusMap{};
}

TEST(SimModbusFrontEnd, RepliesInTheFramingOfTheRequest)
{
    struct Row {
        const char* source;
        QByteArray request;
        QByteArray reply;
    } rows[] = {
        {"RTU, slave 1, function 3, registers 0-1: 01 03 04 000A 0102 and CRC", Hex("010300000002C40B"),
         Hex("010304000A01025A60")},
        {"TCP, transaction 7: MBAP length 7, unit 1, the same PDU", Hex("000700000006010300000002"),
         Hex("000700000007010304000A0102")},
        {"INT16 -2, FLOAT 21.5 as ABCD and as CDAB", Hex("00010000000601030064" "0005"),
         Hex("00010000000D01030A" "FFFE" "41AC0000" "000041AC")},
        {"a text is padded with 00h to whole registers", Hex("000200000006010300690002"),
         Hex("000200000007010304" "41424300")},
        {"input registers, INT32 -100000 as DCBA", Hex("000300000006010400000002"),
         Hex("000300000007010404" "6079FEFF")},
        {"an unmapped register: exception 02", Hex("000400000006010300C80001"), Hex("000400000003018302")},
        {"a read that runs into an unmapped register: exception 02", Hex("000500000006010300000003"),
         Hex("000500000003018302")},
        {"RTU exception 02 with its CRC", Hex("010300C8000105F4"), Hex("018302C0F1")},
        {"a count of 0: exception 03", Hex("000600000006010300000000"), Hex("000600000003018303")},
        {"a count of 126: exception 03", Hex("00060000000601030000007E"), Hex("000600000003018303")},
        {"function 6: exception 01", Hex("000800000006010600000001"), Hex("000800000003018601")},
        {"TCP, a unit nobody answers for: the gateway's exception 0B", Hex("000900000006090300000001"),
         Hex("00090000000309830B")},
        {"a slave without registers: exception 02", Hex("000A00000006020300000001"), Hex("000A00000003028302")},
    };
    ModbusFrontEnd frontEnd(SmallMap());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(frontEnd.Answer(row.request).bytes.toHex(), row.reply.toHex());
    }
}

TEST(SimModbusFrontEnd, SilenceOnTheSerialLineAndFaults)
{
    ModbusFrontEnd frontEnd(SmallMap());
    // RTU: another slave's request, a broadcast and a damaged frame get no answer.
    EXPECT_TRUE(frontEnd.Answer(Hex("0903000000018542")).bytes.isEmpty());
    EXPECT_TRUE(frontEnd.Answer(Hex("00030000000185DB")).bytes.isEmpty());
    EXPECT_TRUE(frontEnd.Answer(Hex("010300000002C40C")).bytes.isEmpty());

    frontEnd.SetFaults({true, true});
    EXPECT_EQ(frontEnd.Answer(Hex("000700000006010300000002")).bytes.toHex(),
              Hex("000800000007010304000A0102").toHex()); // identifier 8 instead of 7
    EXPECT_EQ(frontEnd.Answer(Hex("010300000002C40B")).bytes.toHex(),
              Hex("010304000A0102A59F").toHex()); // 5A 60 inverted
}

TEST(SimModbusFrontEnd, ASteppedValueChangesWithEachReadAndWraps)
{
    ModbusFrontEnd frontEnd(SmallMap());
    EXPECT_EQ(frontEnd.Answer(Hex("0001000000060103006B0001")).bytes.right(2).toHex(), "ffff");
    EXPECT_EQ(frontEnd.Answer(Hex("0001000000060103006B0001")).bytes.right(2).toHex(), "0000");
    // a refused read leaves it alone
    frontEnd.Answer(Hex("0001000000060103006B0002"));
    EXPECT_EQ(frontEnd.Answer(Hex("0001000000060103006B0001")).bytes.right(2).toHex(), "0001");
}

TEST(SimModbusFrontEnd, StreamsAreCutIntoRequests)
{
    const QByteArray rtu = Hex("010300000002C40B");
    const QByteArray rtuRegister0Count6 = Hex("010300000006C5C8"); // also starts like an MBAP header of length 6
    const QByteArray tcp = Hex("000700000006010300000002");
    FrameAssembler assembler(JudgeModbusFrame);
    QList<QByteArray> frames;
    const auto take = [&](const QList<FrameAssembler::Piece>& pieces) {
        for (const auto& piece : pieces)
            frames << (piece.frame ? piece.bytes : "dropped:" + piece.bytes.toHex());
    };
    for (const char byte : tcp)
        take(assembler.Feed(QByteArray(1, byte)));
    take(assembler.Feed(rtu + rtuRegister0Count6));
    take(assembler.Feed(Hex("FFFFFFFFFFFFFFFF")));
    EXPECT_TRUE(assembler.HasPartial()); // seven FFh wait for an eighth byte
    take(assembler.Expire());
    take(assembler.Feed(tcp.left(5)));
    take(assembler.Feed(tcp.mid(5) + tcp));
    EXPECT_EQ(frames, QList<QByteArray>({tcp, rtu, rtuRegister0Count6, "dropped:ff", "dropped:ffffffffffffff", tcp,
                                         tcp}));
    EXPECT_FALSE(assembler.HasPartial());
}

TEST(SimModbusFrontEnd, BusFileMistakesAreNamed)
{
    struct Row {
        const char* json;
        const char* error;
    } rows[] = {
        {R"({"slaves": [{"address": 1, "holding": [{"register": 1, "int16": 40000}]}]})",
         "modbus.slaves[0].holding[0].int16: must be between -32768 and 32767"},
        {R"({"slaves": [{"address": 1, "holding": [{"register": 1, "int16": 1, "uint16": 2}]}]})",
         "modbus.slaves[0].holding[0]: needs exactly one of"},
        {R"({"slaves": [{"address": 1, "holding": [{"register": 1, "words": [1, 2]}, {"register": 2, "int16": 1}]}]})",
         "modbus.slaves[0].holding[1]: register 2 is given twice"},
        {R"({"slaves": [{"address": 1, "holding": [{"register": 65535, "float": 1}]}]})",
         "modbus.slaves[0].holding[0].register: the value runs past register 65535"},
        {R"({"slaves": [{"address": 1, "input": [{"register": 1, "int16": 1, "order": "CDAB"}]}]})",
         "modbus.slaves[0].input[0].order: must be one of AB, BA"},
        {R"({"slaves": [{"address": 1, "holding": [{"register": 1, "hex": "010203"}]}]})",
         "modbus.slaves[0].holding[0].hex: must fill whole registers"},
        {R"({"slaves": [{"address": 248}]})", "modbus.slaves[0].address: must be between 1 and 247"},
        {R"({"slaves": [{"address": 3}, {"address": 3}]})", "modbus.slaves[1].address: is given twice"},
        {R"({"faults": {"badCRC": true}})", "modbus.faults.badCRC: unknown key"},
    };
    for (const Row& row : rows) {
        const BusConfigResult bus =
            ParseBusConfig(QByteArray(R"({"meters": [], "modbus": )") + row.json + "}", QStringLiteral("bus.json"));
        EXPECT_FALSE(bus.config.has_value()) << row.json;
        EXPECT_TRUE(bus.error.startsWith(QStringLiteral("bus.json: ") + QString::fromLatin1(row.error)))
            << bus.error.toStdString();
    }
}

} // namespace
