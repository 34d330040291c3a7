#include "devicerecordpages.h"

#include "netsetuptexts.h"
#include "networkcontext.h"
#include "networksettings.h"
#include "pagesetupview.h"
#include "recordtransfer.h"
#include "shell/busyguard.h"
#include "devicesettingspage.h"
#include "shell/infobox.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"
#include "writesettingspage.h"

namespace {

const QString kBreak = QStringLiteral("\r\n");
const QString kParagraph = QStringLiteral("\r\n\r\n");

std::chrono::milliseconds IniMs(const IniFile& ini, const IniKey& key)
{
    return std::chrono::milliseconds(std::max<qint64>(ini.ReadNumberOrDefault(key), 0));
}

} // namespace

void ConnectDeviceRecordPages(
    WizardHost& host, NetworkContext& network, std::function<QString()> address, DeviceSettingsPage& settingsPage,
    WriteSettingsPage& writePage)
{
    settingsPage.SetRecordReader([&host, &network, address, &settingsPage](TransferMode mode) {
        ReadDeviceRecordForPage(host, network, address(), settingsPage, mode);
    });
    writePage.SetRecordWriter([&host, &network, address, &settingsPage, &writePage](TransferMode mode) {
        WriteDeviceRecordFromPage(host, network, address(), settingsPage.Changes(), writePage, mode);
    });
}

void ReadDeviceRecordForPage(
    WizardHost& host, NetworkContext& network, const QString& address, DeviceSettingsPage& page, TransferMode mode)
{
    WizardContext& context = host.Context();
    const DeviceOperationScope operation(context.operations);
    if (!operation)
        return;
    const auto timeout = IniMs(context.ini, mode == TransferMode::Network ? ini::IP_UDPTimeOut : ini::IP_SerialTimeOut);
    BusyGuard busy(host.Window());
    page.Text_Info_52->SetText(context.language.GetLanguageText(netsetuptext::kReadingSettings) + kBreak);
    page.Text_Info_52->repaint();

    RecordTransfer transfer(context.connection, context.language);
    UseWizardSettings(transfer, host, network.configTarget);
    const std::optional<ChannelSettings> settings
        = ReadNetworkSettings(transfer, network.records, mode, address, timeout);
    if (!settings) {
        page.Text_Info_52->SetText(context.language.GetLanguageText(netsetuptext::kSettingsNotRead) + kParagraph
                                   + context.language.GetLanguageText(netsetuptext::kCheckAddressAndGoBack));
        context.connection.CloseSerialPort();
        return;
    }
    page.Text_Info_52->SetText(QString());
    page.Text_Info_53->setVisible(true);
    page.ShowDeviceFields(true);
    page.ShowSettings(*settings);
    host.SetNextEnabled(true);
}

void WriteDeviceRecordFromPage(WizardHost& host, NetworkContext& network, const QString& address,
    const RecordChanges& changes, WriteSettingsPage& page, TransferMode mode)
{
    WizardContext& context = host.Context();
    const DeviceOperationScope operation(context.operations);
    if (!operation)
        return;
    const Language& language = context.language;
    BusyGuard busy(host.Window());
    host.SetNextEnabled(false); // until the gateway has its settings
    page.Text_Info->SetText(language.GetLanguageText(netsetuptext::kWritingSettings) + kParagraph);
    page.Text_Info->repaint();

    RecordTransfer transfer(context.connection, language);
    UseWizardSettings(transfer, host, network.configTarget);
    const SettingsWriteResult result = WriteNetworkSettings(
        transfer, network.records, changes, mode, address, IniMs(context.ini, ini::IP_WriteTimeOut));
    const QList<int> texts = SettingsWriteTexts(changes, result);
    if (!result.Complete()) {
        page.Text_Info->SetText(language.GetLanguageText(texts.front()));
        return;
    }
    for (const int text : texts)
        page.Text_Info->AppendText(language.GetLanguageText(text)
                                   + (text == netsetuptext::kBackToTasks ? QString() : kParagraph));
    host.SetNextEnabled(true);
}
