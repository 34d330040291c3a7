// The feature operations against the simulated gateway (what meters do) and
// against a scripted peer (the exact frames sent, and replies no meter of
// the simulator gives).
#include "features/featureprotocol.h"

#include "comm/waiting.h"
#include "comm/fcbstate.h"
#include "comm/mbusapplication.h"

#include "gatewayslave.h"
#include "scriptedpeer.h"
#include "simulatedgateway.h"
#include "testenvironment.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

const QString kCrLf = QStringLiteral("\r\n");

class RecordingView : public FeatureView {
public:
    void SetInfo(const QString& text) override { info = text; }
    void AppendInfo(const QString& text) override
    {
        info += text;
        if (onAppend)
            onAppend(text);
    }
    void SetBusy(bool busy) override { busyChanges << busy; }

    QString info;
    QList<bool> busyChanges;
    std::function<void(const QString&)> onAppend; // what a step's report sets off
};

BusConfig SimulatedBus()
{
    BusConfig bus = DefaultBusConfig(); // meters 1-3: 12345678 and 12345679 (SIM), 23456789 (KVX)
    bus.meters.append(GatewaySlave({250, 0x20240001, 365, 180, 2400}));
    MeterConfig fixed;
    fixed.address = 9;
    fixed.id = 0x55500002;
    fixed.fixedStructure = true;
    bus.meters.append(fixed);
    MeterConfig twin = bus.meters[0]; // meter 1's number, another maker's
    twin.address = 5;
    twin.manufacturer = *ManufacturerCode(QStringLiteral("KVX"));
    bus.meters.append(twin);
    MeterConfig mute;
    mute.address = 6;
    mute.id = 0x66600006;
    mute.answersReqUd2 = false;
    bus.meters.append(mute);
    return bus;
}

class FeatureProtocolTest : public ::testing::Test {
protected:
    FeatureProtocolTest()
    {
        env.UseLanguage();
        Context().link.BusDelay = 0ms;
        Context().link.BusTimeout = 400ms;
    }

    WizardContext& Context() { return env.Context(); }
    QString T(int id) { return Context().language.GetLanguageText(id); }

    void OpenTo(quint16 port)
    {
        ConnectionRequest request;
        request.host = QStringLiteral("127.0.0.1");
        request.port = port;
        request.udp = true;
        ASSERT_TRUE(Context().connection.OpenConnection(request, 5000ms));
    }
    void UseSimulator()
    {
        EndpointOptions options;
        options.udpPort = 0;
        options.tcpPort = std::nullopt;
        ASSERT_TRUE(gateway.Start(options));
        OpenTo(gateway.UdpPort());
    }
    void UsePeer() { OpenTo(peer.Port()); }
    // The peer's next answer: exactly these bytes.
    void PeerAnswers(const QByteArray& bytes) { peer.AnswerNext({{bytes, 0ms}}); }
    QByteArray LastSent() const { return peer.Requests().value(peer.Requests().size() - 1); }

    bool Fcb(quint8 address) { return Context().fcb.Get(address); }

    TestEnvironment env;
    RecordingView view;
    FeatureProtocol protocol{Context().link, Context().operations, Context().language, Context().fcb, view};
    SimulatedGateway gateway{SimulatedBus()};
    ScriptedPeer peer{ScriptedPeer::Transport::Udp};
};

} // namespace

