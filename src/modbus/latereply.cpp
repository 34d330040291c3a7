#include "latereply.h"

#include "modbuscodec.h"

#include "comm/latereplies.h"

namespace {

int Byte(const QByteArray& bytes, qsizetype index)
{
    return static_cast<quint8>(bytes[index]);
}

} // namespace

qsizetype LeadingLateTcpReplyLength(const QByteArray& received, UnansweredRequests& unanswered)
{
    const qsizetype length = ModbusTcpFrameLength(received);
    if (length == 0 || received.size() < length)
        return 0;
    return unanswered.TakeLate(Byte(received, 0) * 256 + Byte(received, 1)) ? length : 0;
}
