#include "featureprotocol.h"

#include "featuretexts.h"
#include "comm/commtexts.h"
#include "comm/fcbstate.h"

#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"
#include "base/language.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

constexpr int kSpeedCount = 6;         // 300 to 9600 baud
constexpr int kAppResetChoices = 17;   // none, then subcodes 0 to 15
constexpr quint8 kDifOneByte = 0x01;
constexpr quint8 kVifBusAddress = 0x7A;
constexpr int kHexDumpWidth = 16;
constexpr int kHighestNewAddress = 250; // 251-255 are the bus's own addresses

bool IsHexText(const QString& text)
{
    for (const QChar c : text) {
        if (!(c >= u'0' && c <= u'9') && !(c.toUpper() >= u'A' && c.toUpper() <= u'F'))
            return false;
    }
    return true;
}

// Hex text of an even number of digits as bytes, the last pair first.
QByteArray BytesLastFirst(const QString& hex)
{
    QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

// What a change that was not acknowledged says.
int ChangeFailureText(ChangeOutcome outcome, bool cancelled)
{
    switch (outcome) {
    case ChangeOutcome::NotSent:
        return cancelled ? featuretext::kChangeNotSent : featuretext::kSettingNotAcknowledged;
    case ChangeOutcome::Unawaited:
        return featuretext::kChangeUnawaited;
    case ChangeOutcome::SentToAll:
        return featuretext::kChangeSentToAll;
    case ChangeOutcome::Collision:
        return featuretext::kChangeCollision;
    default:
        return featuretext::kSettingNotAcknowledged;
    }
}

} // namespace

// The window is busy from the start of the outermost operation to its end,
// also when it calls the others (a read that initialises first).
FeatureProtocol::Busy::Busy(FeatureProtocol& protocol)
    : m_Protocol(protocol)
{
    if (m_Protocol.m_BusyDepth++ == 0)
        m_Protocol.m_View.SetBusy(true);
}

FeatureProtocol::Busy::~Busy()
{
    if (--m_Protocol.m_BusyDepth == 0)
        m_Protocol.m_View.SetBusy(false);
}

FeatureProtocol::FeatureProtocol(Link& link, DeviceOperations& operations, const Language& language, FcbState& fcb,
                                 FeatureView& view)
    : m_Link(link)
    , m_Operations(operations)
    , m_Language(language)
    , m_Fcb(fcb)
    , m_View(view)
{
}

QString FeatureProtocol::Text(int id) const
{
    return m_Language.GetLanguageText(id);
}

QString FeatureProtocol::MissingReplyText(const Exchange& exchange, int silenceText) const
{
    const MissingReply missing = exchange.Missing();
    switch (missing.kind) {
    case MissingReply::Kind::Incomplete:
        return Text(commtext::kIncompleteReply).arg(missing.received).arg(missing.expected);
    case MissingReply::Kind::Garbled:
        return Text(featuretext::kCollision);
    case MissingReply::Kind::Silence:
        break;
    }
    return Text(silenceText);
}

FeatureProtocol::Exchange FeatureProtocol::Request(const QByteArray& frame, bool awaitReply)
{
    m_Link.DrainLateReply(); // an earlier read's late answer must not pass for this one's
    Exchange exchange;
    exchange.sent = m_Link.SendFrame(frame);
    if (!exchange.sent || !awaitReply)
        return exchange;
    exchange.heard = m_Link.WaitMBusReply(m_Link.BusTimeout, frame);
    return exchange;
}

bool FeatureProtocol::InitialiseSlave(quint8 address)
{
    const DeviceOperationScope operation(m_Operations);
    if (!operation)
        return false;
    const Busy busy(*this);
    m_View.SetInfo(Text(featuretext::kInitialising) + kCrLf);
    const Exchange initialise = Request(ShortFrame(mbus::kSndNke, address));
    if (initialise.Reply().isEmpty()) {
        m_View.AppendInfo(MissingReplyText(initialise, featuretext::kNoReply));
        return false;
    }
    m_Fcb.Set(address, true);
    m_View.AppendInfo(Text(featuretext::kMeterAcknowledged) + kCrLf);
    return true;
}

