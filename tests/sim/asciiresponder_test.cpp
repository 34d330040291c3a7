// The simulated gateway's ASCII front end: the answer to each request from
// the tag table, and its TCP stream cut at each ETX.
#include "asciiendpoint.h"
#include "asciiresponder.h"
#include "busconfig.h"

#include "ascii/asciiitemfile.h"
#include "ascii/asciiprotocol.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kHang = 5000;

QByteArray Framed(char first, const QByteArray& middle)
{
    return first + middle + '\x03';
}

QByteArray Request(const QByteArray& body)
{
    return Framed('\x02', body);
}

QByteArray Ack(const QByteArray& body)
{
    return Framed('\x06', body);
}

QByteArray Nak(const QByteArray& echo, char letter)
{
    return Framed('\x15', echo + letter);
}

AsciiSettings Table()
{
    AsciiSettings settings;
    settings.station = 5;
    settings.maxTagLength = 12;
    settings.tags = {
        {"TANK.LEVEL", "12.5", 0, std::chrono::milliseconds(0)},
        {"PUMP.FAULT", "", 'T', std::chrono::milliseconds(0)},
        {"SLOW", "1", 0, std::chrono::milliseconds(3000)},
    };
    return settings;
}

} // namespace

TEST(AsciiResponder, AnswersFromTheTagTableAndReachesEveryErrorLetter)
{
    struct Row {
        const char* source;
        QByteArray request;
        QByteArray reply;
    };
    // checksums: "010105TANK.LEVEL" sums to 1019 = FBh; "01010512.5" to 493 = EDh
    const Row rows[] = {
        {"a value, protocol 0", Request("010005TANK.LEVEL"), Ack("010005" "12.5")},
        {"a value, protocol 1 with its checksum", Request("010105TANK.LEVELFB"), Ack("010105" "12.5" "ED")},
        {"protocol 1, checksum in lower case", Request("010105TANK.LEVELfb"), Ack("010105" "12.5" "ED")},
        {"C: a wrong checksum", Request("010105TANK.LEVELFC"), Nak("010105", 'C')},
        {"C: no room for a checksum", Request("010105"), Nak("010105", 'C')},
        {"I: an unknown item", Request("020005NO.SUCH"), Nak("020005", 'I')},
        {"item names are matched exactly", Request("020005tank.level"), Nak("020005", 'I')},
        {"L: an empty item name", Request("030005"), Nak("030005", 'L')},
        {"L: longer than the table allows", Request("030005ABCDEFGHIJKLM"), Nak("030005", 'L')},
        {"N: no ETX", QByteArray("\x02" "040005TANK.LEVEL"), Nak("040005", 'N')},
        {"N: a header that is not digits", Request("04x005TANK.LEVEL"), Nak("04x005", 'N')},
        {"N: protocol 2", Request("040205TANK.LEVEL"), Nak("040205", 'N')},
        {"N: a short header", Request("0400"), Nak("040000", 'N')},
        {"O: two items", Request("050005TANK.LEVEL,X"), Nak("050005", 'O')},
        {"S: no STX", QByteArray("060005TANK.LEVEL\x03"), Nak("000000", 'S')},
        {"X: another station", Request("070007TANK.LEVEL"), Nak("070007", 'X')},
        {"the table's own letter", Request("080005PUMP.FAULT"), Nak("080005", 'T')},
    };
    const AsciiSettings settings = Table();
    for (const Row& row : rows) {
        const AsciiAnswer answer = AnswerAsciiRequest(settings, row.request);
        EXPECT_EQ(answer.reply, row.reply) << row.source;
        EXPECT_EQ(answer.delay.count(), 0) << row.source;
    }
    EXPECT_EQ(AnswerAsciiRequest(settings, Request("090005SLOW")).delay.count(), 3000);
}