TEST_F(FeatureProtocolTest, InitialiseThenIdentifyWithTheFrameCountBitAndTheRecords)
{
    UseSimulator();
    EXPECT_TRUE(protocol.InitialiseSlave(1));
    EXPECT_EQ(view.info, T(174) + kCrLf + T(175) + kCrLf);
    EXPECT_TRUE(Fcb(1)); // the next request carries FCB = 1

    const IdentificationRead read = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 1, false, false);
    ASSERT_TRUE(read.Answered());
    EXPECT_EQ(static_cast<quint8>(read.reply[4]), 0x08);
    // SIM: S = 19, I = 9, M = 13 in five bits each: 4D2Dh
    EXPECT_EQ(view.info, T(171) + kCrLf + T(172) + u' ' + T(642) + QStringLiteral(" 1, ") + T(643) +
                             QStringLiteral(" 12345678 (SIM).") + kCrLf + kCrLf + T(644) + QStringLiteral(" 1.") + kCrLf +
                             T(645) + QStringLiteral(" 12345678.4D2D.01.07") + kCrLf + T(646));
    // the records are the view's to show, with the words it names in its language
    ASSERT_TRUE(read.records);
    ASSERT_EQ(read.records->records.size(), 2);
    EXPECT_EQ(read.records->records[0].word, RecordWord::Volume);
    EXPECT_EQ(read.records->records[1].word, RecordWord::Date);
    EXPECT_EQ(read.records->records[1].functionCode, 0);
    EXPECT_FALSE(Fcb(1)); // toggled by the answered read
    EXPECT_EQ(view.busyChanges, QList<bool>({true, false, true, false}));

    // SND_NKE and an application reset first: one busy span for the whole read
    view.busyChanges.clear();
    const IdentificationRead again = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 1, true, true);
    EXPECT_TRUE(again.Answered());
    EXPECT_TRUE(view.info.startsWith(T(174) + kCrLf + T(175) + kCrLf + T(780) + kCrLf + T(175) + kCrLf + kCrLf + T(171) + kCrLf + T(172)));
    EXPECT_EQ(view.busyChanges, QList<bool>({true, false}));
    EXPECT_FALSE(Fcb(1));
}

TEST_F(FeatureProtocolTest, FrameCountBitsGoIntoTheFramesSent)
{
    UsePeer();
    PeerAnswers(Hex("E5"));
    EXPECT_TRUE(protocol.InitialiseSlave(5));
    EXPECT_EQ(LastSent(), Hex("10 40 05 45 16")); // SND_NKE to 5

    // A read answered only by the acknowledgement: text 173, the bit stays.
    PeerAnswers(Hex("E5"));
    const IdentificationRead ackOnly = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 5, false, false);
    EXPECT_EQ(LastSent(), Hex("10 7B 05 80 16")); // REQ_UD2 with FCB
    EXPECT_FALSE(ackOnly.Answered());
    EXPECT_EQ(view.info, T(171) + T(173));
    EXPECT_TRUE(Fcb(5));

    // A long frame answer toggles it; the next read goes without.
    PeerAnswers(Hex("68 0B 0B 68 08 05 72 78563412 4204 02 02 DD 16"));
    protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 5, false, false);
    EXPECT_FALSE(Fcb(5));
    protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 5, false, false);
    EXPECT_EQ(LastSent(), Hex("10 5B 05 60 16"));
}

TEST_F(FeatureProtocolTest, RepliesTooShortForTheirFieldsShowWhatTheyHold)
{
    UsePeer();
    // CI 72h with 5 user data bytes: the identification alone, then text 684
    PeerAnswers(Hex("68 08 08 68 08 05 72 78563412 42 D5 16"));
    IdentificationRead read = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 5, false, false);
    EXPECT_TRUE(read.identification.truncated);
    EXPECT_TRUE(view.info.contains(T(645) + QStringLiteral(" 12345678...") + kCrLf));
    EXPECT_TRUE(view.info.endsWith(T(684)));
    EXPECT_FALSE(read.records);

    // the shortest long frame the link takes: C, A and CI, no user data at all
    PeerAnswers(Hex("68 03 03 68 08 05 72 7F 16"));
    read = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Diagnostics, 5, false, false);
    EXPECT_TRUE(read.Answered());
    EXPECT_TRUE(view.info.endsWith(kCrLf + QStringLiteral("68 03 03 68 08 05 72 7F 16 ") + QString(21, u' ')));

    // A Birch V2 header whose frame ends before position 35, from the
    // gateway's own slave at address 250
    PeerAnswers(Hex("68 0F 0F 68 08 FA 72 01002420 D82E 02 0E 00 00 0000 CF 16"));
    read = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Diagnostics, 250, false, false);
    EXPECT_FALSE(read.busValues);
    EXPECT_TRUE(view.info.contains(kCrLf + kCrLf + T(685) + kCrLf + kCrLf + T(649) + kCrLf + kCrLf + QStringLiteral("68 0F")));
}

