#include "deviceoperations.h"

#include "waiting.h"

#include <utility>

DeviceOperations::DeviceOperations(QObject* parent)
    : QObject(parent)
{
}

void DeviceOperations::RequestCancel()
{
    if (!Busy() || m_CancelRequested)
        return;
    m_CancelRequested = true;
    emit cancelRequested();
}

bool DeviceOperations::WaitUntil(const Condition& condition, std::chrono::milliseconds timeout)
{
    // A wait inside another would hold the outer one's deadline and
    // conditions until it returns; a handler run by a wait must not wait.
    Q_ASSERT_X(!m_Waiting, "DeviceOperations::WaitUntil", "a device wait started inside another");
    if (!m_CancelRequested) {
        const bool outerWaiting = std::exchange(m_Waiting, true);
        ::WaitUntil([&] { return m_CancelRequested || (condition && condition()); }, timeout);
        m_Waiting = outerWaiting;
    }
    return condition && condition();
}

void DeviceOperations::Pause(std::chrono::milliseconds duration)
{
    WaitUntil({}, duration);
}

bool WaitWithin(DeviceOperations* operations, const DeviceOperations::Condition& condition,
                std::chrono::milliseconds timeout)
{
    if (operations)
        return operations->WaitUntil(condition, timeout);
    return ::WaitUntil([&] { return condition && condition(); }, timeout);
}

DeviceOperationScope::DeviceOperationScope(DeviceOperations& operations)
    : m_Operations(operations)
{
    // While a wait runs, whoever asks is an event handler, not a step of
    // the operation that waits.
    if (m_Operations.m_Waiting)
        return;
    m_Entered = true;
    if (m_Operations.m_Depth++ == 0)
        emit m_Operations.busyChanged(true);
}

DeviceOperationScope::~DeviceOperationScope()
{
    if (!m_Entered)
        return;
    if (--m_Operations.m_Depth == 0) {
        m_Operations.m_CancelRequested = false;
        emit m_Operations.busyChanged(false);
    }
}
