#include "meterscan.h"

#include "meterdecoding.h"
#include "searchlink.h"

#include "searchtexts.h"
#include "comm/commtexts.h"
#include "comm/deviceoperations.h"
#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"
#include "base/language.h"

#include <QRegularExpression>

#include <cmath>

namespace {

const QString kOk = QStringLiteral("Ok");
const QString kNoAnswer = QStringLiteral("--");
const QString kBadData = QStringLiteral("Bad data");

// A reply this long at least is decoded (and counted even when its header
// turns out to be short).
constexpr qsizetype kShortestMeterReply = 11;
constexpr int kMaskDigits = 8;
constexpr int kDigitsPerLevel = 10; // probes of one level of the tree, digits 0-9

quint8 HexByte(const QString& twoDigits)
{
    return static_cast<quint8>(twoDigits.toUInt(nullptr, 16));
}

} // namespace

bool KeptWhenFoundOnly(SearchMethod method, SearchIcon icon)
{
    return method == SearchMethod::Primary ? icon != SearchIcon::Neutral : icon == SearchIcon::Answered;
}

std::optional<QString> NormaliseSearchMask(const QString& text, int digits)
{
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-F]*$"));
    const QString mask = text.trimmed().toUpper();
    if (mask.size() > digits || !hexDigits.match(mask).hasMatch())
        return std::nullopt;
    if (mask.isEmpty())
        return QString(digits, u'F');
    return QString(digits - mask.size(), u'0') + mask; // fewer digits are the smaller number
}

std::optional<QByteArray> SelectionFrame(const QString& idMask, const QString& manufacturerMask,
                                         const QString& versionMask, const QString& mediumMask)
{
    const QString masks[] = {idMask, manufacturerMask, versionMask, mediumMask};
    const int digits[] = {8, 4, 2, 2};
    for (int i = 0; i < 4; ++i) {
        if (masks[i].size() != digits[i] || NormaliseSearchMask(masks[i], digits[i]) != masks[i].toUpper())
            return std::nullopt;
    }
    QByteArray data;
    for (int pair = 3; pair >= 0; --pair)
        data.append(static_cast<char>(HexByte(idMask.mid(pair * 2, 2))));
    data.append(static_cast<char>(HexByte(manufacturerMask.mid(2, 2))));
    data.append(static_cast<char>(HexByte(manufacturerMask.left(2))));
    data.append(static_cast<char>(HexByte(versionMask)));
    data.append(static_cast<char>(HexByte(mediumMask)));
    return LongFrame(mbus::kSndUd, mbus::kSelectedSlave, mbus::kCiSelectSlave, data);
}

QString SearchSummary(const Language& language, int probes, double seconds,
                      std::optional<std::chrono::milliseconds> allowance)
{
    QString summary = QString::number(probes) + u' ' + language.GetLanguageText(searchtext::kProbesIn) + u' '
        + QString::number(std::llround(seconds)) + u' ' + language.GetLanguageText(searchtext::kSeconds);
    if (allowance) {
        summary += QStringLiteral(", ") + language.GetLanguageText(searchtext::kAllowanceInSummary) + u' '
            + QString::number(allowance->count()) + QStringLiteral(" ms");
    }
    return summary;
}

MeterScan::MeterScan(SearchLink& link, DeviceOperations& operations, const Language& language, SearchRowSink& sink,
                     const SearchTiming& timing)
    : m_Link(link)
    , m_Operations(operations)
    , m_Language(language)
    , m_Sink(sink)
    , m_Timing(timing)
{
}

QString MeterScan::Text(int id) const
{
    return m_Language.GetLanguageText(id);
}

void MeterScan::Abort()
{
    m_BreakFlag = true;
    // ends the wait that runs now, so the abort needs no timeout to pass
    m_Operations.RequestCancel();
}

SearchTiming MeterScan::Timing() const
{
    SearchTiming timing = m_Timing;
    if (timing.fast && !timing.fast->serial)
        timing.fast->gatewayAllowance = m_Allowance.Applied(timing.fast->gatewayAllowance);
    return timing;
}

std::optional<std::chrono::milliseconds> MeterScan::AllowanceUsed() const
{
    const SearchTiming timing = Timing();
    if (!timing.fast)
        return std::nullopt;
    return CeilMilliseconds(timing.Allowance());
}

