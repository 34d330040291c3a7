#include "replywait.h"

#include "connection.h"
#include "deviceoperations.h"
#include "mbusframe.h"

#include <QElapsedTimer>

#include <algorithm>

MBusReplyWait AwaitMBusReply(Connection& connection, std::chrono::milliseconds timeout, ReplyAcceptance acceptance,
                             const LateReplyDrop& dropLate)
{
    const bool serial = connection.Mode() == ConnectionMode::Serial;
    MBusReplyWait wait;
    QElapsedTimer lastArrival;
    lastArrival.start();
    qsizetype seen = 0;
    const auto complete = [&] {
        QByteArray& buffer = connection.ReceiveBuffer();
        if (serial) // copied afresh each time: what was dropped before stays dropped
            buffer = connection.SerialReceiveBuffer().mid(wait.lateBytes);
        if (buffer.size() + wait.lateBytes != seen) {
            seen = buffer.size() + wait.lateBytes;
            lastArrival.restart();
        }
        if (dropLate)
            wait.lateBytes += dropLate(buffer);
        const MBusReplyCheck check = CheckMBusReply(buffer);
        if (check.lengthField)
            wait.lengthField = *check.lengthField;
        wait.wrongFrame = check.wrongFrame;
        return check.complete
            && (acceptance == ReplyAcceptance::AcknowledgementOrFrame || !IsLoneAcknowledgement(buffer));
    };
    // a connection that closes under the wait ends it at once; a cancel
    // ends it as the timeout would
    connection.Operations().WaitUntil([&] { return (wait.accepted = complete()) || !connection.ConnectionOpen(); },
                                      timeout);
    wait.quietSince = std::chrono::milliseconds(lastArrival.elapsed());
    return wait;
}

void AwaitQuietLine(Connection& connection, std::chrono::milliseconds quiet, std::chrono::milliseconds longest,
                    std::chrono::milliseconds alreadyQuiet)
{
    const bool serial = connection.Mode() == ConnectionMode::Serial;
    const auto arrived = [&] {
        QByteArray& buffer = connection.ReceiveBuffer();
        if (serial)
            buffer = connection.SerialReceiveBuffer();
        return buffer.size();
    };
    QElapsedTimer total;
    total.start();
    auto silence = quiet - std::min(alreadyQuiet, quiet);
    for (;;) {
        const qsizetype before = arrived();
        const auto left = longest - std::chrono::milliseconds(total.elapsed());
        if (left <= std::chrono::milliseconds(0) || silence <= std::chrono::milliseconds(0) || !connection.ConnectionOpen())
            return;
        const bool more = connection.Operations().WaitUntil(
            [&] { return arrived() != before || !connection.ConnectionOpen(); }, std::min(silence, left));
        silence = quiet;
        if (!more || connection.Operations().CancelRequested())
            return;
    }
}

QByteArray AwaitLateReply(Connection& connection, std::chrono::milliseconds timeout)
{
    AwaitMBusReply(connection, timeout, ReplyAcceptance::AcknowledgementOrFrame);
    const QByteArray received = connection.ReceiveBuffer();
    connection.ClearReceiveBuffers();
    return received;
}