bool FeatureProtocol::ResetSlaveApplication(quint8 address, bool initialisedBefore)
{
    const DeviceOperationScope operation(m_Operations);
    if (!operation)
        return false;
    const Busy busy(*this);
    if (initialisedBefore)
        m_View.AppendInfo(Text(featuretext::kResettingApplication) + kCrLf);
    else
        m_View.SetInfo(Text(featuretext::kResettingApplication) + kCrLf);
    QByteArray subcode;
    if (m_AppResetChoice >= 1 && m_AppResetChoice < kAppResetChoices)
        subcode.append(static_cast<char>((m_AppResetChoice - 1) * 16));
    const Exchange reset = Request(*LongFrame(mbus::kSndUd, address, mbus::kCiApplicationReset, subcode),
                                   address != mbus::kBroadcastQuiet);
    if (reset.sent && address == mbus::kBroadcastQuiet) {
        m_View.AppendInfo(Text(featuretext::kChangeSentToAll) + kCrLf);
        return true;
    }
    if (reset.Reply().isEmpty()) {
        // Cancelled: whether the reset went out, and so may have been taken.
        if (m_Operations.CancelRequested())
            m_View.AppendInfo(Text(reset.sent ? featuretext::kChangeUnawaited : featuretext::kChangeNotSent));
        else
            m_View.AppendInfo(MissingReplyText(reset, featuretext::kNoReply));
        return false;
    }
    m_Fcb.Set(address, true);
    m_View.AppendInfo(Text(featuretext::kMeterAcknowledged) + kCrLf);
    return true;
}

bool FeatureProtocol::SelectSlaveBySecondaryAddress(const QString& id, const QString& manufacturer,
                                                    const QString& version, const QString& medium)
{
    const DeviceOperationScope operation(m_Operations);
    if (!operation)
        return false;
    const Busy busy(*this);
    m_View.SetInfo(QStringLiteral("Selecting slave...") + kCrLf);
    // Anything but hex digits selects nobody: nothing is sent for it.
    const std::optional<QByteArray> data = SecondaryAddressBytes(id, manufacturer, version, medium);
    const Exchange selection
        = data ? Request(*LongFrame(mbus::kSndUd, mbus::kSelectedSlave, mbus::kCiSelectSlave, *data)) : Exchange{};
    if (selection.Reply().isEmpty()) {
        m_View.AppendInfo(data ? MissingReplyText(selection, featuretext::kSelectionUnanswered)
                               : Text(featuretext::kSelectionUnanswered));
        return false;
    }
    m_View.AppendInfo(Text(featuretext::kMeterSelected) + kCrLf);
    return true;
}

IdentificationRead FeatureProtocol::ReadSlaveIdentification(ReadMode mode, quint8 address, bool alwaysInit,
                                                            bool alwaysApp)
{
    IdentificationRead read;
    const DeviceOperationScope operation(m_Operations);
    if (!operation)
        return read;
    const Busy busy(*this);
    bool ok = true;
    if (alwaysInit) {
        ok = InitialiseSlave(address);
        if (alwaysApp && ok)
            ok = ResetSlaveApplication(address, true);
    } else if (alwaysApp) {
        ok = ResetSlaveApplication(address, false);
    } else {
        m_View.SetInfo(QString());
    }
    read.prepared = ok;
    if (!ok)
        return read;

    m_View.AppendInfo((alwaysInit || alwaysApp ? kCrLf : QString()) + Text(featuretext::kReadingIdentification));
    const quint8 control = m_Fcb.Get(address) ? mbus::kReqUd2Fcb : mbus::kReqUd2;
    const Exchange exchange = Request(ShortFrame(control, address));
    const QByteArray reply = exchange.Reply();
    if (reply.size() < 2) {
        // text 173 follows text 171 on its line after a blank
        const QString why = MissingReplyText(exchange, featuretext::kNoReplyToRead);
        m_View.AppendInfo(why.startsWith(u' ') ? why : u' ' + why);
        return read;
    }
    m_Fcb.Toggle(address); // the meter counted this exchange
    m_View.AppendInfo(kCrLf + Text(featuretext::kReplyReceived));
    if (mode == ReadMode::Diagnostics) {
        read.reply = reply;
        read.identification = DecodeSlaveIdentification(reply);
        if (!read.identification.fixedStructure && IsBirchV2(read.identification))
            read.busValues = BirchV2BusValues(reply);
        ShowDiagnostics(read);
        return read;
    }
    read = IdentifiedReply(reply);
    ShowIdentification(read);
    if (read.records)
        ShowRecords(*read.records);
    return read;
}

