#include "meter.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"

namespace {

constexpr quint8 kFcb = 0x20; // frame count bit
constexpr quint8 kFcv = 0x10; // frame count bit valid
constexpr quint8 kRspUd = 0x08;
constexpr quint8 kBroadcastQuiet = 0xFF;
constexpr quint8 kHighestPrimary = 250;
constexpr quint8 kDifOneByte = 0x01;
constexpr quint8 kVifBusAddress = 0x7A;
constexpr int kSelectionLength = 8;

QByteArray Ack()
{
    return QByteArray(1, static_cast<char>(mbus::kAck));
}

void AppendLittleEndian(QByteArray& bytes, quint32 value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.append(static_cast<char>(value >> (8 * i) & 0xFF));
}

quint8 Function(const LinkFrame& frame)
{
    return frame.control & ~kFcb;
}

bool IsSelection(const LinkFrame& frame)
{
    return frame.controlInformation == mbus::kCiSelectSlave && Function(frame) == mbus::kSndUd
           && frame.address == mbus::kSelectedSlave;
}

bool NibbleMatches(quint8 mask, quint8 own, quint8 nibble)
{
    return (mask & nibble) == nibble || (mask & nibble) == (own & nibble);
}

} // namespace

std::optional<int> BaudOfSpeedCommand(quint8 controlInformation)
{
    if (controlInformation < mbus::kCiFirstSpeed || controlInformation > mbus::kCiLastSpeed)
        return std::nullopt;
    return 300 << (controlInformation - mbus::kCiFirstSpeed);
}

Meter::Meter(const MeterConfig& config) : m_Config(config) {}

std::optional<QByteArray> Meter::Receive(const QByteArray& bytes)
{
    const std::optional<LinkFrame> frame = ParseFrame(bytes);
    if (!frame)
        return std::nullopt;
    return Receive(*frame);
}

std::optional<QByteArray> Meter::Receive(const LinkFrame& frame)
{
    if (frame.singleCharacter)
        return std::nullopt;
    std::optional<QByteArray> reply;
    if (IsSelection(frame)) {
        // Every meter takes part: a match selects, anything else deselects.
        m_Selected = frame.data.size() == kSelectionLength && MatchesSelection(frame.data);
        if (m_Selected)
            reply = Ack();
    } else {
        const Reach reach = Addressed(frame);
        if (reach == Reach::NotMe)
            return std::nullopt;
        if (reach == Reach::Quiet) {
            // Commands to everybody are carried out; a data request nobody may
            // answer is pointless. The master cannot repeat what got no answer,
            // so the frame count state stays as it was.
            if (Function(frame) != mbus::kReqUd2)
                Execute(frame);
            return std::nullopt;
        }
        reply = (frame.control & kFcv) != 0 ? RepeatOrExecute(frame) : Execute(frame);
    }
    if (!reply)
        return std::nullopt;
    const QByteArray sent = ApplyReplyFaults(*reply, m_Config.faults);
    if (sent.isEmpty())
        return std::nullopt;
    return sent;
}

Meter::Reach Meter::Addressed(const LinkFrame& frame) const
{
    switch (frame.address) {
    case kBroadcastQuiet:
        return Reach::Quiet;
    case mbus::kBroadcastAnswered:
        return Reach::Answer;
    case mbus::kSelectedSlave:
        return m_Selected ? Reach::Answer : Reach::NotMe;
    default:
        return frame.address == m_Config.address ? Reach::Answer : Reach::NotMe;
    }
}

std::optional<QByteArray> Meter::RepeatOrExecute(const LinkFrame& frame)
{
    const bool fcb = (frame.control & kFcb) != 0;
    QByteArray request;
    request.append(static_cast<char>(frame.control));
    if (frame.controlInformation)
        request.append(static_cast<char>(*frame.controlInformation));
    request.append(frame.data);
    // The bit did not toggle: the master missed our answer and asks again.
    if (m_LastFcb == fcb && request == m_LastRequest)
        return m_LastReply;
    std::optional<QByteArray> reply = Execute(frame);
    if (reply) {
        m_LastFcb = fcb;
        m_LastRequest = request;
        m_LastReply = *reply;
    }
    return reply;
}

