#include "waiting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    if (condition && condition())
        return true;
    QElapsedTimer clock;
    clock.start();
    // The timer only guarantees a wake-up at the deadline; everything else
    // that arrives wakes the loop by itself.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(std::max<std::chrono::milliseconds>(timeout, std::chrono::milliseconds(0)));
    for (;;) {
        const qint64 left = timeout.count() - clock.elapsed();
        if (left <= 0)
            return condition && condition();
        if (!deadline.isActive())
            deadline.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (condition && condition())
            return true;
    }
}

void Pause(std::chrono::milliseconds duration)
{
    WaitUntil({}, duration);
}
