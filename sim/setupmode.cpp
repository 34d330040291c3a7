#include "setupmode.h"

#include "netsetup/configprotocol.h"
#include "setuplines.h"

#include <QTimer>

namespace {

const QByteArray kErrorPrompt = QByteArrayLiteral("9>");
// A client that never sends CR does not make us hold more than this.
constexpr qsizetype kMaxLine = 1024;
constexpr qsizetype kMaxRecordLines = 64;

std::optional<int> RecordNumberAfter(const QByteArray& command)
{
    bool ok = false;
    const int number = command.mid(1).trimmed().toInt(&ok);
    return ok && number >= 0 && number < RecordStore::kCount ? std::optional<int>(number) : std::nullopt;
}

} // namespace

SetupMode::SetupMode(ConfigService& service, QString source, Sink sink, QObject* parent)
    : QObject(parent), m_Service(service), m_Source(std::move(source)), m_Sink(std::move(sink))
{
    connect(&m_Service, &ConfigService::RestartBegan, this, &SetupMode::Reset);
}

void SetupMode::Reset()
{
    m_State = State::Transparent;
    m_Tail.clear();
    m_Line.clear();
    m_Lines.clear();
    ++m_Generation;
}

QByteArray SetupMode::Feed(const QByteArray& bytes)
{
    QByteArray forBus;
    QByteArray input = bytes;
    while (!input.isEmpty()) {
        // A restarting gateway hears nothing, also what follows "RS" in the same chunk.
        if (m_Service.Restarting()) {
            m_Service.Report(TrafficDirection::Dropped, m_Source, input);
            break;
        }
        if (m_State != State::Transparent) {
            input = TakeCommands(input);
            continue;
        }
        const qsizetype end = FindWakeUp(input);
        if (end < 0) {
            forBus += input;
            break;
        }
        // The wake-up's own bytes are not M-Bus; pieces of it from earlier chunks went on already.
        forBus += input.left(std::max<qsizetype>(0, end - config::kWakeUp.size()));
        input = input.mid(end);
        m_State = State::Commands;
        m_Service.Report(TrafficDirection::Received, m_Source, config::kWakeUp);
        Answer(config::kAcceptedPrompt);
    }
    return forBus;
}

qsizetype SetupMode::FindWakeUp(const QByteArray& bytes)
{
    if (m_Service.Faults().noPrompt)
        return -1;
    const qsizetype carried = m_Tail.size();
    const QByteArray stream = m_Tail + bytes;
    const qsizetype at = stream.indexOf(config::kWakeUp);
    if (at < 0) {
        m_Tail = stream.right(config::kWakeUp.size() - 1);
        return -1;
    }
    m_Tail.clear();
    return at + config::kWakeUp.size() - carried;
}

QByteArray SetupMode::TakeCommands(const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n')
            continue;
        if (c != '\r') {
            if (m_Line.size() < kMaxLine)
                m_Line += c;
            // The end of the record comes without CR.
            if (m_State == State::RecordLines && m_Line == config::kEndOfRecord) {
                m_Line.clear();
                FinishRecord();
            }
            continue;
        }
        const QByteArray line = m_Line;
        m_Line.clear();
        HandleLine(line);
        if (m_State == State::Transparent)
            return bytes.mid(i + 1); // after QU the rest is M-Bus again
    }
    return {};
}

void SetupMode::HandleLine(const QByteArray& line)
{
    if (m_State == State::RecordLines) {
        if (line.startsWith(':')) {
            m_Service.Report(TrafficDirection::Received, m_Source, line + '\r');
            if (m_Lines.size() < kMaxRecordLines)
                m_Lines.append(QString::fromLatin1(line));
            return;
        }
        m_State = State::Commands; // a command instead: the record is abandoned
        m_Lines.clear();
    }
    const QByteArray command = line.trimmed().toUpper();
    if (command.isEmpty())
        return;
    m_Service.Report(TrafficDirection::Received, m_Source, line + '\r');
    const std::optional<int> recordNumber = RecordNumberAfter(command);
    const QByteArray entered = command + '\r'; // as the command constants end
    if (entered == config::kWakeUp.toUpper()) {
        Answer(config::kAcceptedPrompt);
    } else if (command.startsWith('G') && recordNumber) {
        QByteArray record = *m_Service.Records().Read(*recordNumber);
        record.chop(std::min<qsizetype>(m_Service.Faults().truncateRecord, record.size()));
        QByteArray text;
        for (const QString& recordLine : config::ReadReplyLines(record))
            text += recordLine.toLatin1() + "\r\n";
        Answer(text + config::kAcceptedPrompt);
    } else if (command.startsWith('S') && recordNumber) {
        m_State = State::RecordLines;
        m_RecordNumber = *recordNumber;
        m_Lines.clear();
    } else if (entered == config::kReset) {
        m_Service.Restart();
    } else if (entered == config::kQuit) {
        m_State = State::Transparent;
    } else {
        Answer(kErrorPrompt);
    }
}

void SetupMode::FinishRecord()
{
    m_Service.Report(TrafficDirection::Received, m_Source, config::kEndOfRecord);
    m_State = State::Commands;
    const std::optional<QByteArray> record = RecordFromSetLines(m_Lines);
    m_Lines.clear();
    const bool stored = record && m_Service.Records().Write(m_RecordNumber, *record);
    Answer(stored && !m_Service.Faults().wrongAck ? config::kAcceptedPrompt : kErrorPrompt);
}

void SetupMode::Answer(const QByteArray& text)
{
    if (m_Service.Faults().noPrompt)
        return;
    QTimer::singleShot(m_Service.Settings().promptDelay, this, [this, text, generation = m_Generation] {
        if (generation != m_Generation)
            return;
        m_Service.Report(TrafficDirection::Sent, m_Source, text);
        m_Sink(text);
    });
}
