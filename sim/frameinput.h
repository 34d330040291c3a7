#pragma once

#include "frameassembler.h"
#include "transparentport.h"

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

// A partial frame older than this will not be completed: the client has
// given up on it (a gateway's UART drops it after a quiet line as well).
constexpr std::chrono::milliseconds kPartialFrameLifetime{200};

// One client's byte stream (a UDP peer, a TCP connection, the pseudo-terminal)
// made into frames for the port; replies go back through the sink.
class FrameInput {
public:
    using LineOf = std::function<ClientLine()>;
    // line: asked for each frame, as the client may change its line at any time.
    FrameInput(TransparentPort& port, QString source, TransparentPort::ReplySink sink, LineOf line = {});
    FrameInput(const FrameInput&) = delete;
    FrameInput& operator=(const FrameInput&) = delete;

    void Feed(const QByteArray& bytes);
    const QString& Source() const { return m_Source; }

private:
    void Pass(const QList<FrameAssembler::Piece>& pieces);

    TransparentPort& m_Port;
    QString m_Source;
    TransparentPort::ReplySink m_Sink;
    LineOf m_Line;
    FrameAssembler m_Assembler;
    QTimer m_Quiet;
};
