#pragma once

#include "configsocket.h"
#include "record.h"

#include <QList>
#include <QString>
#include <chrono>
#include <functional>

class Connection;
class DeviceOperations;
class Language;

// How a record travels.
enum class TransferMode {
    Network = 1, // UDP to the configuration port
    Serial = 2, // the serial port, the gateway in its setup mode
};

// Reads and writes the gateway's configuration records over the network or
// the serial setup mode, and waits for the setup mode's prompt. The network
// side uses its own socket; the serial side the connection's serial port and
// receive buffers.
class RecordTransfer {
public:
    RecordTransfer(Connection& connection, const Language& language);

    // The gateways' configuration port (tests use a loopback port).
    void SetRemotePort(quint16 port) { m_Socket.SetRemotePort(port); }
    // SelectedAdapterIP: writes leave from it when it is usable.
    QString AdapterIP;

    // A socket error event closed the socket (warning 152), or a send failed
    // (warning 154); each with the socket's description.
    std::function<void(const QString& description)> socketError;
    std::function<void(const QString& description)> sendFailed;
    // Shows text 153 and the growing dots while the prompt is awaited.
    std::function<void(const QString& text)> promptProgress;
    // Both warnings as their composed texts to one place.
    void WarnThrough(const std::function<void(const QString& text)>& warn);

    // Fetches the record; true when a whole reply for its number came. A
    // failure leaves the record as it was.
    bool Read_Record(cRecord& record, TransferMode method, const QString& ip, std::chrono::milliseconds timeout);
    // Sends the record; over the network true only when the gateway
    // acknowledged and answered again after its restart, over the serial
    // port when it took the record and came back with its prompt.
    bool Write_Record(const cRecord& record, TransferMode method, const QString& ip, std::chrono::milliseconds timeout);
    // Sends the records in order, each only once the one before was taken,
    // and says for each whether it was confirmed. Over the network each is a
    // Write_Record of its own. Over the serial port the gateway takes them
    // all in one setup-mode session and then restarts once: it leaves the
    // setup mode with the restart, so a record sent after it would be lost.
    QList<bool> Write_Records(const QList<const cRecord*>& records, TransferMode method, const QString& ip,
        std::chrono::milliseconds timeout);

    // The last write was cancelled after a record had gone out: the gateway
    // may have taken it, though nothing confirmed it. A cancel ends a write
    // before its next step; nothing more is sent to the gateway.
    bool CancelledAfterSending() const { return m_CancelledAfterSending; }

    // Calls "zzz" every 250 ms until the setup prompt comes, the timeout has
    // passed (a negative timeout waits without limit) or the running
    // operation is cancelled.
    bool WaitForSetupPrompt(std::chrono::milliseconds timeout);
    // Cancels the running device operation (the prompt wait, a record
    // transfer): its waits end as their timeouts would.
    void Abort();
    // The last prompt wait ended without the prompt.
    bool SetupAbort() const { return m_SetupAbort; }
    // Every transfer is one device operation of the connection's; each
    // public call enters it and does nothing while another one waits.
    DeviceOperations& Operations() const;

    ConfigSocket& Socket() { return m_Socket; }
    Connection& SerialConnection() { return m_Connection; }

private:
    bool ReadByNetwork(cRecord& record, const QString& ip, std::chrono::milliseconds timeout);
    bool ReadBySerial(cRecord& record, std::chrono::milliseconds timeout);
    bool WriteByNetwork(const cRecord& record, const QString& ip, std::chrono::milliseconds timeout);
    QList<bool> WriteBySerial(const QList<const cRecord*>& records, std::chrono::milliseconds timeout);
    bool StoreBySerial(const cRecord& record);
    bool WaitForWholeRecord(const QByteArray& buffer, std::chrono::milliseconds timeout);

    Connection& m_Connection;
    const Language& m_Language;
    ConfigSocket m_Socket;
    bool m_SetupAbort = false;
    bool m_CancelledAfterSending = false;
};

// A warning about the configuration socket: the text, two line breaks and
// the socket's description in quotes.
QString SocketWarningText(const Language& language, int textId, const QString& description);
