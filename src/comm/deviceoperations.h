#pragma once

#include <QObject>
#include <chrono>
#include <functional>

// The one device operation that may run at a time, and the waits it makes.
//
// Every operation that talks to a device runs inside a DeviceOperationScope:
// a transaction, a record transfer, discovery, an IP assignment, a ping
// test, the serial setup mode, a search, a Modbus or an ASCII read, the
// opening of the gateway connection. Its waits let window events run; an
// event that tries to start a second operation meanwhile (a click, a poll
// tick, a Next) finds the program busy and is refused. The steps of one
// operation may call further operations directly (an identification read
// that initialises the meter first): a scope entered while none of the
// waits runs belongs to the operation that runs.
//
// A cancel request (the wizard being closed, Ctrl-C in the command-line
// tool) ends the running operation's waits at once, as their timeouts
// would, so the operation ends with its own failure text; every later wait
// of the same operation ends at once too, until the operation is over.
//
// Anything a handler dispatched during a wait can close (a window, a page's
// control) may be gone when the wait returns: code that waits holds such
// objects by QPointer and checks them again afterwards.
class DeviceOperations : public QObject {
    Q_OBJECT
public:
    using Condition = std::function<bool()>;

    explicit DeviceOperations(QObject* parent = nullptr);

    bool Busy() const { return m_Depth > 0; }
    bool CancelRequested() const { return m_CancelRequested; }
    // Asks the running operation to end; nothing when none runs.
    void RequestCancel();

    // Waits until the condition holds or the timeout passes, letting events
    // run and waking at each of them; false on timeout and on cancel. Time
    // is measured with a monotonic clock.
    bool WaitUntil(const Condition& condition, std::chrono::milliseconds timeout);
    // A fixed pause (pacing, prompts, restarts); a cancel ends it early.
    void Pause(std::chrono::milliseconds duration);

signals:
    // The first operation started, or the last one ended.
    void busyChanged(bool busy);
    // A cancel was asked of the running operation.
    void cancelRequested();

private:
    friend class DeviceOperationScope;

    int m_Depth = 0;
    bool m_Waiting = false;
    bool m_CancelRequested = false;
};

// A wait of the given operations when there are any (the platform helpers
// an operation calls), else a plain wait.
bool WaitWithin(DeviceOperations* operations, const DeviceOperations::Condition& condition,
                std::chrono::milliseconds timeout);

// Holds the program busy for one device operation (RAII). A scope that
// cannot be entered because another operation is waiting is not entered:
// the caller then does nothing.
class DeviceOperationScope {
public:
    explicit DeviceOperationScope(DeviceOperations& operations);
    ~DeviceOperationScope();
    DeviceOperationScope(const DeviceOperationScope&) = delete;
    DeviceOperationScope& operator=(const DeviceOperationScope&) = delete;

    bool Entered() const { return m_Entered; }
    explicit operator bool() const { return m_Entered; }

private:
    DeviceOperations& m_Operations;
    bool m_Entered = false;
};
