#pragma once

#include "meterscan.h"
#include "searchstart.h"
#include "searchtiming.h"

#include "base/settingkeys.h"

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

class Connection;
class DeviceOperations;
class IniFile;
class Language;
class Link;
class TrafficLog;
struct DeviceRecords;

// A search is set up in two steps wherever it is started (the search
// window, the command-line scans, the benches): PlanSearch learns the line
// and reads the waits from the INI file into a plan, RunSearch scans the
// bus as the plan says and hands every row to a sink. The callers only
// gather what is asked and show what comes out.

// What a search is asked to do, as the window's controls or a command's
// options give it.
struct SearchRequest {
    SearchMethod method = SearchMethod::Primary;
    PrimaryScanSettings primary;
    SecondaryScanSettings secondary; // the masks as NormaliseSearchMask gives them
    // The waits follow the bus's own timing at the line speed.
    bool fast = false;
    // The INI file's timeout set.
    ini::SearchGateway gatewayType = ini::SearchGateway::Aspen;
    // The M-Bus line speed when it is known beforehand: the line is then not learnt.
    QString lineSpeed;
    // Timeouts given instead of the INI file's. With both given, a search
    // over the network that is not fast learns no line: its speed would only
    // choose timeouts that are already there.
    std::optional<std::chrono::milliseconds> sndNkeTimeout;
    std::optional<std::chrono::milliseconds> reqUd2Timeout;
    // The timeout option (0-2) whose timeouts count when the line's speed is
    // unknown and the user was asked to choose.
    int timeoutOption = 0;
    // The speed a fast search assumes when the line's is unknown; empty: such
    // a search cannot be planned (SearchPlan::FastWithoutSpeed).
    QString assumedSpeed;
    std::chrono::milliseconds busDelay{50};
};

// A search ready to run: what it scans, on which line, with which waits.
struct SearchPlan {
    SearchMethod method = SearchMethod::Primary;
    PrimaryScanSettings primary;
    SecondaryScanSettings secondary;
    bool fast = false;
    SearchLine line;
    SearchTiming timing;

    // The fast search was asked for, but no line speed is known to time it by.
    bool FastWithoutSpeed() const { return fast && !timing.fast; }
    bool Runnable() const { return !line.refused && !FastWithoutSpeed(); }
};

// Learns the line (see DetermineSearchLine, which asks the questions) unless
// the request gives it, then takes the timeouts of the INI file's set at the
// line speed, or of the chosen timeout option when the user was asked, the
// given ones before either, and the collision delays of the INI file.
SearchPlan PlanSearch(const SearchRequest& request, const SearchLineSource& source, RememberedHost& remembered,
                      SearchStartQuestions& questions, const Language& language, const IniFile& ini);

// The timeouts of a timeout option (0-2) the user chose: the INI file's at
// its speed. A fast search is timed by that speed too.
void UseTimeoutOption(SearchTiming& timing, const IniFile& ini, int option, ini::SearchGateway type);

// How record 0 is read to learn the line speed of a gateway on the network.
struct LineRecordRead {
    QString address;           // the gateway
    quint16 configPort = 0;    // its configuration port
    QString adapterIP;         // the adapter writes leave from; empty for any
    DeviceRecords* records = nullptr; // keeps the record read
    // Where the transfer's socket warnings go; nowhere when not set.
    std::function<void(const QString& text)> warn;
};

// Record 0's line settings with the INI file's UDP timeout; nothing when the
// read failed.
std::optional<ChannelSettings> ReadLineRecord(Connection& connection, const Language& language, const IniFile& ini,
                                              const LineRecordRead& read);

// What a search runs over.
struct SearchParts {
    Connection& connection;
    Link& link;
    TrafficLog& log;
    DeviceOperations& operations;
    const Language& language;
};

// What a search that ran did.
struct SearchOutcome {
    SearchCounters counters;
    bool aborted = false;        // Abort or a cancel ended it
    bool connectionLost = false; // the gateway connection closed under it
    std::chrono::nanoseconds elapsed{0}; // the scan alone
    // The waiting its frames had to do (SearchLink::RequiredWaiting).
    std::chrono::nanoseconds requiredWaiting{0};
    // The fast search's allowance at its end (MeterScan::AllowanceUsed).
    std::optional<std::chrono::milliseconds> allowance;

    // Cut short: its rows are not the whole bus.
    bool Partial() const { return aborted || connectionLost; }
    double Seconds() const { return static_cast<double>(elapsed.count()) / 1e9; }
};

// Scans the bus as the plan says; nothing is sent for a plan that is not
// runnable. The plan's timing is read at every wait, so a timeout option
// chosen while the search runs counts from the next frame on.
SearchOutcome RunSearch(const SearchPlan& plan, const SearchParts& parts, SearchRowSink& sink);
