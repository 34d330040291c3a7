#include "stopsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only write to a descriptor; the notifier reads it in the event loop.
int g_SignalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_SignalsSeen = 0;

void OnSignal(int signal)
{
    if (g_SignalsSeen != 0)
        ::_exit(128 + signal);
    g_SignalsSeen = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_SignalPipe[0], &byte, 1);
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (g_SignalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_SignalPipe) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    g_SignalsSeen = 0;
    m_Notifier = new QSocketNotifier(g_SignalPipe[1], QSocketNotifier::Read, this);
    connect(m_Notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(g_SignalPipe[1], &byte, 1);
        emit Stop();
    });
}

StopSignals::~StopSignals()
{
    if (!m_Notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    delete m_Notifier;
    ::close(g_SignalPipe[0]);
    ::close(g_SignalPipe[1]);
    g_SignalPipe[0] = g_SignalPipe[1] = -1;
}
