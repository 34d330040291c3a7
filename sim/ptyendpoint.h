#pragma once

#include "configservice.h"
#include "frameinput.h"
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

private:
    void Read();
    void Write(const QByteArray& bytes);
    void WritePending();
    void Close();

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
};
