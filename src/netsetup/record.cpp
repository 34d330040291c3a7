#include "record.h"

#include "recorddefaults.h"
#include "base/textfields.h"
#include "base/textnumber.h"

#include <algorithm>

namespace {

// Record 0, offsets from 0.
constexpr int kIPAddress = 0;
constexpr int kNetMask = 6; // count of host bits
constexpr int kPassword = 8;
constexpr int kPasswordLength = 4;
constexpr int kGateway = 12;
constexpr int kLineSpeed = 17; // code 2 = 9600 ... 7 = 300 baud
constexpr int kPort = 20; // low byte first
constexpr int kProtocol = 28; // CCh 01h UDP, C0h 00h TCP

// Record 1, byte 0: a set bit switches the access off.
constexpr int kSecurity = 0;
constexpr quint8 kTelnetOff = 0x01;
constexpr quint8 k77FEOff = 0x10;

constexpr int kSlowestCode = 7;
constexpr int kFastestCode = 2;

struct Range {
    int offset;
    int width;
};
// What a restore of record 0 keeps: the gateway's own network and first
// channel settings.
constexpr Range kKeptSettings[] = {{kIPAddress, 4}, {kNetMask, 1}, {kPassword, kPasswordLength}, {kGateway, 4},
    {kLineSpeed, 1}, {kPort, 2}, {kProtocol, 2}};

} // namespace

std::optional<std::array<quint8, 4>> DottedOctets(const QString& address)
{
    std::array<quint8, 4> octets {};
    for (int k = 0; k < 4; ++k) {
        const qint64 value = LeadingNumber(GetField(address, k, QStringLiteral(".")));
        if (value < 0 || value > 255)
            return std::nullopt;
        octets[static_cast<size_t>(k)] = static_cast<quint8>(value);
    }
    return octets;
}

void cRecord::RestoreRecordToDefault(bool keepSettings)
{
    const QByteArray old = m_Record;
    m_Record = DefaultRecordBytes(m_RecordNumber);
    if (!keepSettings || m_RecordNumber != 0)
        return;
    for (const Range& range : kKeptSettings) {
        if (range.offset + range.width <= old.size() && Holds(range.offset, range.width))
            m_Record.replace(range.offset, range.width, old.mid(range.offset, range.width));
    }
}

QString cRecord::GetDotted(int offset) const
{
    if (!Holds(offset, 4))
        return QString();
    return QStringLiteral("%1.%2.%3.%4").arg(At(offset)).arg(At(offset + 1)).arg(At(offset + 2)).arg(At(offset + 3));
}

bool cRecord::SetDotted(int offset, const QString& address)
{
    const auto octets = DottedOctets(address);
    if (!octets || !Holds(offset, 4))
        return false;
    for (int k = 0; k < 4; ++k)
        m_Record[offset + k] = static_cast<char>((*octets)[static_cast<size_t>(k)]);
    return true;
}

QString cRecord::Get_IPAddress() const
{
    return GetDotted(kIPAddress);
}

bool cRecord::Set_IPAddress(const QString& address)
{
    return SetDotted(kIPAddress, address);
}

QString cRecord::Get_Gateway() const
{
    return GetDotted(kGateway);
}

bool cRecord::Set_Gateway(const QString& address)
{
    return SetDotted(kGateway, address);
}

QString cRecord::Get_NetMask() const
{
    if (!Holds(kNetMask, 1))
        return QString();
    const int hostBits = std::min<int>(At(kNetMask), 32);
    const quint32 mask = hostBits >= 32 ? 0u : ~quint32 {0} << hostBits;
    return QStringLiteral("%1.%2.%3.%4")
        .arg(mask >> 24)
        .arg((mask >> 16) & 0xFF)
        .arg((mask >> 8) & 0xFF)
        .arg(mask & 0xFF);
}

bool cRecord::Set_NetMask(const QString& mask)
{
    const auto octets = DottedOctets(mask);
    if (!octets || !Holds(kNetMask, 1))
        return false;
    const quint32 value = (quint32 {(*octets)[0]} << 24) | (quint32 {(*octets)[1]} << 16)
        | (quint32 {(*octets)[2]} << 8) | quint32 {(*octets)[3]};
    // Only the trailing zeros count: a mask with holes keeps its tail.
    int hostBits = 0;
    while (hostBits < 32 && (value & (quint32 {1} << hostBits)) == 0)
        ++hostBits;
    m_Record[kNetMask] = static_cast<char>(hostBits);
    return true;
}

QString cRecord::Get_IPPort() const
{
    if (!Holds(kPort, 2))
        return QString();
    return QString::number(At(kPort) | (At(kPort + 1) << 8));
}

bool cRecord::Set_IPPort(const QString& port)
{
    if (!Holds(kPort, 2))
        return false;
    const auto value = static_cast<quint16>(std::clamp<qint64>(LeadingNumber(port), 0, 65535));
    m_Record[kPort] = static_cast<char>(value & 0xFF);
    m_Record[kPort + 1] = static_cast<char>(value >> 8);
    return true;
}

bool cRecord::Get_IsUsingUDP() const
{
    return Holds(kProtocol, 1) && At(kProtocol) == 0xCC;
}

bool cRecord::Set_IsUsingUDP(bool udp)
{
    if (!Holds(kProtocol, 2))
        return false;
    m_Record[kProtocol] = static_cast<char>(udp ? 0xCC : 0xC0);
    m_Record[kProtocol + 1] = static_cast<char>(udp ? 0x01 : 0x00);
    return true;
}

QString cRecord::Get_TelnetPassword() const
{
    if (!Holds(kPassword, kPasswordLength))
        return QString();
    QByteArray password = m_Record.mid(kPassword, kPasswordLength);
    password.replace('\0', QByteArray());
    return QString::fromLatin1(password);
}

bool cRecord::Set_TelnetPassword(const QString& password)
{
    if (!Holds(kPassword, kPasswordLength))
        return false;
    QByteArray bytes = password.left(kPasswordLength).toLatin1();
    bytes = bytes.leftJustified(kPasswordLength, '\0', true);
    m_Record.replace(kPassword, kPasswordLength, bytes);
    return true;
}

int cRecord::Get_LineSpeed() const
{
    if (!Holds(kLineSpeed, 1))
        return -1;
    const int code = std::clamp(At(kLineSpeed) & 0x1F, kFastestCode, kSlowestCode);
    return kSlowestCode - code;
}

bool cRecord::Set_LineSpeed(int index)
{
    if (!Holds(kLineSpeed, 1))
        return false;
    m_Record[kLineSpeed] = static_cast<char>(kSlowestCode - std::clamp(index, 0, kSlowestCode - kFastestCode));
    return true;
}

bool cRecord::Get_AllowTelnet() const
{
    return Holds(kSecurity, 1) && (At(kSecurity) & kTelnetOff) == 0;
}

bool cRecord::Set_AllowTelnet(bool allow)
{
    return SetSwitch(kTelnetOff, allow);
}

bool cRecord::Get_Allow77FE() const
{
    return Holds(kSecurity, 1) && (At(kSecurity) & k77FEOff) == 0;
}

bool cRecord::Set_Allow77FE(bool allow)
{
    return SetSwitch(k77FEOff, allow);
}

bool cRecord::SetSwitch(quint8 bit, bool allow)
{
    if (!Holds(kSecurity, 1))
        return false;
    const quint8 value = allow ? static_cast<quint8>(At(kSecurity) & ~bit) : static_cast<quint8>(At(kSecurity) | bit);
    m_Record[kSecurity] = static_cast<char>(value);
    return true;
}
