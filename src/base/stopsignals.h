#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal, so the program stops through
// its event loop and every destructor runs (sockets closed, links removed).
// A second signal ends the program at once: the way out of a stop that
// does not come.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    bool Installed() const { return m_Notifier != nullptr; }

signals:
    void Stop();

private:
    QSocketNotifier* m_Notifier = nullptr;
};