TEST(AsciiResponder, TheBusFileDescribesTheTable)
{
    const BusConfigResult parsed = ParseBusConfig(R"({"meters": [], "ascii": {"station": 3, "maxTagLength": 20,
        "tags": [{"name": "A.B", "value": "7"}, {"name": "SLOW", "value": "1", "delayMs": 4000},
                 {"name": "BAD", "error": "D"}]}})",
                                                  QStringLiteral("bus.json"));
    ASSERT_TRUE(parsed.config) << parsed.error.toStdString();
    const AsciiSettings& ascii = parsed.config->ascii;
    EXPECT_EQ(ascii.station, 3);
    EXPECT_EQ(ascii.maxTagLength, 20);
    ASSERT_EQ(ascii.tags.size(), 3);
    EXPECT_EQ(ascii.tags[1].delay.count(), 4000);
    EXPECT_EQ(ascii.tags[2].error, 'D');

    // without the object: the built-in table, with a slow item and the device's letters
    const BusConfigResult plain = ParseBusConfig(R"({"meters": []})", QStringLiteral("bus.json"));
    ASSERT_TRUE(plain.config);
    QByteArray letters;
    bool slow = false;
    for (const AsciiTag& tag : plain.config->ascii.tags) {
        letters += tag.error ? QByteArray(1, tag.error) : QByteArray();
        slow = slow || tag.delay.count() > 0;
    }
    EXPECT_EQ(letters, "DMTVQ");
    EXPECT_TRUE(slow);

    const char* bad[][2] = {
        {R"({"meters": [], "ascii": {"tags": [{"value": "1"}]}})", "ascii.tags[0].name"},
        {R"({"meters": [], "ascii": {"tags": [{"name": "A", "error": "DD"}]}})", "ascii.tags[0].error"},
        {R"({"meters": [], "ascii": {"tags": [{"name": "A", "value": "\u0003"}]}})", "ascii.tags[0].value"},
        {R"({"meters": [], "ascii": {"port": 1}})", "ascii.port: unknown key"},
    };
    for (const auto& [json, where] : bad) {
        const BusConfigResult result = ParseBusConfig(json, QStringLiteral("bus.json"));
        EXPECT_FALSE(result.config) << json;
        EXPECT_TRUE(result.error.contains(QLatin1String(where))) << result.error.toStdString();
    }
}

TEST(AsciiResponder, TheSampleItemFileNamesTheBuiltInItems)
{
    const AsciiItemFileRead sample =
        ReadAsciiItemFile(QStringLiteral(OSTRAND_SOURCE_DIR "/sim/buses/sample-items.csv"), AsciiItemFileFormat::Modbus);
    ASSERT_TRUE(sample.complete);
    QStringList unknown;
    for (const QString& name : sample.tags) {
        const AsciiAnswer answer = AnswerAsciiRequest(DefaultAsciiSettings(), Request("010000" + name.toLatin1()));
        if (JudgeAsciiReply(answer.reply) != AsciiReplyKind::Value)
            unknown << name;
    }
    EXPECT_EQ(unknown, QStringList({"PLANT.VALVE.POSITION"})); // the one for "Error I"
}

TEST(AsciiEndpoint, ATcpStreamIsCutAtEachEtxAndARestWithoutOneIsIncomplete)
{
    const AsciiSettings settings = Table();
    AsciiEndpoint endpoint(settings);
    QString error;
    ASSERT_TRUE(endpoint.Open(QHostAddress::LocalHost, std::nullopt, 0, &error)) << error.toStdString();
    EXPECT_EQ(endpoint.Descriptions(), QStringList({QStringLiteral("ascii-tcp 127.0.0.1:%1").arg(endpoint.TcpPort())}));

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, endpoint.TcpPort());
    ASSERT_TRUE(client.waitForConnected(kHang));
    QByteArray received;
    QObject::connect(&client, &QTcpSocket::readyRead, [&] { received += client.readAll(); });

    // two requests in one piece, then one in two pieces
    client.write(Request("010005TANK.LEVEL") + Request("020005NONE"));
    client.write(QByteArray("\x02" "0300"));
    QTest::qWait(20);
    client.write(QByteArray("05TANK.LEVEL\x03"));
    const QByteArray expected = Ack("010005" "12.5") + Nak("020005", 'I') + Ack("030005" "12.5");
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() >= expected.size(); }, kHang));
    EXPECT_EQ(received, expected);

    // bytes that never get their ETX are answered as incomplete once the line is quiet
    received.clear();
    client.write(QByteArray("\x02" "040005TANK"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !received.isEmpty(); }, kHang));
    EXPECT_EQ(received, Nak("040005", 'N'));
}
