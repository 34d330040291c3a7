#include "recordstore.h"

#include "netsetup/record.h"
#include "netsetup/recorddefaults.h"

#include <QList>

#include <bit>
#include <functional>

namespace {

cRecord RecordZero(const QByteArray& bytes)
{
    cRecord record(0);
    record.SetBytes(bytes);
    return record;
}

// Applies a setter of record 0; our own records always hold its fields.
void Change(QByteArray& bytes, const std::function<bool(cRecord&)>& setter)
{
    cRecord record = RecordZero(bytes);
    if (setter(record))
        bytes = record.Bytes();
}

} // namespace

RecordStore::RecordStore()
{
    for (int i = 0; i < kCount; ++i)
        m_Records[static_cast<size_t>(i)] = DefaultRecordBytes(i);
}

std::optional<QByteArray> RecordStore::Read(int recordNumber) const
{
    if (recordNumber < 0 || recordNumber >= kCount)
        return std::nullopt;
    return m_Records[static_cast<size_t>(recordNumber)];
}

bool RecordStore::Write(int recordNumber, const QByteArray& record)
{
    if (recordNumber < 0 || recordNumber >= kCount || record.size() != m_Records[static_cast<size_t>(recordNumber)].size())
        return false;
    m_Records[static_cast<size_t>(recordNumber)] = record;
    return true;
}

QHostAddress RecordStore::Address() const
{
    return QHostAddress(RecordZero(m_Records[0]).Get_IPAddress());
}

void RecordStore::SetAddress(const QHostAddress& address)
{
    Change(m_Records[0], [&](cRecord& record) { return record.Set_IPAddress(address.toString()); });
}

int RecordStore::HostBits() const
{
    const quint32 mask = QHostAddress(RecordZero(m_Records[0]).Get_NetMask()).toIPv4Address();
    return mask == 0 ? 32 : std::countr_zero(mask);
}

void RecordStore::SetMask(const QHostAddress& mask)
{
    Change(m_Records[0], [&](cRecord& record) { return record.Set_NetMask(mask.toString()); });
}

void RecordStore::SetGateway(const QHostAddress& gateway)
{
    Change(m_Records[0], [&](cRecord& record) { return record.Set_Gateway(gateway.toString()); });
}

void RecordStore::SetChannel(quint16 port, bool udp)
{
    Change(m_Records[0], [&](cRecord& record) {
        return record.Set_IPPort(QString::number(port)) && record.Set_IsUsingUDP(udp);
    });
}

bool RecordStore::SetLineSpeed(int baud)
{
    static const QList<int> kSpeeds = {300, 600, 1200, 2400, 4800, 9600}; // by list index
    const qsizetype index = kSpeeds.indexOf(baud);
    if (index < 0)
        return false;
    Change(m_Records[0], [&](cRecord& record) { return record.Set_LineSpeed(static_cast<int>(index)); });
    return true;
}
