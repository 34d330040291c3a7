#pragma once

#include "recordedit.h"

#include <QList>
#include <QString>
#include <chrono>
#include <optional>

class RecordTransfer;
struct DeviceRecords;

// The first channel's settings of record 0, as the settings page shows them.
struct ChannelSettings {
    bool udp = true;
    int lineSpeed = -1; // list index, 0 = 300 ... 5 = 9600 baud
    QString port;
    QString password;
};

// Reads record 0 and puts the factory contents back around the gateway's own
// network and first-channel settings, which is what every later write of
// record 0 sends. Nothing when the read failed.
std::optional<ChannelSettings> ReadNetworkSettings(RecordTransfer& transfer, DeviceRecords& records, int method,
    const QString& address, std::chrono::milliseconds timeout);

struct SettingsWriteResult {
    enum class Status { Written, Failed, Refused };
    Status status = Status::Failed;
    std::optional<RecordRefusal> refusal; // for Refused: the field the record would not take
    bool securityWritten = false; // record 1, when the changes asked for it
};

// Changes record 0 and writes it; after that, when the changes name a
// security switch, writes the factory security record with the switches
// set. A refused change writes nothing.
SettingsWriteResult WriteNetworkSettings(RecordTransfer& transfer, DeviceRecords& records, const RecordChanges& changes,
    int method, const QString& address, std::chrono::milliseconds timeout);

// The language texts that report the write, in order.
QList<int> SettingsWriteTexts(const RecordChanges& changes, const SettingsWriteResult& result);
namespace writetext {
constexpr int kSecurityAsWell = 195;
constexpr int kWizardLockedOut = 196;
constexpr int kWritten = 197;
constexpr int kBackToTasks = 198;
constexpr int kNotWritten = 199;
} // namespace writetext
