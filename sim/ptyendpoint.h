#pragma once

#include "configservice.h"
#include "frameinput.h"
#include "netfaults.h"
#include "setupmode.h"
#include "transparentport.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;

// The transparent port as a serial line: a pseudo-terminal whose slave side
// a client opens like a serial device. With a configuration service, the
// line also has the serial setup mode.
class PtyEndpoint : public QObject {
    Q_OBJECT
public:
    explicit PtyEndpoint(TransparentPort& port, ConfigService* config = nullptr, QObject* parent = nullptr);
    ~PtyEndpoint() override;

    // Creates the pseudo-terminal and, when linkPath is given, a symbolic
    // link to its slave device (an existing link there is replaced).
    bool Open(const QString& linkPath, QString* error);
    QString SlavePath() const { return m_SlavePath; }
    QString LinkPath() const { return m_LinkPath; }
    // The speed the client set on its side of the terminal (0 when it
    // cannot be read: the bus speed then).
    int ClientBaud() const;

    // Of the faults only the disappearing device concerns a serial line.
    void SetNetFaults(const NetFaults& faults) { m_Faults = faults; }

private:
    void Read();
    void Write(const QByteArray& bytes);
    void WritePending();
    void Close();
    void Vanish();

    TransparentPort& m_Port;
    ConfigService* m_Config;
    int m_Master = -1;
    int m_Slave = -1;
    QString m_SlavePath;
    QString m_LinkPath;
    QSocketNotifier* m_ReadNotifier = nullptr;
    QSocketNotifier* m_WriteNotifier = nullptr;
    QByteArray m_Pending;
    std::unique_ptr<FrameInput> m_Input;
    std::unique_ptr<SetupMode> m_Setup;
    NetFaults m_Faults;
    bool m_RequestSinceReply = false; // bytes came in since the last reply began
    int m_Replies = 0;
    bool m_Vanishing = false;
};
