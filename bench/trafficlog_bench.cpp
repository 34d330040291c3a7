// The log window under load: frames are logged at 20,000 lines a second for
// a few seconds with MaxDebugLines 500 while the window is open; prints the
// lines per second reached, how late a 10 ms timer got (responsiveness) and
// the peak memory, then the same for a long poll-like run to show memory
// stays flat.
#include "comm/deviceoperations.h"
#include "shell/debugwindow.h"
#include "base/inifile.h"
#include "base/language.h"
#include "base/settings.h"
#include "base/trafficlog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

long PeakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    }
    return -1;
}

long CurrentMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    }
    return -1;
}

struct Figures {
    double linesPerSecond = 0;
    qint64 worstTimerLateMs = 0;
};

// Logs 20-byte frames (two lines each plus the separator) at the given rate
// for the given time, letting the window draw in between.
Figures Drive(TrafficLog& log, int linesPerSecond, int seconds)
{
    QByteArray frame(20, '\x5B');
    QElapsedTimer clock;
    clock.start();
    qint64 lines = 0;
    qint64 worstLate = 0;
    QElapsedTimer tick;
    tick.start();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstLate = std::max<qint64>(worstLate, tick.elapsed() - 10);
        tick.restart();
    });
    probe.start(10);
    while (clock.elapsed() < seconds * 1000) {
        const qint64 due = clock.elapsed() * linesPerSecond / 1000;
        while (lines < due) {
            log.LogTraffic(frame, TrafficKind::Sent);
            lines += 3;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    probe.stop();
    return {static_cast<double>(lines) * 1000.0 / static_cast<double>(clock.elapsed()), worstLate};
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
    Language language;
    TrafficLog log;
    DeviceOperations operations;
    Settings settings = Settings::AtFile(dir.filePath(QStringLiteral("store.conf")));
    auto* window = new Ostrand_Debug(log, ini, settings, language, operations);
    window->show();

    const long before = CurrentMemoryKb();
    const Figures burst = Drive(log, 20000, 3);
    std::printf("20,000 lines/s requested: %.0f lines/s logged, worst lateness of a 10 ms timer %lld ms, "
                "list holds %lld lines\n",
                burst.linesPerSecond, static_cast<long long>(burst.worstTimerLateMs),
                static_cast<long long>(log.Lines().size()));
    const Figures flat = Drive(log, 20000, 5);
    const long after = CurrentMemoryKb();
    std::printf("after a further 5 s: %.0f lines/s, worst lateness %lld ms\n", flat.linesPerSecond,
                static_cast<long long>(flat.worstTimerLateMs));
    std::printf("memory: %ld kB before, %ld kB after, peak %ld kB\n", before, after, PeakMemoryKb());
    window->close();
    return 0;
}
