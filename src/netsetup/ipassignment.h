#pragma once

#include "configsocket.h"

#include <QList>
#include <QString>
#include <chrono>

struct AddressField;
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

    Outcome SetIpByUdp(
        const QString& mac, const QString& ip, const QString& gateway, const QString& mask, const IpTimings& timings);
    Outcome SetIpBySerial(const SetupPort& port, const QString& ip, const QString& gateway, const QString& mask,
        const IpTimings& timings, std::chrono::milliseconds promptTimeout = std::chrono::milliseconds(-1));
    // Opens the port and calls the gateway until it shows its prompt; the
    // port stays open in setup mode. promptTimeout < 0 waits until Abort.
    bool EnterSerialSetupMode(
        const SetupPort& port, std::chrono::milliseconds promptTimeout = std::chrono::milliseconds(-1));
    // Task 3 by cable: the setup mode for the settings pages that follow.
    bool EnterSetupModeForSettings(
        const SetupPort& port, std::chrono::milliseconds promptTimeout = std::chrono::milliseconds(-1));
    void Abort();

private:
    // Shows the first field that is not an address; nothing is sent then.
    bool Refused(const QList<AddressField>& typed, int header);
    QString Text(int id) const;

    RecordTransfer& m_Transfer;
    cRecord& m_Record0;
    const Language& m_Language;
    SetupView& m_View;
};
