#pragma once

#include "configsocket.h"
#include "recordedit.h"

#include <QList>
#include <QString>
#include <chrono>

class IniFile;
class Language;
class RecordTransfer;
class SetupView;
class cRecord;

// The timings of the IP section of the INI file.
struct IpTimings {
    std::chrono::milliseconds udpTimeOut {1000};
    std::chrono::milliseconds resetTimeOut {10000};
    std::chrono::milliseconds rebootDhcpDelay {10000}; // a 16-bit value: at most 32767
    std::chrono::milliseconds serialTimeOut {1000};

    static IpTimings FromIni(const IniFile& ini);
};

// A serial port by its list index (COM = index + 1) or by its device name.
struct SetupPort {
    int index = -1;
    QString device;
};

// The address a DHCP assignment sends.
inline const QString kDhcpAddress = QStringLiteral("0.0.0.0");

// The address, gateway and mask a gateway is to be given, each read once as
// it enters.
struct IpEntry {
    IpEntry(const QString& typedIp, const QString& typedGateway, const QString& typedMask)
        : ip(typedIp)
        , gateway(typedGateway)
        , mask(typedMask)
    {
    }

    // Asks for an address from a DHCP server.
    bool Dhcp() const { return ip.address == kDhcpAddress; }
    // The first field that is not an address; a gateway or mask not given
    // passes when missingAllowed is set.
    std::optional<RecordRefusal> Refusal(bool missingAllowed) const;

    AddressEntry ip;
    AddressEntry gateway;
    AddressEntry mask;
};

// Gives a gateway its IP address over the network (IP-SETUP, then the mask
// and gateway into record 0) or over a serial cable (record 0 in the setup
// mode), and brings a gateway into its serial setup mode. Progress and
// outcome go to the view as the wizard shows them.
class IpAssignment {
public:
    enum class Outcome { Failed, Assigned, Dhcp };

    IpAssignment(RecordTransfer& transfer, cRecord& record0, const Language& language, SetupView& view);

    // Where IP-SETUP goes; the port is the records' port as well.
    ConfigTarget Target;

    Outcome SetIpByUdp(const QString& mac, const IpEntry& entry, const IpTimings& timings);
    Outcome SetIpBySerial(const SetupPort& port, const IpEntry& entry, const IpTimings& timings,
        std::chrono::milliseconds promptTimeout = std::chrono::milliseconds(-1));
    // Opens the port and calls the gateway until it shows its prompt; the
    // port stays open in setup mode. promptTimeout < 0 waits until Abort.
    bool EnterSerialSetupMode(
        const SetupPort& port, std::chrono::milliseconds promptTimeout = std::chrono::milliseconds(-1));
    // Task 3 by cable: the setup mode for the settings pages that follow.
    bool EnterSetupModeForSettings(
        const SetupPort& port, std::chrono::milliseconds promptTimeout = std::chrono::milliseconds(-1));
    void Abort();

private:
    // Shows the refusal, if any; nothing is sent then.
    bool Refused(const std::optional<RecordRefusal>& refusal, int header);
    QString Text(int id) const;

    RecordTransfer& m_Transfer;
    cRecord& m_Record0;
    const Language& m_Language;
    SetupView& m_View;
};
