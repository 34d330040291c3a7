#include "busconfig.h"

#include "testenvironment.h"

#include <QFile>
#include <algorithm>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

const QString kSampleBus = QStringLiteral(OSTRAND_SOURCE_DIR "/sim/buses/sample-bus.json");

// The records of a one-meter bus whose meter has the given records list.
QByteArray RecordsOf(const char* recordsJson)
{
    const QByteArray json =
        QByteArray(R"({"meters": [{"address": 1, "id": "1", "records": )") + recordsJson + "}]}";
    const BusConfigResult result = ParseBusConfig(json, QStringLiteral("test.json"));
    EXPECT_TRUE(result.config) << result.error.toStdString();
    return result.config ? result.config->meters.value(0).records : QByteArray("none");
}

} // namespace

TEST(SimBusConfig, SampleBusHasTheCasesTheScansNeed)
{
    const BusConfigResult result = LoadBusConfig(kSampleBus);
    ASSERT_TRUE(result.config) << result.error.toStdString();
    const BusConfig& bus = *result.config;
    EXPECT_EQ(bus.baud, 2400);
    EXPECT_FALSE(bus.timing.instant);
    ASSERT_GE(bus.meters.size(), 12);

    QMap<int, int> perAddress;
    QSet<quint16> manufacturers;
    QSet<quint8> media;
    int fixed = 0, mute = 0, otherSpeed = 0;
    for (const MeterConfig& meter : bus.meters) {
        ++perAddress[meter.address];
        manufacturers.insert(meter.manufacturer);
        media.insert(meter.medium);
        fixed += meter.fixedStructure;
        mute += !meter.answersReqUd2;
        otherSpeed += meter.baud != bus.baud;
    }
    EXPECT_EQ(perAddress.value(3), 2);
    EXPECT_GE(manufacturers.size(), 3);
    EXPECT_GE(media.size(), 4);
    EXPECT_EQ(fixed, 1);
    EXPECT_EQ(mute, 1);
    EXPECT_EQ(otherSpeed, 1);
    // identification numbers that differ only in the last digit (BCD)
    EXPECT_EQ(bus.meters[0].id, 0x12345678u);
    EXPECT_EQ(bus.meters[1].id, 0x12345679u);
    // first meter: volume 1234567 as 8 BCD digits, then the date 2024-12-31 (type G)
    EXPECT_EQ(bus.meters[0].records, Hex("0C13 67452301 426C 1F3C"));
    // the fixed-structure meter (address 9, medium 7 = 0111b): units 13h and 00h as the file gives
    // them, medium bits 1-0 (11b) in bits 7-6 of the first byte, bits 3-2 (01b) in the second: D3h 40h
    const auto fixedMeter = std::find_if(bus.meters.begin(), bus.meters.end(), [](const MeterConfig& m) { return m.fixedStructure; });
    ASSERT_NE(fixedMeter, bus.meters.end());
    EXPECT_EQ(fixedMeter->fixedMediumUnit, 0x40D3);
}

TEST(SimBusConfig, BuiltInBusHasThreeMeters)
{
    const BusConfig bus = DefaultBusConfig();
    ASSERT_EQ(bus.meters.size(), 3);
    EXPECT_TRUE(bus.timing.instant);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(bus.meters[i].address, i + 1);
}

TEST(SimBusConfig, RecordValuesAreEncodedByTheirDataField)
{
    EXPECT_EQ(RecordsOf(R"([{"dif": "04", "vif": "13", "value": 1000}])"), Hex("0413 E8030000"));
    EXPECT_EQ(RecordsOf(R"([{"dif": "02", "vif": "FD17", "value": -2}])"), Hex("02FD17 FEFF"));
    EXPECT_EQ(RecordsOf(R"([{"dif": "0B", "vif": "2B", "value": 123456}])"), Hex("0B2B 563412"));
    EXPECT_EQ(RecordsOf(R"([{"dif": "07", "vif": "03", "value": 1}])"), Hex("0703 0100000000000000"));
    // type F: minute 30, hour 12, day 1 with year bits 001, month 3 with year bits 0011 (2025)
    EXPECT_EQ(RecordsOf(R"([{"dif": "04", "vif": "6D", "dateTime": "2025-03-01T12:30"}])"), Hex("046D 1E0C2133"));
    EXPECT_EQ(RecordsOf(R"([{"dif": "8410", "vif": "06", "value": 7}, {"hex": "0F 0102"}])"),
              Hex("841006 07000000 0F0102"));
}