TEST_F(FeatureProtocolTest, ACutOffOrGarbledReplyIsNotCalledSilence)
{
    UsePeer();
    const struct {
        const char* reply;
        QString shown;
    } rows[] = {
        {"", T(173)},
        {"68 0B 0B 68 08 05 72 7856", u' ' + T(1341).arg(9).arg(17)},
        {"68 0B 0B 68 08 05 72 78563412 4204 02 02 00 16", u' ' + T(1342)}, // checksum wrong
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reply);
        if (*row.reply)
            PeerAnswers(Hex(row.reply));
        view.info.clear();
        protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 5, false, false);
        EXPECT_EQ(view.info, T(171) + row.shown);
    }
    PeerAnswers(Hex("E5 E5"));
    EXPECT_FALSE(protocol.InitialiseSlave(5));
    EXPECT_TRUE(view.info.endsWith(T(1342)));
}

TEST_F(FeatureProtocolTest, DiagnosticsOfABirchV2GatewayAndOfAFixedStructure)
{
    UseSimulator();
    IdentificationRead read = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Diagnostics, 250, false, false);
    ASSERT_TRUE(read.busValues);
    // 365 tenths of a volt, 180 tenths of a milliampere
    EXPECT_EQ(view.info, T(171) + kCrLf + T(172) + kCrLf + kCrLf + QStringLiteral("Kalvix Birch V2: U = 36.5 V  I = 18 mA") +
                             kCrLf + kCrLf + T(649) + kCrLf + kCrLf +
                             QStringLiteral("68 1F 1F 68 08 FA 72 01 00 24 20 D8 2E 02 0E 00 ") + kCrLf +
                             QStringLiteral("00 00 00 0C 78 01 00 24 20 02 FD 48 6D 01 02 FD ") + kCrLf +
                             QStringLiteral("58 B4 00 58 16 ") + QString(33, u' '));

    // fixed structure: text 648 and no dump; identified: FFFF, FF, FF and text 647
    read = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Diagnostics, 9, false, false);
    EXPECT_TRUE(view.info.endsWith(T(172) + kCrLf + T(648)));
    read = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 9, false, false);
    EXPECT_TRUE(view.info.contains(QStringLiteral(" 55500002.FFFF.FF.FF") + kCrLf));
    EXPECT_TRUE(view.info.contains(T(646) + kCrLf + T(647)));
    // the two counters are its readings
    ASSERT_TRUE(read.records);
    ASSERT_EQ(read.records->records.size(), 2);
    EXPECT_EQ(read.records->records[1].description, "Counter 2");
    EXPECT_EQ(read.records->records[1].word, RecordWord::Counter2);
    // no manufacturer letters, and no empty brackets for them
    EXPECT_TRUE(view.info.contains(T(643) + QStringLiteral(" 55500002.") + kCrLf)) << view.info.toStdString();
}

TEST_F(FeatureProtocolTest, ChangesCountOnlyTheSingleCharacterAsAcknowledged)
{
    UseSimulator();
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Address, 2, 7, 0, false), ChangeOutcome::Acknowledged);
    EXPECT_EQ(view.info, T(179) + kCrLf + T(180) + kCrLf + kCrLf);
    EXPECT_TRUE(Fcb(2));
    const IdentificationRead moved = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 7, false, false);
    EXPECT_EQ(moved.identification.id, "12345679");
    EXPECT_EQ(moved.identification.address, "7");
}

