#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include "comm/connection.h"
#include "comm/connectionrequest.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "comm/fcbstate.h"
#include "base/inifile.h"
#include "base/language.h"
#include "base/settingkeys.h"
#include "base/trafficlog.h"

#include <memory>

// The gateway's transparent port unless HOST:PORT names another.
inline constexpr quint16 kDefaultGatewayPort = 10001;

// What one run of ostrand-cli works with: the program folder's INI file and
// language, the communication log (traced to standard error on request),
// and the connection to the gateway.
class CliSession {
public:
    explicit CliSession(const CliArgs& args);

    const CliArgs& Args() const { return m_Args; }
    IniFile& Ini() { return *m_Ini; }
    const Language& Texts() const { return m_Language; }
    TrafficLog& Log() { return m_Log; }
    Connection& Gateway() { return *m_Connection; }
    Link& Transactions() { return *m_Link; }
    // The one device operation at a time; Ctrl-C asks it to cancel.
    DeviceOperations& Operations() { return m_Operations; }
    // Ctrl-C or SIGTERM: the running operation is asked to cancel, and
    // commands of several steps start no further one.
    void Interrupt()
    {
        m_Interrupted = true;
        m_Operations.RequestCancel();
    }
    bool Interrupted() const { return m_Interrupted; }
    // The meters' frame count bits, kept across --repeat runs.
    FcbState& Fcb() { return m_Fcb; }

    // Opens the transport the options name, with the timings of the task's
    // INI section unless the options override them; default serial speed
    // and line format per protocol. A failure as a result to report.
    std::optional<CliResult> OpenTransport(const ini::LinkTimingKeys& timings, qint32 defaultBaud, bool mbusLine);
    // Opens the transport again when the gateway closed it (a TCP reset),
    // so the next --repeat run talks to it afresh; nothing when it is open.
    std::optional<CliResult> ReopenIfClosed();
    // The gateway's transparent port over UDP when the options name no
    // transport (a gateway found by discovery).
    void UseUdpGateway(const QString& hostPort) { m_FoundUdp = hostPort; }

private:
    std::optional<CliResult> Open();

    const CliArgs& m_Args;
    QString m_AppPath;
    std::unique_ptr<IniFile> m_Ini;
    Language m_Language;
    TrafficLog m_Log;
    DeviceOperations m_Operations;
    FcbState m_Fcb;
    std::unique_ptr<Connection> m_Connection;
    std::unique_ptr<Link> m_Link;
    ConnectionRequest m_OpenedRequest; // what OpenTransport opened
    QString m_OpenedDescription;
    QString m_FoundUdp;
    bool m_Interrupted = false;
};
