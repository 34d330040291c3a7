#pragma once

#include <QPointer>
#include <QWidget>

// Disables a window or control for the length of a device operation, so
// that no second operation can start inside the first one's waits, and
// enables it again however the operation ends.
class BusyGuard {
public:
    explicit BusyGuard(QWidget* widget)
        : m_Widget(widget)
    {
        if (m_Widget)
            m_Widget->setEnabled(false);
    }
    ~BusyGuard()
    {
        if (m_Widget)
            m_Widget->setEnabled(true);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    QPointer<QWidget> m_Widget;
};
