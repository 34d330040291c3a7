#pragma once

#include "datarecords.h"
#include "comm/mbusframe.h"
#include "comm/replyoutcome.h"
#include "slaveidentification.h"

#include <QByteArray>
#include <QString>
#include <optional>

class DeviceOperations;
class FcbState;
class Language;
class Link;

// Where the feature operations report: the feature page's information box
// and its busy state in the wizard, standard output in the command-line tool.
class FeatureView {
public:
    virtual ~FeatureView() = default;
    virtual void SetInfo(const QString& text) = 0;
    virtual void AppendInfo(const QString& text) = 0;
    // The window, Apply and Back are unusable while an operation runs.
    virtual void SetBusy(bool busy) = 0;
};

// What an identification read brought.
struct IdentificationRead {
    bool prepared = false; // the initialise or reset asked for first was acknowledged
    QByteArray reply;      // empty when the meter did not answer (or only acknowledged)
    SlaveIdentification identification;
    std::optional<BusValues> busValues; // a Birch V2 gateway's, in the diagnostics read
    std::optional<DataRecords> records;  // a variable-structure reply's, in the identify read

    bool Answered() const { return reply.size() >= 2; }
};

// The identify read of a reply already heard (a search's REQ_UD2): its
// identification, and the records of a variable-structure reply that decodes.
IdentificationRead IdentifiedReply(const QByteArray& reply);

// What became of a change of primary address or bus speed.
enum class ChangeOutcome {
    NotSent,         // no speed chosen, the initialise unanswered, or cancelled before the frame
    Acknowledged,    // the single E5h
    NotAcknowledged, // anything else, or nothing
    Unawaited,       // sent, then cancelled before the answer could come: the meter may have changed
    SentToAll,       // sent to 255: every meter takes it and none answers
    Collision,       // sent to 254 and answered by more than one meter: every one may have changed
};

// A meter's secondary address as hex texts: the identification (8 digits),
// the manufacturer (4), version and medium (2 each). An F digit, or a part
// left empty, matches anything.
struct SecondaryAddress {
    QString id;
    QString manufacturer;
    QString version;
    QString medium;

    // The four parts padded with F, joined by dots: 12345678.4D2D.01.07.
    QString Text() const;
};

// What a read of a changed meter at its new address or speed heard.
enum class ReadBack {
    NotRun,   // nothing read: the change was not acknowledged, or the operation was cancelled
    Answered, // the changed meter answered there
    Silent,   // nobody answered
    Other,    // another meter answered, or several at once
};

// What became of a change of primary address through the secondary address.
struct AddressMove {
    bool selected = false; // the meter took its selection
    ChangeOutcome change = ChangeOutcome::NotSent;
    ReadBack readBack = ReadBack::NotRun;
};

// The outcome of a change from what happened to its frame: whether it went
// out, whether the operation was cancelled afterwards, the accepted reply
// and what the wait heard when none was accepted.
ChangeOutcome JudgeChange(quint8 address, bool sent, bool cancelled, const QByteArray& reply,
                          const MissingReply& heard);

// The M-Bus operations on one slave behind the gateway. Each builds one
// frame, sends it, waits for the reply and reports the outcome as lines of
// the information box; each runs as one device operation and keeps the
// window busy while it does. Nothing is thrown: a missing reply ends the
// operation with its failure text.
class FeatureProtocol {
public:
    // What ReadSlaveIdentification shows of the reply.
    enum class ReadMode { Identify = 1, Diagnostics = 4 };
    // What ChangeSlaveSetting changes.
    enum class SettingChange { Address = 2, Speed = 3 };
    static constexpr int kNoSpeed = -1;

    FeatureProtocol(Link& link, DeviceOperations& operations, const Language& language, FcbState& fcb,
                    FeatureView& view);

    // The application reset's subcode as the list index offers it: 0 sends
    // none, i from 1 to 16 sends (i - 1) * 16.
    void SetAppResetChoice(int listIndex) { m_AppResetChoice = listIndex; }

