#include "frameinput.h"

FrameInput::FrameInput(TransparentPort& port, QString source, TransparentPort::ReplySink sink, LineOf line)
    : m_Port(port), m_Source(std::move(source)), m_Sink(std::move(sink)), m_Line(std::move(line)), m_Assembler(port.Judge())
{
    m_Quiet.setSingleShot(true);
    m_Quiet.setInterval(kPartialFrameLifetime);
    QObject::connect(&m_Quiet, &QTimer::timeout, [this] { Pass(m_Assembler.Expire()); });
}

void FrameInput::Feed(const QByteArray& bytes)
{
    Pass(m_Assembler.Feed(bytes));
    if (m_Assembler.HasPartial())
        m_Quiet.start();
    else
        m_Quiet.stop();
}

void FrameInput::Pass(const QList<FrameAssembler::Piece>& pieces)
{
    for (const FrameAssembler::Piece& piece : pieces) {
        if (piece.frame)
            m_Port.Submit(piece.bytes, m_Source, m_Sink, m_Line ? m_Line() : ClientLine{});
        else
            m_Port.Drop(piece.bytes, m_Source);
    }
}
