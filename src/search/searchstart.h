#pragma once

#include "netsetup/networksettings.h"

#include <QString>
#include <functional>
#include <optional>

class Connection;
class Language;

// The gateway host of the last search and whether the user accepted timeouts
// of their own for it; kept for the whole run.
struct RememberedHost {
    QString host;
    bool accepted = false;
};

// The line a search runs on, as learnt at its start.
struct SearchLine {
    QString speed;              // the M-Bus line speed ("2400"); empty when not learnt
    QString portsettings;       // the connection, for the status bar and the saved files
    bool manualTimeouts = false; // the speed is unknown: the user's choice of timeout option counts
    bool refused = false;       // the search must not run
};

// The two questions a search may ask before it starts; true goes on with
// timeouts the user chooses.
class SearchStartQuestions {
public:
    virtual ~SearchStartQuestions() = default;
    // A Birch gateway, whose line speed cannot be read.
    virtual bool AskBirchGateway() = 0;
    // The gateway's configuration record could not be read.
    virtual bool AskUnreadableRecord() = 0;
};

// Where the start of a search learns the line from.
struct SearchLineSource {
    const Connection& connection; // just reopened for the search
    QString selectedDeviceIP;     // the device last chosen in the LAN list
    qint16 selectedDeviceType = 0;
    QString typedAddress;         // the gateway address on the connection page
    // Reads record 0 over UDP; nothing when that fails.
    std::function<std::optional<ChannelSettings>()> readRecord;
};

// Serial: the port's own speed. Network: the record's line speed, unless the
// gateway is a Birch, or the record cannot be read, in which case the user
// is asked whether to search with timeouts of their own (an answer given
// for a host is remembered for it).
SearchLine DetermineSearchLine(const SearchLineSource& source, RememberedHost& remembered,
                               SearchStartQuestions& questions, const Language& language);

// The texts of the two questions.
QString BirchGatewayQuestionText(const Language& language);
QString UnreadableRecordQuestionText(const Language& language, const QString& typedAddress);

// The speed of a line speed list index (0 = "300" ... 5 = "9600"); empty for others.
QString LineSpeedOfIndex(int index);

// "UDP: host:port", "TCP: host:port" or "Serial: COMn (2400,E,8,1)" for the
// open connection.
QString ConnectionPortsettings(const Connection& connection);
