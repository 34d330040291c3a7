#include "networksettings.h"

#include "netsetuptexts.h"
#include "record.h"
#include "recordtransfer.h"
#include "base/settings.h"

TransferMode ChosenTransferMode(const Settings& settings)
{
    return settings.ReadInt(keys::Option_EnterIPAddress) == 0 ? TransferMode::Network : TransferMode::Serial;
}

std::optional<ChannelSettings> ReadNetworkSettings(
    RecordTransfer& transfer, DeviceRecords& records, TransferMode method,
    const QString& address, std::chrono::milliseconds timeout)
{
    cRecord& record0 = records.m_Record[0];
    if (!transfer.Read_Record(record0, method, address, timeout))
        return std::nullopt;
    record0.RestoreRecordToDefault(true);
    ChannelSettings settings;
    settings.udp = record0.Get_IsUsingUDP();
    settings.lineSpeed = record0.Get_LineSpeed();
    settings.port = record0.Get_IPPort();
    settings.password = record0.Get_TelnetPassword();
    return settings;
}

SettingsWriteResult WriteNetworkSettings(RecordTransfer& transfer, DeviceRecords& records, const RecordChanges& changes,
    TransferMode method, const QString& address, std::chrono::milliseconds timeout)
{
    SettingsWriteResult result;
    cRecord& record0 = records.m_Record[0];
    cRecord& record1 = records.m_Record[1];
    cRecord security = record1;
    const bool securityAsked = changes.ChangesSecurityRecord();
    if (securityAsked) {
        security.RestoreRecordToDefault(false);
        result.refusal = ApplySecurityChanges(security, changes);
    }
    if (!result.refusal)
        result.refusal = ApplyNetworkChanges(record0, changes);
    if (result.refusal) {
        result.status = SettingsWriteResult::Status::Refused;
        return result;
    }
    QList<const cRecord*> toWrite {&record0};
    if (securityAsked) {
        record1 = security;
        toWrite << &record1;
    }
    const QList<bool> written = transfer.Write_Records(toWrite, method, address, timeout);
    if (!written.front()) {
        if (transfer.CancelledAfterSending())
            result.status = SettingsWriteResult::Status::Unawaited;
        return result;
    }
    result.status = SettingsWriteResult::Status::Written;
    if (!securityAsked)
        return result;
    using Security = SettingsWriteResult::Security;
    if (written[1])
        result.security = Security::Written;
    else if (transfer.CancelledAfterSending())
        result.security = Security::Unawaited;
    else if (method == TransferMode::Network && !changes.allowConfig.value_or(true))
        result.security = Security::LockedOut;
    else
        result.security = Security::NotConfirmed;
    return result;
}

QList<int> SettingsWriteTexts(const RecordChanges& changes, const SettingsWriteResult& result)
{
    if (result.status == SettingsWriteResult::Status::Unawaited
        || result.security == SettingsWriteResult::Security::Unawaited)
        return {netsetuptext::kUnawaited};
    if (result.status != SettingsWriteResult::Status::Written)
        return {netsetuptext::kNotWritten};
    if (result.security == SettingsWriteResult::Security::NotConfirmed)
        return {netsetuptext::kSecurityNotWritten};
    QList<int> texts;
    if (changes.ChangesSecurity())
        texts << netsetuptext::kSecurityAsWell;
    // Without wizard access the gateway no longer answers the check after
    // its restart; that is the expected end, not a failure.
    if (result.security == SettingsWriteResult::Security::LockedOut)
        texts << netsetuptext::kWizardLockedOut;
    texts << netsetuptext::kWritten << netsetuptext::kBackToTasks;
    return texts;
}