    bool InitialiseSlave(quint8 address);
    bool ResetSlaveApplication(quint8 address, bool initialisedBefore);
    // The four parts as hex text; short ones are padded with F (any digit).
    bool SelectSlaveBySecondaryAddress(const QString& id, const QString& manufacturer, const QString& version,
                                       const QString& medium);
    IdentificationRead ReadSlaveIdentification(ReadMode mode, quint8 address, bool alwaysInit, bool alwaysApp);
    // A change sent to 255 is not waited for: no meter answers it.
    ChangeOutcome ChangeSlaveSetting(SettingChange mode, quint8 address, int newAddress, int speedIndex,
                                     bool alwaysInit);

    // Reads the meter at the address with REQ_UD2 after a change and says
    // whether the changed meter answers there: with `expected`, the reply's
    // identification must match that secondary address, without it the
    // reply must come from the address itself.
    ReadBack ReadBackSlave(quint8 address, const std::optional<SecondaryAddress>& expected);

    // Gives the meter of this secondary address a new primary address
    // (0-250): selects it (its whole identification, a single E5h), sends
    // the new address to 253 and reads it back at the new address. A step
    // that fails, or a cancel, ends it: nothing more is sent.
    AddressMove ChangeAddressBySecondary(const SecondaryAddress& meter, int newAddress);

    // Appends the bytes, 16 to a line, each as two hex digits and a blank.
    void AppendHexDump(const QByteArray& bytes);

    // Keeps the view busy from its construction to its end, across every
    // operation run meanwhile (a selection and the operation after it).
    class Busy {
    public:
        explicit Busy(FeatureProtocol& protocol);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        FeatureProtocol& m_Protocol;
    };

private:
    // What one request met: whether it went out, and how its wait ended.
    struct Exchange {
        bool sent = false;
        ReplyOutcome heard; // NotRun when nothing went out or no answer was awaited
        QByteArray Reply() const { return heard.kind == ReplyOutcome::Kind::Reply ? heard.bytes : QByteArray(); }
        // What the wait heard instead of a reply: silence unless it heard something.
        MissingReply Missing() const { return heard.Missed() ? JudgeMissingReply(heard.bytes) : MissingReply{}; }
    };

    QString Text(int id) const;
    // The change's frame to the address and the judgement of its answer,
    // after whatever was to come first.
    ChangeOutcome SendChange(SettingChange mode, quint8 address, int newAddress, int speedIndex);
    // Why the request got no reply: a cut-off frame, a collision, or (the
    // given text) nothing at all.
    QString MissingReplyText(const Exchange& exchange, int silenceText) const;
    // Sends the frame once an earlier read's late answer is out of the way,
    // and waits for its reply unless told not to (nobody answers 255).
    Exchange Request(const QByteArray& frame, bool awaitReply = true);
    void ShowIdentification(const IdentificationRead& read);
    void ShowRecords(const DataRecords& records);
    void ShowDiagnostics(const IdentificationRead& read);

    Link& m_Link;
    DeviceOperations& m_Operations;
    const Language& m_Language;
    FcbState& m_Fcb;
    FeatureView& m_View;
    int m_AppResetChoice = 0;
    int m_BusyDepth = 0;
};

// Keeps the digits 0-9, turns F, f and * into F (any digit), drops the
// rest, and pads with F on the left to the width (keeping the last `width`
// characters).
QString NormaliseSecondaryId(const QString& text, int width);

// The 8 data bytes of a selection by secondary address: the parts padded
// with F on the left (identification 8 digits, manufacturer 4, version and
// medium 2), identification and manufacturer least significant byte first.
// Nothing when a part holds something other than hex digits.
std::optional<QByteArray> SecondaryAddressBytes(const QString& id, const QString& manufacturer,
                                                const QString& version, const QString& medium);

// Whether the identification decoded from a reply is the secondary address's
// (its F digits and empty parts match anything).
bool MatchesSecondaryAddress(const SlaveIdentification& identification, const SecondaryAddress& address);

// The last `width` characters of `width` times `fill` followed by the text.
QString PadLeft(const QString& text, int width, QChar fill);