IdentificationRead IdentifiedReply(const QByteArray& reply)
{
    IdentificationRead read;
    read.prepared = true;
    read.reply = reply;
    read.identification = DecodeSlaveIdentification(reply);
    if (read.identification.ci) {
        DataRecords records = DecodeDataRecords(reply);
        if (records.error.isEmpty())
            read.records = std::move(records);
    }
    return read;
}

void FeatureProtocol::ShowIdentification(const IdentificationRead& read)
{
    const SlaveIdentification& id = read.identification;
    m_View.AppendInfo(u' ' + Text(featuretext::kFromAddress) + u' ' + id.address + QStringLiteral(", ")
                      + Text(featuretext::kIdentificationNumber) + u' ' + id.id
                      + (id.letters.isEmpty() ? QString() : QStringLiteral(" (") + id.letters + u')') + u'.' + kCrLf + kCrLf + Text(featuretext::kPrimaryAddressOfMeter) + u' '
                      + id.address + u'.' + kCrLf + Text(featuretext::kSecondaryAddress) + u' ' + id.id + u'.'
                      + id.manufacturer + u'.' + id.version + u'.' + id.medium + kCrLf
                      + Text(featuretext::kSecondaryAddressParts));
    if (id.fixedStructure)
        m_View.AppendInfo(kCrLf + Text(featuretext::kFixedStructure));
    if (id.truncated)
        m_View.AppendInfo(kCrLf + Text(featuretext::kHeaderTooShort));
}

void FeatureProtocol::ShowRecords(const DataRecords& records)
{
    // The records themselves are the view's to show (a table, the command-line tool's rows).
    if (records.records.isEmpty())
        m_View.AppendInfo(kCrLf + kCrLf + Text(featuretext::kNoRecords));
}

void FeatureProtocol::ShowDiagnostics(const IdentificationRead& read)
{
    if (read.identification.fixedStructure) {
        m_View.AppendInfo(kCrLf + Text(featuretext::kFixedStructureNoDiagnostics));
        return;
    }
    if (IsBirchV2(read.identification)) {
        if (read.busValues)
            m_View.AppendInfo(kCrLf + kCrLf + QStringLiteral("Kalvix Birch V2: U = ") + read.busValues->voltage +
                              QStringLiteral(" V  I = ") + read.busValues->current + QStringLiteral(" mA") + kCrLf);
        else
            m_View.AppendInfo(kCrLf + kCrLf + Text(featuretext::kBusValuesMissing) + kCrLf);
    }
    m_View.AppendInfo(kCrLf + Text(featuretext::kReplyFrame) + kCrLf);
    AppendHexDump(read.reply);
}

ChangeOutcome JudgeChange(quint8 address, bool sent, bool cancelled, const QByteArray& reply,
                          const MissingReply& heard)
{
    if (!sent)
        return ChangeOutcome::NotSent;
    if (address == mbus::kBroadcastQuiet)
        return ChangeOutcome::SentToAll;
    if (IsLoneAcknowledgement(reply))
        return ChangeOutcome::Acknowledged;
    // Answers of several meters overlay into bytes that form no reply.
    if (address == mbus::kBroadcastAnswered && reply.isEmpty() && heard.kind != MissingReply::Kind::Silence)
        return ChangeOutcome::Collision;
    if (cancelled && reply.isEmpty())
        return ChangeOutcome::Unawaited;
    return ChangeOutcome::NotAcknowledged;
}

