#include "ptyendpoint.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <utility>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxPending = 64 * 1024;

struct Speed {
    speed_t code;
    int baud;
};
constexpr Speed kSpeeds[] = {{B300, 300},     {B600, 600},     {B1200, 1200},   {B2400, 2400},    {B4800, 4800},
                             {B9600, 9600},   {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};

speed_t SpeedCode(int baud)
{
    for (const Speed& speed : kSpeeds) {
        if (speed.baud == baud)
            return speed.code;
    }
    return B2400;
}

QString SystemError(const char* what)
{
    return QStringLiteral("pty: %1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyEndpoint::PtyEndpoint(TransparentPort& port, ConfigService* config, QObject* parent)
    : QObject(parent), m_Port(port), m_Config(config)
{
}

PtyEndpoint::~PtyEndpoint()
{
    Close();
}

bool PtyEndpoint::Open(const QString& linkPath, QString* error)
{
    // Neither side may leak into a program this process starts (a test runs
    // the command-line tool as a child): a copy held there would keep the
    // line alive after Close, and the client would never see it go.
    m_Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_Master < 0) {
        *error = SystemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(m_Master) != 0 || unlockpt(m_Master) != 0 || ptsname_r(m_Master, name, sizeof name) != 0) {
        *error = SystemError("grantpt/unlockpt");
        Close();
        return false;
    }
    m_SlavePath = QString::fromLocal8Bit(name);
    // Holding the slave open ourselves keeps the master from seeing a hang-up
    // whenever a client closes it, and lets us put the line in raw mode
    // before any client comes.
    m_Slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (m_Slave < 0 || tcgetattr(m_Slave, &settings) != 0) {
        *error = SystemError("open slave");
        Close();
        return false;
    }
    cfmakeraw(&settings);
    // a client that never sets a speed talks at the bus speed
    cfsetspeed(&settings, SpeedCode(m_Port.BusBaud()));
    tcsetattr(m_Slave, TCSANOW, &settings);
    fcntl(m_Master, F_SETFL, fcntl(m_Master, F_GETFL) | O_NONBLOCK);

    if (!linkPath.isEmpty()) {
        const QFileInfo existing(linkPath);
        if (existing.exists() && !existing.isSymLink()) {
            *error = QStringLiteral("pty: %1 exists and is not a symbolic link").arg(linkPath);
            Close();
            return false;
        }
        QFile::remove(linkPath);
        if (!QFile::link(m_SlavePath, linkPath)) {
            *error = QStringLiteral("pty: cannot create the link %1").arg(linkPath);
            Close();
            return false;
        }
        m_LinkPath = linkPath;
    }

    auto sink = [self = QPointer<PtyEndpoint>(this)](const QByteArray& bytes) {
        if (self)
            self->Write(bytes);
    };
    m_Input = std::make_unique<FrameInput>(m_Port, QStringLiteral("pty:") + m_SlavePath, sink,
                                           [this] { return ClientLine{true, ClientBaud()}; });
    if (m_Config)
        m_Setup = std::make_unique<SetupMode>(*m_Config, QStringLiteral("setup:") + m_SlavePath, sink);
    m_ReadNotifier = new QSocketNotifier(m_Master, QSocketNotifier::Read, this);
    connect(m_ReadNotifier, &QSocketNotifier::activated, this, &PtyEndpoint::Read);
    m_WriteNotifier = new QSocketNotifier(m_Master, QSocketNotifier::Write, this);
    m_WriteNotifier->setEnabled(false);
    connect(m_WriteNotifier, &QSocketNotifier::activated, this, &PtyEndpoint::WritePending);
    return true;
}

int PtyEndpoint::ClientBaud() const
{
    // The terminal keeps the speed the client set; parity and stop bits it
    // also keeps, but a pseudo-terminal transfers bytes, not characters, so
    // nothing can hear whether they match.
    termios settings{};
    if (m_Slave < 0 || tcgetattr(m_Slave, &settings) != 0)
        return 0;
    const speed_t code = cfgetospeed(&settings);
    for (const Speed& speed : kSpeeds) {
        if (speed.code == code)
            return speed.baud;
    }
    return -1; // a speed no meter runs at: every meter stays silent
}

void PtyEndpoint::Read()
{
    char buffer[512];
    QByteArray bytes;
    for (;;) {
        const ssize_t count = ::read(m_Master, buffer, sizeof buffer);
        if (count > 0) {
            bytes.append(buffer, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: all read; EIO cannot happen while we hold the slave
    }
    const QByteArray forBus = m_Setup ? m_Setup->Feed(bytes) : bytes;
    if (!forBus.isEmpty()) {
        m_RequestSinceReply = true;
        m_Input->Feed(forBus);
    }
}

void PtyEndpoint::Write(const QByteArray& bytes)
{
    if (m_Vanishing)
        return;
    QByteArray sent = bytes;
    if (std::exchange(m_RequestSinceReply, false) && ++m_Replies == m_Faults.vanishMidReply) {
        // A paced reply comes a byte at a time: its first byte goes, then the device.
        sent.truncate(std::max<qsizetype>(1, bytes.size() / 2));
        m_Vanishing = true;
        // not at once: this runs inside the frame input that the close destroys
        QTimer::singleShot(0, this, &PtyEndpoint::Vanish);
    }
    // With no client reading, the terminal's queue fills; old replies are worthless then.
    if (m_Pending.size() > kMaxPending)
        m_Pending.clear();
    m_Pending.append(sent);
    WritePending();
}

void PtyEndpoint::Vanish()
{
    const QString link = m_LinkPath;
    Close();
    m_Vanishing = false;
    if (!m_Faults.vanishedFor)
        return;
    QTimer::singleShot(*m_Faults.vanishedFor, this, [this, link] {
        QString error;
        if (!Open(link, &error))
            qWarning("%s", qPrintable(error));
    });
}

void PtyEndpoint::WritePending()
{
    while (!m_Pending.isEmpty()) {
        const ssize_t count = ::write(m_Master, m_Pending.constData(), static_cast<size_t>(m_Pending.size()));
        if (count > 0) {
            m_Pending.remove(0, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN)
            m_Pending.clear(); // nobody will ever read these
        break;
    }
    m_WriteNotifier->setEnabled(!m_Pending.isEmpty());
}

void PtyEndpoint::Close()
{
    m_Setup.reset();
    m_Input.reset();
    delete m_ReadNotifier;
    m_ReadNotifier = nullptr;
    delete m_WriteNotifier;
    m_WriteNotifier = nullptr;
    // Only our own link goes; someone may have pointed the path elsewhere since.
    if (!m_LinkPath.isEmpty() && QFileInfo(m_LinkPath).symLinkTarget() == m_SlavePath)
        QFile::remove(m_LinkPath);
    m_LinkPath.clear();
    if (m_Slave >= 0)
        ::close(m_Slave);
    if (m_Master >= 0)
        ::close(m_Master);
    m_Slave = m_Master = -1;
}