QByteArray MeterScan::AwaitAnswer(SearchProbe probe, const QByteArray& request)
{
    const SearchTiming timing = Timing();
    const QByteArray reply = m_Link.WaitSearchReply(timing.ReplyWait(probe), timing.GuardTime(), request,
                                                    timing.FirstByteWait(probe));
    // Only a clean answer tells the gateway's delay: a collision's bytes
    // come from a meter whose timing nobody knows.
    const bool clean = !reply.isEmpty() || IsLoneAcknowledgement(m_Link.Received());
    if (timing.fast && !timing.fast->serial && clean && m_Link.FirstArrival()) {
        const int requestCharacters = static_cast<int>(request.isEmpty() ? kShortFrameLength : request.size());
        m_Allowance.Note(GatewayDelay(m_Link.FirstArrival()->sinceSend, requestCharacters,
                                      static_cast<int>(m_Link.FirstArrival()->bytes), timing.fast->baud));
    }
    return reply;
}

bool MeterScan::Stopped()
{
    if (m_Operations.CancelRequested())
        m_BreakFlag = true; // a cancel from outside (Ctrl-C, the wizard closing) ends the search as Abort does
    return m_BreakFlag || m_ConnectionLost;
}

void MeterScan::NoteFound(int panel, int textId, int count)
{
    m_Sink.SetStatus(panel, Text(textId) + u' ' + QString::number(count));
}

void MeterScan::NoteProbeDone(int branchProbes)
{
    ++m_ProbesDone;
    m_ProbesExpected += branchProbes;
    m_Sink.SetProgress(m_ProbesDone, m_ProbesExpected);
}

bool MeterScan::NoteLostConnection(SearchResultRow& row, int resultText, int handle)
{
    if (m_Link.ConnectionOpen())
        return false;
    m_ConnectionLost = true;
    row.Text(resultText) = Text(searchtext::kConnectionLost);
    row.icon = SearchIcon::Fault;
    m_Sink.ChangeRow(handle, row);
    return true;
}

bool MeterScan::NoteAborted(SearchResultRow& row, int resultText, int handle)
{
    if (!m_Operations.CancelRequested())
        return false;
    // the wait was cut short: its silence says nothing about the meters
    m_BreakFlag = true;
    row.Text(resultText) = Text(searchtext::kAborted);
    m_Sink.ChangeRow(handle, row);
    return true;
}

void MeterScan::RunPrimary(const PrimaryScanSettings& settings)
{
    m_Counters = {};
    m_Link.SearchFrameDelay = m_Timing.QuietTime(SearchProbe::SndNke, false);
    m_ProbesDone = 0;
    m_ProbesExpected = std::max(settings.last - settings.first + 1, 0);
    m_Sink.SetProgress(0, m_ProbesExpected);
    for (int address = settings.first; address <= settings.last && !Stopped(); ++address) {
        m_Sink.SetStatus(2, Text(searchtext::kProbing) + u' ' + QString::number(address));
        SearchResultRow row;
        row.Text(rowtext::kProbed) = QString::number(address);
        const int handle = m_Sink.AddRow(row);
        ProbePrimary(address, settings, row, handle);
        m_Sink.RowFinished(handle, row);
        if (settings.viewFoundOnly && !KeptWhenFoundOnly(SearchMethod::Primary, row.icon))
            m_Sink.RemoveRow(handle);
        ++m_Counters.numberOfScans;
    }
    if (m_BreakFlag)
        m_Sink.SetProgress(0, m_ProbesExpected);
}