QString SecondaryAddress::Text() const
{
    return QStringList{PadLeft(id, 8, u'F'), PadLeft(manufacturer, 4, u'F'), PadLeft(version, 2, u'F'),
                       PadLeft(medium, 2, u'F')}
        .join(u'.');
}

bool MatchesSecondaryAddress(const SlaveIdentification& identification, const SecondaryAddress& address)
{
    const auto matches = [](const QString& got, const QString& wanted, int width) {
        const QString mask = PadLeft(wanted, width, u'F').toUpper();
        if (got.size() != width)
            return false;
        for (int i = 0; i < width; ++i) {
            if (mask[i] != u'F' && mask[i] != got[i].toUpper())
                return false;
        }
        return true;
    };
    return matches(identification.id, address.id, 8) && matches(identification.manufacturer, address.manufacturer, 4)
           && matches(identification.version, address.version, 2) && matches(identification.medium, address.medium, 2);
}

ReadBack FeatureProtocol::ReadBackSlave(quint8 address, const std::optional<SecondaryAddress>& expected)
{
    const DeviceOperationScope operation(m_Operations);
    if (!operation || m_Operations.CancelRequested())
        return ReadBack::NotRun;
    const Busy busy(*this);
    // the answer follows on the line, so that the result is seen with the change's
    m_View.AppendInfo(Text(featuretext::kReadingBack).arg(address) + u' ');
    const quint8 control = m_Fcb.Get(address) ? mbus::kReqUd2Fcb : mbus::kReqUd2;
    const Exchange exchange = Request(ShortFrame(control, address));
    const QByteArray reply = exchange.Reply();
    if (reply.size() < 2) {
        if (m_Operations.CancelRequested())
            return ReadBack::NotRun;
        const bool silent = exchange.Missing().kind == MissingReply::Kind::Silence && reply.isEmpty();
        m_View.AppendInfo(Text(silent ? featuretext::kSilentThere : featuretext::kSeveralThere).arg(address));
        return silent ? ReadBack::Silent : ReadBack::Other;
    }
    m_Fcb.Toggle(address); // the meter counted this exchange
    const SlaveIdentification identification = DecodeSlaveIdentification(reply);
    const bool same = expected ? MatchesSecondaryAddress(identification, *expected)
                               : identification.address == QString::number(address);
    if (!same) {
        m_View.AppendInfo(Text(featuretext::kOtherMeterThere).arg(address).arg(identification.id));
        return ReadBack::Other;
    }
    m_View.AppendInfo(Text(featuretext::kAnswersThere).arg(address));
    return ReadBack::Answered;
}

AddressMove FeatureProtocol::ChangeAddressBySecondary(const SecondaryAddress& meter, int newAddress)
{
    AddressMove move;
    const DeviceOperationScope operation(m_Operations);
    if (!operation)
        return move;
    const Busy busy(*this);
    // Only the whole identification names one meter; a wildcard could move several.
    static const QRegularExpression wholeId(QStringLiteral("^[0-9]{8}$"));
    if (!wholeId.match(meter.id).hasMatch() || newAddress < 0 || newAddress > kHighestNewAddress) {
        m_View.SetInfo(Text(wholeId.match(meter.id).hasMatch() ? featuretext::kNewAddressRange
                                                               : featuretext::kWholeIdentification));
        return move;
    }
    move.selected = SelectSlaveBySecondaryAddress(meter.id, meter.manufacturer, meter.version, meter.medium);
    if (!move.selected)
        return move;
    move.change = SendChange(SettingChange::Address, mbus::kSelectedSlave, newAddress, 0);
    if (move.change != ChangeOutcome::Acknowledged)
        return move;
    move.readBack = ReadBackSlave(static_cast<quint8>(newAddress), meter);
    return move;
}