TEST_F(FeatureProtocolTest, ChangeFramesAndWhatAnswersThem)
{
    UsePeer();
    // a long frame in answer to the new address: text 181, the bit stays
    PeerAnswers(Hex("68 0B 0B 68 08 02 72 79563412 2D4D 01 07 13 16"));
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Address, 2, 7, 0, false), ChangeOutcome::NotAcknowledged);
    EXPECT_EQ(LastSent(), Hex("68 06 06 68 53 02 51 01 7A 07 28 16")); // SND_UD, CI 51h, DIF 01, VIF 7Ah, 7
    EXPECT_EQ(view.info, T(179) + kCrLf + T(181));
    EXPECT_FALSE(Fcb(2));

    // bus speed index 3 (2400 baud): CI BBh
    PeerAnswers(Hex("E5"));
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Speed, 5, 0, 3, false), ChangeOutcome::Acknowledged);
    EXPECT_EQ(LastSent(), Hex("68 03 03 68 53 05 BB 13 16"));

    // SND_NKE first, unanswered: the change is not sent at all
    qsizetype sent = peer.Requests().size();
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Address, 5, 7, 0, true), ChangeOutcome::NotSent);
    EXPECT_EQ(peer.Requests().size(), sent + 1);
    EXPECT_EQ(view.info, T(174) + kCrLf + T(176));

    // no speed chosen: nothing happens
    view.info = QStringLiteral("before");
    sent = peer.Requests().size();
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Speed, 5, 0, FeatureProtocol::kNoSpeed, false),
              ChangeOutcome::NotSent);
    EXPECT_EQ(peer.Requests().size(), sent);
    EXPECT_EQ(view.info, "before");
}

TEST(ChangeJudge, WhatTheFrameMetSaysWhatBecameOfTheChange)
{
    const QByteArray ack = Hex("E5");
    const QByteArray collided = Hex("E5 FF"); // two acknowledgements overlaid, no reply
    const QByteArray longFrame = Hex("68 0B 0B 68 08 02 72 79563412 2D4D 01 07 13 16");
    const struct {
        const char* what;
        quint8 address;
        bool sent;
        bool cancelled;
        QByteArray reply;
        QByteArray rejected;
        ChangeOutcome outcome;
    } rows[] = {
        {"cancelled before the frame", 2, false, true, {}, {}, ChangeOutcome::NotSent},
        {"acknowledged", 2, true, false, ack, {}, ChangeOutcome::Acknowledged},
        {"a long frame instead", 2, true, false, longFrame, {}, ChangeOutcome::NotAcknowledged},
        {"silence", 2, true, false, {}, {}, ChangeOutcome::NotAcknowledged},
        {"cancelled in the wait", 2, true, true, {}, {}, ChangeOutcome::Unawaited},
        {"garbled from one meter", 2, true, false, {}, collided, ChangeOutcome::NotAcknowledged},
        {"to 255: nobody answers", 255, true, false, {}, {}, ChangeOutcome::SentToAll},
        {"to 254, one meter", 254, true, false, ack, {}, ChangeOutcome::Acknowledged},
        {"to 254, several meters", 254, true, false, {}, collided, ChangeOutcome::Collision},
        {"to 254, several, then cancelled", 254, true, true, {}, collided, ChangeOutcome::Collision},
        {"to 254, silence", 254, true, false, {}, {}, ChangeOutcome::NotAcknowledged},
    };
    for (const auto& row : rows)
        EXPECT_EQ(JudgeChange(row.address, row.sent, row.cancelled, row.reply, JudgeMissingReply(row.rejected)), row.outcome)
            << row.what;
}

TEST_F(FeatureProtocolTest, ChangesToEveryMeterSayWhatTheyDid)
{
    UseSimulator();
    // 254: meters 1, 2, 3 and 250 all acknowledge at once
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Speed, 254, 0, 3, false), ChangeOutcome::Collision);
    EXPECT_EQ(view.info, T(179) + kCrLf + T(1324));
    // 255: sent, and not waited for
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Address, 255, 9, 0, false), ChangeOutcome::SentToAll);
    EXPECT_EQ(view.info, T(179) + kCrLf + T(1323));
    EXPECT_TRUE(protocol.ResetSlaveApplication(255, false));
    EXPECT_EQ(view.info, T(780) + kCrLf + T(1323) + kCrLf);
}

