#pragma once

#include "gatewayallowance.h"
#include "searchresultrow.h"
#include "searchtiming.h"

#include "comm/mbusframe.h"

#include <QByteArray>
#include <QString>
#include <optional>

class DeviceOperations;
class Language;
class SearchLink;

// Where a scan's rows and progress go: the search window's list, status bar
// and progress bar, or the command-line tool's output.
class SearchRowSink {
public:
    virtual ~SearchRowSink() = default;

    // A new row at the end of the list; returns the handle the other calls name it by.
    virtual int AddRow(const SearchResultRow& row) = 0;
    virtual void ChangeRow(int handle, const SearchResultRow& row) = 0;
    // The row's probe is over: its texts and icon stay as they are now.
    virtual void RowFinished(int handle, const SearchResultRow& row) = 0;
    // Taken out of the list (view found devices only).
    virtual void RemoveRow(int handle) = 0;

    // Probes done against the probes the scan expects in all now; the tree
    // scan expects more as branches open. Done 0 starts the count again.
    virtual void SetProgress(int done, int estimate) = 0;
    // Status panels: 2 what is probed, 3 the acknowledgements, 4 the meters read.
    virtual void SetStatus(int panel, const QString& text) = 0;
};

enum class SearchMethod { Primary = 0, Secondary = 1 };

// Whether a finished row stays while only found devices are shown: the
// primary scan keeps every row with an answer, collisions included; the
// secondary scan keeps the meters it selected.
bool KeptWhenFoundOnly(SearchMethod method, SearchIcon icon);

struct PrimaryScanSettings {
    int first = 0;
    int last = 250;
    bool sndNke = true;
    bool reqUd2 = true;
    bool viewFoundOnly = false;
};

struct SecondaryScanSettings {
    QString idMask = QStringLiteral("FFFFFFFF"); // 8 hex digits, F the wildcard
    QString manufacturerMask = QStringLiteral("FFFF");
    QString versionMask = QStringLiteral("FF");
    QString mediumMask = QStringLiteral("FF");
    bool readMeters = false; // REQ_UD2 to every meter selected
    bool viewFoundOnly = false;
};

// What a finished search counted.
struct SearchCounters {
    int sndNkeFound = 0; // SND_NKE or selections acknowledged with E5h
    int rspUd2Found = 0; // REQ_UD2 replies decoded
    int numberOfScans = 0; // probes, one per row
};

// One search over the bus: the primary address scan or the secondary
// address tree scan. Each frame is sent once; a collision is resolved only
// by descending the tree, never by asking again. A cancel of the device
// operation ends the search like Abort.
class MeterScan {
public:
    MeterScan(SearchLink& link, DeviceOperations& operations, const Language& language, SearchRowSink& sink,
              const SearchTiming& timing);

    void RunPrimary(const PrimaryScanSettings& settings);
    void RunSecondary(const SecondaryScanSettings& settings);

    // Stops the search after the wait that runs now; no further frame goes out.
    void Abort();
    bool BreakFlag() const { return m_BreakFlag; }
    // The gateway connection closed under the search, which then ended.
    bool ConnectionLost() const { return m_ConnectionLost; }
    const SearchCounters& Counters() const { return m_Counters; }
    // The fast search's allowance as the last wait had it (the serial
    // driver's latency, or the gateway allowance the answers taught);
    // nothing in the documented search.
    std::optional<std::chrono::milliseconds> AllowanceUsed() const;

private:
    // The timing with the allowance learnt so far.
    SearchTiming Timing() const;
    // Sends nothing; waits for the answer to the request just sent and
    // learns the gateway's delay from it.
    QByteArray AwaitAnswer(SearchProbe probe, const QByteArray& request);
    bool Stopped();
    void ProbePrimary(int address, const PrimaryScanSettings& settings, SearchResultRow& row, int handle);
    void ScanTree(QString mask, int maskPointer, const SecondaryScanSettings& settings);
    void ProbeMask(const QString& mask, const SecondaryScanSettings& settings, bool& descend, int& handle,
                   SearchResultRow& row);
    void ReadSelectedMeter(SearchResultRow& row, int handle);
    void NoteFound(int panel, int textId, int count);
    // One probe more is done; a branch opened by it adds its probes to those expected.
    void NoteProbeDone(int branchProbes = 0);
    bool NoteLostConnection(SearchResultRow& row, int text, int handle);
    // A cancel ended the probe's wait: the row says so and the search stops.
    bool NoteAborted(SearchResultRow& row, int text, int handle);
    QString Text(int id) const;
    // Text 4 of a row whose REQ_UD2 got no usable reply: "--" for silence,
    // the byte count of a cut-off frame, or the given text for garble.
    QString ReadoutFailure(const MissingReply& missing, const QString& garbled) const;

    SearchLink& m_Link;
    DeviceOperations& m_Operations;
    const Language& m_Language;
    SearchRowSink& m_Sink;
    const SearchTiming& m_Timing;
    SearchCounters m_Counters;
    bool m_BreakFlag = false;
    bool m_ConnectionLost = false;
    int m_ProbesDone = 0;
    int m_ProbesExpected = 0;
    GatewayAllowance m_Allowance;
};

// A mask as the scan sends it: blanks around it dropped, upper case; an
// empty mask matches anything (all F), a shorter one is the number its
// digits give (filled with 0 on the left). Nothing when it is longer than
// its digits or holds a character that is no hex digit.
std::optional<QString> NormaliseSearchMask(const QString& text, int digits);

// The selection frame for the masks (SND_UD, CI 52h, to address 253): the
// identification and the manufacturer least significant byte first, F
// nibbles as they are. Nothing unless the masks are 8, 4, 2 and 2 hex digits.
std::optional<QByteArray> SelectionFrame(const QString& idMask, const QString& manufacturerMask,
                                         const QString& versionMask, const QString& mediumMask);

// The summary of a finished search: probes, text 823, whole seconds, text
// 824, and for the fast search the allowance it used.
QString SearchSummary(const Language& language, int probes, double seconds,
                      std::optional<std::chrono::milliseconds> allowance = std::nullopt);