void MeterScan::ProbePrimary(int address, const PrimaryScanSettings& settings, SearchResultRow& row, int handle)
{
    const auto target = static_cast<quint8>(address);
    bool go = true;
    if (settings.sndNke) {
        const QByteArray reset = ShortFrame(mbus::kSndNke, target);
        m_Link.SendSearchFrame(reset);
        AwaitAnswer(SearchProbe::SndNke, reset);
        m_Link.SearchFrameDelay = m_Timing.QuietTime(SearchProbe::SndNke, false);
        if (NoteLostConnection(row, rowtext::kSelection, handle) || NoteAborted(row, rowtext::kSelection, handle))
            return;
        const QByteArray& received = m_Link.Received();
        if (received.isEmpty()) {
            row.Text(rowtext::kSelection) = kNoAnswer;
            go = false;
        } else if (IsLoneAcknowledgement(received)) {
            row.Text(rowtext::kSelection) = kOk;
            row.icon = SearchIcon::Answered;
            ++m_Counters.sndNkeFound;
        } else {
            // several meters at once, or garbled: the next frame waits for the line to calm down
            row.Text(rowtext::kSelection) = Text(searchtext::kCollision);
            row.icon = SearchIcon::Fault;
            go = false;
            m_Link.SearchFrameDelay = m_Timing.QuietTime(SearchProbe::SndNke, true);
        }
        NoteFound(3, searchtext::kAcknowledged, m_Counters.sndNkeFound);
        m_Sink.ChangeRow(handle, row);
    }
    NoteProbeDone();
    if (!settings.reqUd2 || !go || Stopped())
        return;
    // a meter answers with its own address: a frame from another is no answer to this probe
    const QByteArray read = ShortFrame(mbus::kReqUd2, target);
    m_Link.SendSearchFrame(read);
    const QByteArray reply = AwaitAnswer(SearchProbe::ReqUd2, read);
    if (NoteLostConnection(row, rowtext::kReadout, handle)
        || (reply.size() < kShortestMeterReply && NoteAborted(row, rowtext::kReadout, handle)))
        return;
    if (reply.size() >= kShortestMeterReply) {
        ExtractMeterData(reply, row); // a header cut short leaves the decoded columns empty
        row.reply = reply;
        ++m_Counters.rspUd2Found;
        NoteFound(4, searchtext::kRead, m_Counters.rspUd2Found);
        row.Text(rowtext::kReadout) = kOk;
        row.icon = SearchIcon::Answered;
    } else {
        const MissingReply missing = JudgeMissingReply(m_Link.Received());
        row.Text(rowtext::kReadout) = ReadoutFailure(missing, Text(searchtext::kCollision));
        // silence without a SND_NKE first: nobody is there; after an acknowledgement the meter is at fault
        const bool nobody = missing.kind == MissingReply::Kind::Silence && !settings.sndNke;
        row.icon = nobody ? SearchIcon::Neutral : SearchIcon::Fault;
    }
    m_Sink.ChangeRow(handle, row);
}

void MeterScan::RunSecondary(const SecondaryScanSettings& settings)
{
    m_Counters = {};
    m_Link.SearchFrameDelay = m_Timing.QuietTime(SearchProbe::Selection, false);
    const QString mask = settings.idMask.toUpper();
    if (!SelectionFrame(mask, settings.manufacturerMask, settings.versionMask, settings.mediumMask))
        return; // the caller refuses such masks before the search starts
    const qsizetype firstWildcard = mask.indexOf(u'F');
    const int start = firstWildcard < 0 ? kMaskDigits : static_cast<int>(firstWildcard);
    m_ProbesDone = 0;
    m_ProbesExpected = start < kMaskDigits ? kDigitsPerLevel : 1;
    m_Sink.SetProgress(0, m_ProbesExpected);
    if (start < kMaskDigits) {
        ScanTree(mask, start, settings);
    } else if (!Stopped()) {
        // a complete address: one probe, one row
        bool descend = false;
        int handle = -1;
        SearchResultRow row;
        ProbeMask(mask, settings, descend, handle, row);
        NoteProbeDone();
        if (settings.viewFoundOnly && !KeptWhenFoundOnly(SearchMethod::Secondary, row.icon))
            m_Sink.RemoveRow(handle);
        ++m_Counters.numberOfScans;
    }
    m_Sink.SetProgress(m_BreakFlag ? 0 : m_ProbesExpected, m_ProbesExpected);
}

void MeterScan::ScanTree(QString mask, int maskPointer, const SecondaryScanSettings& settings)
{
    for (int digit = 0; digit <= 9 && !Stopped(); ++digit) {
        mask[maskPointer] = QChar(u'0' + digit);
        bool descend = false;
        int handle = -1;
        SearchResultRow row;
        ProbeMask(mask, settings, descend, handle, row);
        const bool deeper = descend && maskPointer + 1 < kMaskDigits;
        NoteProbeDone(deeper ? kDigitsPerLevel : 0);
        if (descend) {
            m_Link.SearchFrameDelay = m_Timing.QuietTime(SearchProbe::Selection, true);
            if (deeper)
                ScanTree(mask, maskPointer + 1, settings); // the deeper level digs in its own copy
        }
        m_Link.SearchFrameDelay = m_Timing.QuietTime(SearchProbe::Selection, false);
        if (settings.viewFoundOnly && !KeptWhenFoundOnly(SearchMethod::Secondary, row.icon))
            m_Sink.RemoveRow(handle);
        ++m_Counters.numberOfScans;
    }
}