TEST_F(FeatureProtocolTest, ACancelledChangeIsNotSentOrIsReportedAsSent)
{
    UsePeer();
    Context().link.BusTimeout = 5000ms;
    DeviceOperations& operations = Context().operations;
    // in the pacing before the frame: nothing goes out
    Context().link.BusDelay = 1000ms;
    Context().link.MarkReceived();
    QTimer::singleShot(50ms, [&] { operations.RequestCancel(); });
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Address, 1, 42, 0, false), ChangeOutcome::NotSent);
    WaitUntil([this] { return !peer.Requests().isEmpty(); }, 300ms); // time for a frame sent anyway
    EXPECT_TRUE(peer.Requests().isEmpty());
    EXPECT_EQ(view.info, T(179) + kCrLf + T(1322));

    // in the wait for the answer: the frame went out, the meter may have taken it
    Context().link.BusDelay = 0ms;
    peer.AnswerNext({}); // silent
    QTimer::singleShot(50ms, [&] { operations.RequestCancel(); });
    EXPECT_EQ(protocol.ChangeSlaveSetting(FeatureProtocol::SettingChange::Address, 1, 42, 0, false), ChangeOutcome::Unawaited);
    EXPECT_EQ(LastSent(), Hex("68 06 06 68 53 01 51 01 7A 2A 4A 16"));
    EXPECT_EQ(view.info, T(179) + kCrLf + T(1320));
}

TEST_F(FeatureProtocolTest, ApplicationResetSubcodes)
{
    UsePeer();
    const struct {
        int choice;
        const char* frame;
    } rows[] = {
        {0, "68 03 03 68 53 05 50 A8 16"},    // no subcode
        {1, "68 04 04 68 53 05 50 00 A8 16"}, // subcode 0
        {16, "68 04 04 68 53 05 50 F0 98 16"}, // subcode 15
    };
    for (const auto& row : rows) {
        PeerAnswers(Hex("E5"));
        protocol.SetAppResetChoice(row.choice);
        EXPECT_TRUE(protocol.ResetSlaveApplication(5, false));
        EXPECT_EQ(LastSent(), Hex(row.frame)) << row.choice;
    }
    EXPECT_EQ(view.info, T(780) + kCrLf + T(175) + kCrLf);
    EXPECT_TRUE(Fcb(5));
    // after an initialise the text goes on; without a reply, text 176
    EXPECT_FALSE(protocol.ResetSlaveApplication(6, true));
    EXPECT_EQ(view.info, T(780) + kCrLf + T(175) + kCrLf + T(780) + kCrLf + T(176));
}

TEST_F(FeatureProtocolTest, SelectionBySecondaryAddressWithWildcards)
{
    UseSimulator();
    EXPECT_TRUE(protocol.SelectSlaveBySecondaryAddress(QStringLiteral("2345678F"), QString(), QString(), QString()));
    EXPECT_EQ(view.info, QStringLiteral("Selecting slave...") + kCrLf + T(177) + kCrLf);
    EXPECT_FALSE(Fcb(253)); // a selection leaves the bit alone
    const IdentificationRead read = protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 253, false, false);
    EXPECT_EQ(read.identification.id, "23456789");
    EXPECT_EQ(read.identification.letters, "KVX");

    EXPECT_FALSE(protocol.SelectSlaveBySecondaryAddress(QStringLiteral("99999998"), QString(), QString(), QString()));
    EXPECT_EQ(view.info, QStringLiteral("Selecting slave...") + kCrLf + T(178));
}

TEST_F(FeatureProtocolTest, SelectionFrameAndAPartThatIsNoHex)
{
    UsePeer();
    PeerAnswers(Hex("E5"));
    EXPECT_TRUE(protocol.SelectSlaveBySecondaryAddress(QStringLiteral("2345678F"), QString(), QString(), QString()));
    EXPECT_EQ(LastSent(), Hex("68 0B 0B 68 53 FD 52 8F 67 45 23 FF FF FF FF FC 16"));
    const qsizetype sent = peer.Requests().size();
    EXPECT_FALSE(protocol.SelectSlaveBySecondaryAddress(QStringLiteral("1234"), QStringLiteral("XY"), QString(), QString()));
    EXPECT_EQ(peer.Requests().size(), sent);
    EXPECT_EQ(view.info, QStringLiteral("Selecting slave...") + kCrLf + T(178));
}