TEST(SimBusConfig, BadFilesGiveClearErrors)
{
    const struct {
        const char* json;
        const char* expected; // part of the error text
    } rows[] = {
        {"{\"meters\": [\n  {\"address\": 1,, }\n]}", "test.json: line 2, column"},
        {"[]", "the top level must be an object"},
        {"{}", "meters: must be a list of meters"},
        {R"({"meters": [], "bauds": 2400})", "bauds: unknown key"},
        {R"({"meters": [], "baud": 2401})", "baud: must be one of"},
        {R"({"meters": [], "collision": "loud"})", "collision: must be"},
        {R"({"meters": [], "timing": {"mode": "slow"}})", "timing.mode: must be"},
        {R"({"meters": [], "faults": {"delayMs": -1}})", "faults.delayMs: must be between"},
        {R"({"meters": [{"id": "1"}]})", "meters[0].address: is missing"},
        {R"({"meters": [{"address": 1}]})", "meters[0].id: is missing"},
        {R"({"meters": [{"address": 1, "id": "1"}, {"address": 251, "id": "2"}]})", "meters[1].address: must be between 0 and 250"},
        {R"({"meters": [{"address": 1.5, "id": "1"}]})", "meters[0].address: must be a whole number"},
        {R"({"meters": [{"address": 1, "id": "1234567A"}]})", "meters[0].id: must be up to 8 decimal digits"},
        {R"({"meters": [{"address": 1, "id": "123456789"}]})", "meters[0].id: must be up to 8 decimal digits"},
        {R"({"meters": [{"address": 1, "id": "1", "manufacturer": "kvx"}]})", "meters[0].manufacturer"},
        {R"({"meters": [{"address": 1, "id": "1", "adress": 2}]})", "meters[0].adress: unknown key"},
        {R"({"meters": [{"address": 1, "id": "1", "answersReqUd2": "no"}]})", "meters[0].answersReqUd2: must be true or false"},
        {R"({"meters": [{"address": 1, "id": "1", "records": [{"dif": "01", "vif": "13", "value": 256}]}]})",
         "meters[0].records[0].value: 256 does not fit 1 bytes"},
        {R"({"meters": [{"address": 1, "id": "1", "records": [{"dif": "04", "vif": "6C", "date": "2024-12-31"}]}]})",
         "meters[0].records[0].dif: a date needs"},
        {R"({"meters": [{"address": 1, "id": "1", "records": [{"dif": "02", "vif": "6C", "date": "31.12.2024"}]}]})",
         "meters[0].records[0].date: not a date"},
        {R"({"meters": [{"address": 1, "id": "1", "records": [{"dif": "84", "vif": "13", "value": 1}]}]})",
         "meters[0].records[0].dif: extension bits"},
        {R"({"meters": [{"address": 1, "id": "1", "records": [{"dif": "0C", "vif": "13"}]}]})",
         "meters[0].records[0]: needs"},
        {R"({"meters": [{"address": 1, "id": "1", "records": [{"hex": "0G"}]}]})", "meters[0].records[0].hex: must be hexadecimal"},
        {R"({"meters": [{"address": 1, "id": "1", "counters": [1]}]})", "meters[0].counters: must be a list of two numbers"},
        // beyond 64 bits: refused before any conversion (fuzzing found it)
        {R"({"meters": [{"address": 1, "id": "1", "counters": [1e19, 0]}]})", "meters[0].counters: must be 0 to 99999999"},
        {R"({"meters": [{"address": 1e19, "id": "1"}]})", "meters[0].address: must be between 0 and 250"},
        // medium/unit D300h holds medium 3 (11b in the first byte's bits 7-6), the meter says 7
        {R"({"meters": [{"address": 1, "id": "1", "fixedStructure": true, "medium": 7, "mediumUnit": "D300"}]})",
         "meters[0].mediumUnit: holds medium 3"},
        {R"({"meters": [{"address": 1, "id": "1", "fixedStructure": true, "medium": 16}]})", "meters[0].medium: must be 0 to 15"},
    };
    for (const auto& row : rows) {
        const BusConfigResult result = ParseBusConfig(row.json, QStringLiteral("test.json"));
        EXPECT_FALSE(result.config) << row.json;
        EXPECT_TRUE(result.error.contains(QLatin1String(row.expected))) << result.error.toStdString();
        EXPECT_TRUE(result.error.startsWith(QLatin1String("test.json: "))) << result.error.toStdString();
    }
}

