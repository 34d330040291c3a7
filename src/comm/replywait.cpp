#include "replywait.h"

#include "connection.h"
#include "deviceoperations.h"
#include "mbusframe.h"

MBusReplyWait AwaitMBusReply(Connection& connection, std::chrono::milliseconds timeout, ReplyAcceptance acceptance)
{
    const bool serial = connection.Mode() == ConnectionMode::Serial;
    MBusReplyWait wait;
    const auto complete = [&] {
        QByteArray& buffer = connection.ReceiveBuffer();
        if (serial)
            buffer = connection.SerialReceiveBuffer();
        const MBusReplyCheck check = CheckMBusReply(buffer);
        if (check.lengthField)
            wait.lengthField = *check.lengthField;
        wait.wrongFrame = check.wrongFrame;
        const bool loneAck = buffer.size() == 1 && static_cast<quint8>(buffer[0]) == mbus::kAck;
        return check.complete && (acceptance == ReplyAcceptance::AcknowledgementOrFrame || !loneAck);
    };
    // a connection that closes under the wait ends it at once; a cancel
    // ends it as the timeout would
    connection.Operations().WaitUntil([&] { return (wait.accepted = complete()) || !connection.ConnectionOpen(); },
                                      timeout);
    return wait;
}
