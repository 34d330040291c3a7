#include "ptysetupgateway.h"

#include "netsetup/configprotocol.h"
#include "netsetup/recorddefaults.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtySetupGateway::PtySetupGateway(QObject* parent)
    : QObject(parent)
{
    for (int n = 0; n < 8; ++n)
        records[static_cast<size_t>(n)] = DefaultRecordBytes(n);
}

PtySetupGateway::~PtySetupGateway()
{
    delete m_Notifier;
    if (m_Slave >= 0)
        ::close(m_Slave);
    if (m_Master >= 0)
        ::close(m_Master);
}

bool PtySetupGateway::Open()
{
    m_Master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_Master < 0 || grantpt(m_Master) != 0 || unlockpt(m_Master) != 0)
        return false;
    char name[128] = {};
    if (ptsname_r(m_Master, name, sizeof name) != 0)
        return false;
    m_SlavePath = QString::fromLocal8Bit(name);
    // Held open so the master never sees a hang-up between clients, and raw
    // so no byte is translated.
    m_Slave = ::open(name, O_RDWR | O_NOCTTY);
    termios settings {};
    if (m_Slave < 0 || tcgetattr(m_Slave, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    tcsetattr(m_Slave, TCSANOW, &settings);
    fcntl(m_Master, F_SETFL, fcntl(m_Master, F_GETFL) | O_NONBLOCK);
    m_Notifier = new QSocketNotifier(m_Master, QSocketNotifier::Read, this);
    connect(m_Notifier, &QSocketNotifier::activated, this, &PtySetupGateway::Read);
    return true;
}

void PtySetupGateway::Write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(m_Master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (count > 0)
            done += count;
        else if (count < 0 && errno != EINTR)
            return; // full: nobody reads, so the rest is worthless
    }
}

void PtySetupGateway::Read()
{
    char buffer[512];
    for (;;) {
        const ssize_t count = ::read(m_Master, buffer, sizeof buffer);
        if (count > 0) {
            m_Input.append(buffer, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        break;
    }
    for (;;) {
        // The end record comes without a line end.
        if (m_Receiving >= 0 && m_Input.startsWith(config::kEndOfRecord)) {
            m_Input.remove(0, config::kEndOfRecord.size());
            EndOfRecord();
            continue;
        }
        const qsizetype end = m_Input.indexOf('\r');
        if (end < 0)
            break;
        const QString line = QString::fromLatin1(m_Input.left(end));
        m_Input.remove(0, end + 1);
        OnLine(line);
    }
}

void PtySetupGateway::OnLine(const QString& line)
{
    if (m_Receiving >= 0 && line.startsWith(u':')) {
        setLines << line;
        // ":" LL AAAA "10" data CC, the check over the characters' codes
        int sum = 0;
        for (const QChar c : line.mid(1, line.size() - 3))
            sum += c.unicode();
        bool ok = false;
        const int check = line.right(2).toInt(&ok, 16);
        if (!ok || ((sum + check) & 0xFF) != 0 || line.mid(7, 2) != QLatin1String("10")) {
            ++badLines;
            return;
        }
        const int offset = line.mid(3, 4).toInt(nullptr, 16);
        const QByteArray data = QByteArray::fromHex(line.mid(9, line.size() - 11).toLatin1());
        if (m_Received.size() < offset + data.size())
            m_Received.resize(offset + data.size());
        m_Received.replace(offset, data.size(), data);
        return;
    }
    commands << line;
    if (line == QLatin1String("zzz")) {
        ++wakeUps;
        if (answerPrompt && wakeUps > promptAfterCalls) {
            inSetupMode = true;
            Write("0>");
        }
    } else if (!inSetupMode) {
        return; // M-Bus traffic to the gateway, not a command
    } else if (line.startsWith(u'G')) {
        const int n = line.mid(1).toInt();
        for (const QString& reply : config::ReadReplyLines(records[static_cast<size_t>(n & 7)]))
            Write(reply.toLatin1() + "\r\n");
    } else if (line.startsWith(u'S')) {
        m_Receiving = line.mid(1).toInt() & 7;
        m_Received.clear();
        setLines.clear();
    } else if (line == QLatin1String("RS") || line == QLatin1String("QU")) {
        inSetupMode = false; // a restart, or back to work
    }
}

void PtySetupGateway::EndOfRecord()
{
    const bool refused = m_Receiving == refusedRecord;
    if (badLines == 0 && !refused)
        records[static_cast<size_t>(m_Receiving)] = m_Received;
    m_Receiving = -1;
    Write(refused ? QByteArrayLiteral("9>") : endOfRecordAnswer);
}