std::optional<QByteArray> Meter::Execute(const LinkFrame& frame)
{
    if (!frame.controlInformation) {
        if (frame.control == mbus::kSndNke) {
            ResetLink();
            if (frame.address == mbus::kSelectedSlave)
                m_Selected = false;
            return Ack();
        }
        if (Function(frame) == mbus::kReqUd2 && m_Config.answersReqUd2)
            return RspUd();
        return std::nullopt;
    }
    if (Function(frame) == mbus::kSndUd)
        return ExecuteSndUd(frame);
    return std::nullopt;
}

std::optional<QByteArray> Meter::ExecuteSndUd(const LinkFrame& frame)
{
    const quint8 ci = *frame.controlInformation;
    if (ci == mbus::kCiApplicationReset)
        return frame.data.size() <= 1 ? std::optional(Ack()) : std::nullopt;
    if (ci == mbus::kCiDataSend) {
        // The link layer acknowledges any data it received; only a new bus
        // address within the primary range is acted on.
        const QByteArray& data = frame.data;
        if (data.size() == 3 && static_cast<quint8>(data[0]) == kDifOneByte
            && static_cast<quint8>(data[1]) == kVifBusAddress && static_cast<quint8>(data[2]) <= kHighestPrimary)
            m_Config.address = static_cast<quint8>(frame.data[2]);
        return Ack();
    }
    if (const std::optional<int> baud = BaudOfSpeedCommand(ci); baud && frame.data.isEmpty()) {
        // Acknowledged at the old speed; the bus takes the meter's speed after this exchange.
        m_Config.baud = *baud;
        return Ack();
    }
    return std::nullopt;
}

bool Meter::MatchesSelection(const QByteArray& mask) const
{
    for (int i = 0; i < 4; ++i) {
        const auto wanted = static_cast<quint8>(mask[i]);
        const auto own = static_cast<quint8>(m_Config.id >> (8 * i) & 0xFF);
        if (!NibbleMatches(wanted, own, 0xF0) || !NibbleMatches(wanted, own, 0x0F))
            return false;
    }
    const auto manufacturer = static_cast<quint16>(static_cast<quint8>(mask[4]) | static_cast<quint8>(mask[5]) << 8);
    const auto version = static_cast<quint8>(mask[6]);
    const auto medium = static_cast<quint8>(mask[7]);
    return (manufacturer == 0xFFFF || manufacturer == m_Config.manufacturer)
           && (version == 0xFF || version == m_Config.version) && (medium == 0xFF || medium == m_Config.medium);
}

QByteArray Meter::RspUd()
{
    QByteArray data;
    AppendLittleEndian(data, m_Config.id, 4);
    quint8 ci = mbus::kCiVariableReply;
    if (m_Config.fixedStructure) {
        ci = mbus::kCiFixedReply;
        data.append(static_cast<char>(m_Config.accessNumber));
        data.append(static_cast<char>(m_Config.status));
        AppendLittleEndian(data, m_Config.fixedMediumUnit, 2);
        AppendLittleEndian(data, m_Config.fixedCounters[0], 4);
        AppendLittleEndian(data, m_Config.fixedCounters[1], 4);
    } else {
        AppendLittleEndian(data, m_Config.manufacturer, 2);
        data.append(static_cast<char>(m_Config.version));
        data.append(static_cast<char>(m_Config.medium));
        data.append(static_cast<char>(m_Config.accessNumber));
        data.append(static_cast<char>(m_Config.status));
        AppendLittleEndian(data, m_Config.signature, 2);
        data.append(m_Config.records);
    }
    ++m_Config.accessNumber;
    return LongFrame(kRspUd, m_Config.address, ci, data).value_or(QByteArray());
}

void Meter::ResetLink()
{
    m_LastFcb.reset();
    m_LastRequest.clear();
    m_LastReply.clear();
}