TEST(SimBusConfig, RecordsThatDoNotFitOneFrameAreRefused)
{
    const QByteArray fits = R"({"meters": [{"address": 1, "id": "1", "records": [{"hex": ")" + QByteArray(240, 'A').toHex()
                            + R"("}]}]})";
    EXPECT_TRUE(ParseBusConfig(fits, QStringLiteral("b.json")).config);
    const QByteArray tooMany = R"({"meters": [{"address": 1, "id": "1", "records": [{"hex": ")"
                               + QByteArray(241, 'A').toHex() + R"("}]}]})";
    const BusConfigResult result = ParseBusConfig(tooMany, QStringLiteral("b.json"));
    EXPECT_FALSE(result.config);
    EXPECT_TRUE(result.error.contains(QLatin1String("241 bytes, at most 240"))) << result.error.toStdString();
}

TEST(SimBusConfig, UnreadableFilesAreNamed)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.json"));
    const BusConfigResult absent = LoadBusConfig(missing);
    EXPECT_FALSE(absent.config);
    EXPECT_TRUE(absent.error.contains(missing));

    const QString empty = dir.filePath(QStringLiteral("empty.json"));
    QFile(empty).open(QIODevice::WriteOnly);
    const BusConfigResult nothing = LoadBusConfig(empty);
    EXPECT_FALSE(nothing.config);
    EXPECT_TRUE(nothing.error.startsWith(empty)) << nothing.error.toStdString();

    EXPECT_FALSE(LoadBusConfig(dir.path()).config); // a folder

    // larger than any bus could need: refused unparsed, the limit named
    const QString huge = dir.filePath(QStringLiteral("huge.json"));
    QFile hugeFile(huge);
    ASSERT_TRUE(hugeFile.open(QIODevice::WriteOnly) && hugeFile.resize(4 * 1024 * 1024 + 1));
    hugeFile.close();
    const BusConfigResult tooLarge = LoadBusConfig(huge);
    EXPECT_FALSE(tooLarge.config);
    EXPECT_TRUE(tooLarge.error.contains(huge) && tooLarge.error.contains(QLatin1String("4 MiB"))) << tooLarge.error.toStdString();
}

TEST(SimBusConfig, GatewaySlaveAnswersWithBusVoltageAndCurrentAtTheirPositions)
{
    // two meters: one unit load (1.5 mA) each unless the file says otherwise
    const BusConfigResult result = ParseBusConfig(
        R"({"meters": [{"address": 1, "id": "1"}, {"address": 2, "id": "2"}],
            "gatewaySlave": {"address": 240, "id": "20240001", "busVoltage": 24.3}})",
        QStringLiteral("g.json"));
    ASSERT_TRUE(result.config) << result.error.toStdString();
    ASSERT_EQ(result.config->meters.size(), 3);
    Meter slave(result.config->meters.back());
    const std::optional<QByteArray> reply = slave.Receive(Hex("10 5B F0 4B 16")); // REQ_UD2 to 240
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), 37);
    const auto at = [&](int position) { return static_cast<quint8>((*reply)[position - 1]); };
    EXPECT_EQ(at(6), 240);
    EXPECT_EQ(at(7), 0x72);
    // identification 20240001, "KVX" (2ED8h), version 02, medium 0Eh (bus/system component)
    EXPECT_EQ(reply->mid(7, 8), Hex("01002420 D82E 02 0E"));
    // 24.3 V as 243 tenths (00F3h) at 29-30, 3.0 mA as 30 tenths at 34-35, least significant byte first
    EXPECT_EQ(at(29), 0xF3);
    EXPECT_EQ(at(30), 0x00);
    EXPECT_EQ(at(34), 30);
    EXPECT_EQ(at(35), 0);

    for (const char* bad : {R"({"meters": [], "gatewaySlave": {"busVoltage": 3276.8}})",
                            R"({"meters": [], "gatewaySlave": {"busCurrent": 1.25}})",
                            R"({"meters": [], "gatewaySlave": {"address": 251}})",
                            R"({"meters": [], "gatewaySlave": {"voltage": 30}})"}) {
        const BusConfigResult refused = ParseBusConfig(bad, QStringLiteral("g.json"));
        EXPECT_FALSE(refused.config) << bad;
        EXPECT_TRUE(refused.error.contains(QLatin1String("gatewaySlave."))) << refused.error.toStdString();
    }
}
