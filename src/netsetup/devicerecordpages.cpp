#include "devicerecordpages.h"

#include "netsetuptexts.h"
#include "networksettings.h"
#include "pagesetupview.h"
#include "recordtransfer.h"
#include "shell/busyguard.h"
#include "devicesettingspage.h"
#include "shell/infobox.h"
#include "shell/wizardcontext.h"
#include "shell/wizardhost.h"
#include "writesettingspage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

const QString kBreak = QStringLiteral("\r\n");
const QString kParagraph = QStringLiteral("\r\n\r\n");

std::chrono::milliseconds IniMs(const IniFile& ini, const IniKey& key)
{
    return std::chrono::milliseconds(std::max<qint64>(ini.ReadNumberOrDefault(key), 0));
}

} // namespace

void ConnectDeviceRecordPages(
    WizardHost& host, std::function<QString()> address, DeviceSettingsPage& settingsPage, WriteSettingsPage& writePage)
{
    settingsPage.SetRecordReader(
        [&host, address, &settingsPage](int mode) { ReadDeviceRecordForPage(host, address(), settingsPage, mode); });
    writePage.SetRecordWriter([&host, address, &settingsPage, &writePage](int mode) {
        WriteDeviceRecordFromPage(host, address(), settingsPage, writePage, mode);
    });
}

void ReadDeviceRecordForPage(WizardHost& host, const QString& address, DeviceSettingsPage& page, int mode)
{
    WizardContext& context = host.Context();
    const DeviceOperationScope operation(context.operations);
    if (!operation)
        return;
    const auto timeout = IniMs(context.ini, mode == transfer::kNetwork ? ini::IP_UDPTimeOut : ini::IP_SerialTimeOut);
    BusyGuard busy(host.Window());
    page.Text_Info_52->SetText(context.language.GetLanguageText(netsetuptext::kReadingSettings) + kBreak);
    page.Text_Info_52->repaint();

    RecordTransfer transfer(context.connection, context.language);
    UseWizardSettings(transfer, host);
    const std::optional<ChannelSettings> settings
        = ReadNetworkSettings(transfer, context.records, mode, address, timeout);
    if (!settings) {
        page.Text_Info_52->SetText(context.language.GetLanguageText(netsetuptext::kSettingsNotRead) + kParagraph
                                   + context.language.GetLanguageText(netsetuptext::kCheckAddressAndGoBack));
        context.connection.CloseSerialPort();
        return;
    }
    page.Text_Info_52->SetText(QString());
    page.Text_Info_53->setVisible(true);
    page.ShowDeviceFields(true);
    page.Text_SetupDevice_Port->setText(settings->port);
    page.Combo_SetupDevice_LineSpeed->setCurrentIndex(settings->lineSpeed);
    page.Check_SetupDevice_UDPorTCP->setChecked(settings->udp);
    page.Text_SetupDevice_Password->setText(settings->password);
    host.SetNextEnabled(true);
}

void WriteDeviceRecordFromPage(
    WizardHost& host, const QString& address, const DeviceSettingsPage& settingsPage, WriteSettingsPage& page, int mode)
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

    RecordChanges changes;
    changes.port = settingsPage.Text_SetupDevice_Port->text();
    if (settingsPage.Combo_SetupDevice_LineSpeed->currentIndex() >= 0)
        changes.lineSpeed = settingsPage.Combo_SetupDevice_LineSpeed->currentIndex();
    changes.udp = settingsPage.Check_SetupDevice_UDPorTCP->isChecked();
    if (settingsPage.Check_SetupDevice_Security->isChecked()) {
        changes.password = settingsPage.Text_SetupDevice_Password->text();
        changes.allowConfig = settingsPage.Check_SetupDevice_Ostrand->isChecked();
        changes.allowTelnet = settingsPage.Check_SetupDevice_Telnet->isChecked();
    }

    RecordTransfer transfer(context.connection, language);
    UseWizardSettings(transfer, host);
    const SettingsWriteResult result = WriteNetworkSettings(
        transfer, context.records, changes, mode, address, IniMs(context.ini, ini::IP_WriteTimeOut));
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