TEST_F(FeatureProtocolTest, HexDumpSixteenBytesALine)
{
    protocol.AppendHexDump(Hex("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"));
    EXPECT_EQ(view.info, kCrLf + QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ") + kCrLf +
                             QStringLiteral("10 ") + QString(45, u' '));
}

TEST_F(FeatureProtocolTest, AddressChangeBySecondaryAddressOnTheBus)
{
    UseSimulator();
    const struct {
        const char* what;
        SecondaryAddress meter;
        int newAddress;
        bool selected;
        ChangeOutcome change;
        ReadBack readBack;
        QString ending;
    } rows[] = {
        {"moved, answers there", {"12345679", "4D2D", "01", "07"}, 20, true, ChangeOutcome::Acknowledged,
         ReadBack::Answered, T(1501).arg(20)},
        {"nobody selected", {"99999998", {}, {}, {}}, 21, false, ChangeOutcome::NotSent, ReadBack::NotRun, T(178)},
        {"two makers' meters of one number", {"12345678", {}, {}, {}}, 22, false, ChangeOutcome::NotSent,
         ReadBack::NotRun, T(1342)},
        {"moved, reads nothing", {"66600006", {}, {}, {}}, 23, true, ChangeOutcome::Acknowledged, ReadBack::Silent,
         T(1502).arg(23)},
        {"a wildcard names no one meter", {"1234567F", {}, {}, {}}, 24, false, ChangeOutcome::NotSent,
         ReadBack::NotRun, T(1505)},
    };
    for (const auto& row : rows) {
        const AddressMove move = protocol.ChangeAddressBySecondary(row.meter, row.newAddress);
        EXPECT_EQ(move.selected, row.selected) << row.what;
        EXPECT_EQ(move.change, row.change) << row.what;
        EXPECT_EQ(move.readBack, row.readBack) << row.what;
        EXPECT_TRUE(view.info.endsWith(row.ending)) << row.what << ": " << view.info.toStdString();
    }
    EXPECT_EQ(protocol.ReadSlaveIdentification(FeatureProtocol::ReadMode::Identify, 20, false, false).identification.id,
              "12345679");
}

TEST_F(FeatureProtocolTest, AddressChangeBySecondaryAddressFramesAndACancelBetweenThem)
{
    UsePeer();
    // a cancel once the meter is selected: the new address is not sent
    PeerAnswers(Hex("E5"));
    view.onAppend = [this](const QString& text) {
        if (text.startsWith(T(177)))
            Context().operations.RequestCancel();
    };
    const SecondaryAddress meter{"12345679", "4D2D", "01", "07"};
    AddressMove move = protocol.ChangeAddressBySecondary(meter, 20);
    EXPECT_TRUE(move.selected);
    EXPECT_EQ(move.change, ChangeOutcome::NotSent);
    EXPECT_EQ(peer.Requests(), QList<QByteArray>({Hex("68 0B 0B 68 53 FD 52 79 56 34 12 2D 4D 01 07 39 16")}));
    EXPECT_TRUE(view.info.endsWith(T(1322)));

    // each step's answer scripted once the step before is over; another meter answers at 20
    view.onAppend = [this](const QString& text) {
        if (text.startsWith(T(177)))
            PeerAnswers(Hex("E5"));
        else if (text.startsWith(T(180)))
            PeerAnswers(Hex("68 0B 0B 68 08 14 72 11111111 D82E 01 04 DD 16"));
    };
    PeerAnswers(Hex("E5"));
    move = protocol.ChangeAddressBySecondary(meter, 20);
    EXPECT_EQ(move.change, ChangeOutcome::Acknowledged);
    EXPECT_EQ(move.readBack, ReadBack::Other);
    EXPECT_EQ(peer.Requests().mid(2), QList<QByteArray>({Hex("68 06 06 68 53 FD 51 01 7A 14 30 16"), Hex("10 5B 14 6F 16")}));
    EXPECT_TRUE(view.info.endsWith(T(1503).arg(20).arg("11111111")));
}