ChangeOutcome FeatureProtocol::ChangeSlaveSetting(SettingChange mode, quint8 address, int newAddress, int speedIndex,
                                                  bool alwaysInit)
{
    // No speed chosen (or none this program knows): nothing to send.
    if (mode == SettingChange::Speed && (speedIndex < 0 || speedIndex >= kSpeedCount))
        return ChangeOutcome::NotSent;
    const DeviceOperationScope operation(m_Operations);
    if (!operation)
        return ChangeOutcome::NotSent;
    const Busy busy(*this);
    bool ok = true;
    if (alwaysInit)
        ok = InitialiseSlave(address);
    else
        m_View.SetInfo(QString());
    // A meter that did not take the initialise is not sent the change either.
    if (!ok)
        return ChangeOutcome::NotSent;
    return SendChange(mode, address, newAddress, speedIndex);
}

ChangeOutcome FeatureProtocol::SendChange(SettingChange mode, quint8 address, int newAddress, int speedIndex)
{
    const quint8 control = m_Fcb.Get(address) ? mbus::kSndUdFcb : mbus::kSndUd;
    m_View.AppendInfo(Text(featuretext::kSendingSetting) + kCrLf);
    std::optional<QByteArray> frame;
    if (mode == SettingChange::Address) {
        QByteArray data;
        data.append(static_cast<char>(kDifOneByte));
        data.append(static_cast<char>(kVifBusAddress));
        data.append(static_cast<char>(newAddress));
        frame = LongFrame(control, address, mbus::kCiDataSend, data);
    } else {
        frame = LongFrame(control, address, static_cast<quint8>(mbus::kCiFirstSpeed + speedIndex));
    }
    const Exchange change = Request(*frame, address != mbus::kBroadcastQuiet);
    const ChangeOutcome outcome = JudgeChange(address, change.sent, m_Operations.CancelRequested(), change.Reply(),
                                              change.Missing());
    if (outcome == ChangeOutcome::Acknowledged) {
        m_View.AppendInfo(Text(featuretext::kSettingAcknowledged) + kCrLf + kCrLf);
        m_Fcb.Toggle(address);
    } else {
        m_View.AppendInfo(Text(ChangeFailureText(outcome, m_Operations.CancelRequested())));
    }
    return outcome;
}

void FeatureProtocol::AppendHexDump(const QByteArray& bytes)
{
    for (qsizetype start = 0; start < bytes.size(); start += kHexDumpWidth) {
        QString line(3 * kHexDumpWidth, u' ');
        const qsizetype count = std::min<qsizetype>(kHexDumpWidth, bytes.size() - start);
        for (qsizetype i = 0; i < count; ++i)
            line.replace(3 * i, 2, QStringLiteral("%1").arg(static_cast<quint8>(bytes[start + i]), 2, 16, QLatin1Char('0')).toUpper());
        m_View.AppendInfo(kCrLf + line);
    }
}

QString PadLeft(const QString& text, int width, QChar fill)
{
    return (QString(width, fill) + text).right(width);
}

QString NormaliseSecondaryId(const QString& text, int width)
{
    QString kept;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9')
            kept += c;
        else if (c == u'F' || c == u'f' || c == u'*')
            kept += u'F';
    }
    return PadLeft(kept, width, u'F');
}

std::optional<QByteArray> SecondaryAddressBytes(const QString& id, const QString& manufacturer, const QString& version,
                                                const QString& medium)
{
    const QString parts[] = {PadLeft(id, 8, u'F'), PadLeft(manufacturer, 4, u'F'), PadLeft(version, 2, u'F'),
                             PadLeft(medium, 2, u'F')};
    for (const QString& part : parts) {
        if (!IsHexText(part))
            return std::nullopt;
    }
    return BytesLastFirst(parts[0]) + BytesLastFirst(parts[1]) + QByteArray::fromHex(parts[2].toLatin1()) +
           QByteArray::fromHex(parts[3].toLatin1());
}