void MeterScan::ProbeMask(const QString& mask, const SecondaryScanSettings& settings, bool& descend, int& handle,
                          SearchResultRow& row)
{
    m_Sink.SetStatus(2, Text(searchtext::kProbing) + u' ' + mask);
    row.Text(rowtext::kProbed) = mask;
    handle = m_Sink.AddRow(row);
    // a selection is answered with E5h only: a long frame is a late answer to an earlier read
    const QByteArray selection =
        *SelectionFrame(mask, settings.manufacturerMask, settings.versionMask, settings.mediumMask);
    m_Link.SendSearchFrame(selection);
    AwaitAnswer(SearchProbe::Selection, selection);
    if (NoteLostConnection(row, rowtext::kSelection, handle) || NoteAborted(row, rowtext::kSelection, handle)) {
        m_Sink.RowFinished(handle, row);
        return;
    }
    const QByteArray received = m_Link.Received();
    const bool wildcard = mask.contains(u'F');
    descend = false;
    if (received.isEmpty()) {
        row.Text(rowtext::kSelection) = kNoAnswer;
    } else if (IsLoneAcknowledgement(received) && !wildcard) {
        row.Text(rowtext::kSelection) = kOk;
        row.icon = SearchIcon::Answered;
        ++m_Counters.sndNkeFound;
        NoteFound(3, searchtext::kSelected, m_Counters.sndNkeFound);
        m_Sink.ChangeRow(handle, row);
        if (settings.readMeters && !Stopped())
            ReadSelectedMeter(row, handle);
    } else if (wildcard) {
        // one clean acknowledgement may still hide further meters behind the wildcard
        descend = true;
        const bool lone = IsLoneAcknowledgement(received);
        row.Text(rowtext::kSelection) = Text(searchtext::kCollision) + (lone ? QStringLiteral("?") : QString());
        row.icon = lone ? SearchIcon::Uncertain : SearchIcon::Fault;
    } else {
        row.Text(rowtext::kSelection) = kBadData;
    }
    m_Sink.ChangeRow(handle, row);
    m_Sink.RowFinished(handle, row);
}

void MeterScan::ReadSelectedMeter(SearchResultRow& row, int handle)
{
    m_Link.SendSearchFrame(ShortFrame(mbus::kReqUd2, mbus::kSelectedSlave));
    const QByteArray reply = AwaitAnswer(SearchProbe::ReqUd2, {});
    if (NoteLostConnection(row, rowtext::kReadout, handle)
        || (reply.size() < kShortestMeterReply && NoteAborted(row, rowtext::kReadout, handle)))
        return;
    if (reply.size() >= kShortestMeterReply) {
        ExtractMeterData(reply, row);
        row.reply = reply;
        ++m_Counters.rspUd2Found;
        NoteFound(4, searchtext::kRead, m_Counters.rspUd2Found);
        row.Text(rowtext::kReadout) = kOk;
        row.icon = SearchIcon::Answered;
    } else {
        row.Text(rowtext::kReadout) = ReadoutFailure(JudgeMissingReply(m_Link.Received()), kBadData);
        row.icon = SearchIcon::Fault;
        // Every meter reached through 253 answers with its own primary
        // address, so a late answer could pass for the next meter's: it is
        // listened for now, before the next selection goes out. The fast
        // search's wait has already outlasted the latest answer the bus
        // allows.
        if (reply.isEmpty() && !Stopped() && !m_Timing.fast)
            m_Link.DrainLateReply(m_Timing.ReplyWait(SearchProbe::ReqUd2));
    }
}

QString MeterScan::ReadoutFailure(const MissingReply& missing, const QString& garbled) const
{
    switch (missing.kind) {
    case MissingReply::Kind::Incomplete:
        return Text(commtext::kIncompleteReply).arg(missing.received).arg(missing.expected);
    case MissingReply::Kind::Garbled:
        return garbled;
    case MissingReply::Kind::Silence:
        break;
    }
    return kNoAnswer;
}
