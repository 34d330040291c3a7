#pragma once

#include "recordedit.h"

#include <QList>
#include <QString>
#include <chrono>
#include <optional>

class RecordTransfer;
class Settings;
enum class TransferMode;
struct DeviceRecords;

// The first channel's settings of record 0, as the settings page shows them.
struct ChannelSettings {
    bool udp = true;
    int lineSpeed = -1; // list index, 0 = 300 ... 5 = 9600 baud
    QString port;
    QString password;
};

// The way to the gateway's records that the connection page chose: over the
// network to its address, or over the serial port in setup mode.
TransferMode ChosenTransferMode(const Settings& settings);

// Reads record 0 and puts the factory contents back around the gateway's own
// network and first-channel settings, which is what every later write of
// record 0 sends. Nothing when the read failed.
std::optional<ChannelSettings> ReadNetworkSettings(
    RecordTransfer& transfer, DeviceRecords& records, TransferMode method,
    const QString& address, std::chrono::milliseconds timeout);

struct SettingsWriteResult {
    // Unawaited: sent, then cancelled before the gateway could confirm it.
    enum class Status { Written, Failed, Refused, Unawaited };
    // Record 1, when the changes name a security switch.
    enum class Security {
        NotAsked,
        Written,
        LockedOut, // wizard access switched off over the network: the gateway no longer answers the check
        NotConfirmed,
        Unawaited,
    };
    Status status = Status::Failed; // record 0
    std::optional<RecordRefusal> refusal; // for Refused: the field the record would not take
    Security security = Security::NotAsked;

    // Every record asked for is on the gateway, as far as it can tell.
    bool Complete() const
    {
        return status == Status::Written && security != Security::NotConfirmed && security != Security::Unawaited;
    }
};

// Changes record 0 and writes it, and with it, when the changes name a
// security switch, the factory security record with the switches set. A
// refused change writes nothing; record 1 goes only after record 0 was
// taken.
SettingsWriteResult WriteNetworkSettings(RecordTransfer& transfer, DeviceRecords& records, const RecordChanges& changes,
    TransferMode method, const QString& address, std::chrono::milliseconds timeout);

// The language texts that report the write, in order.
QList<int> SettingsWriteTexts(const RecordChanges& changes, const SettingsWriteResult& result);
