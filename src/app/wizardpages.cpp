#include "wizardpages.h"

#include "connectionpage.h"
#include "taskpage.h"
#include "welcomepage.h"
#include "ascii/asciipage.h"
#include "features/featurepage.h"
#include "modbus/modbuspage.h"
#include "netsetup/devicelistpage.h"
#include "netsetup/devicesettingspage.h"
#include "netsetup/networkcontext.h"
#include "netsetup/ipsettingspage.h"
#include "netsetup/pingpage.h"
#include "netsetup/serialsetuppage.h"
#include "netsetup/setipbynetworkpage.h"
#include "netsetup/setupmacpage.h"
#include "netsetup/writesettingspage.h"
#include "base/textencoding.h"
#include "shell/wizardcontext.h"
#include "shell/plainwizardhost.h"

#include <QFile>
#include <QWidget>

#include <memory>

WizardPages CreateWizardPages(WizardHost& host, NetworkContext& network, QWidget* parent)
{
    WizardPages pages;
    const auto add = [&pages](auto* page) {
        pages.all.push_back(page);
        return page;
    };
    pages.welcome = add(new WelcomePage(host, parent));
    pages.task = add(new TaskPage(host, parent));
    add(new DeviceListPage(host, network, parent));
    add(new SetupMacPage(host, parent));
    add(new IpSettingsPage(host, parent));
    add(new SetIpByNetworkPage(host, network, parent));
    add(new SerialSetupPage(host, network, parent));
    add(new PingPage(host, network, parent));
    pages.connection = add(new ConnectionPage(host, parent));
    pages.deviceSettings = add(new DeviceSettingsPage(host, parent));
    pages.writeSettings = add(new WriteSettingsPage(host, parent));
    pages.feature = add(new FeaturePage(host, parent));
    add(new ModbusPage(host, parent));
    add(new AsciiPage(host, parent));
    return pages;
}

namespace {

// What pages made only to be measured see: the wizard's objects, but the
// texts of another language and a state of their own.
struct MeasuringContext {
    MeasuringContext(const WizardContext& wizard, Language& language)
        : state(wizard.state)
        , context{wizard.settings,   wizard.ini,        language,    state,      wizard.log,
                  wizard.operations, wizard.connection, wizard.link, wizard.fcb, wizard.appPath}
    {
    }

    WizardState state;
    WizardContext context;
};

QSize LargestPageSize(const WizardContext& context, NetworkContext& network, Language& language, QSize logoSize)
{
    MeasuringContext measuring(context, language);
    PlainWizardHost host(measuring.context);
    QWidget parent;
    QWidget logo; // stands in for the wizard's
    logo.setFixedSize(logoSize);
    QSize largest;
    for (WizardPage* page : CreateWizardPages(host, network, &parent).all) {
        page->Startup();
        page->PlaceLogo(&logo);
        largest = largest.expandedTo(page->sizeHint());
    }
    return largest;
}

} // namespace

QSize LargestPageSizeInOtherLanguages(const WizardContext& context, NetworkContext& network, QSize logoSize)
{
    const int loaded = context.settings.ReadInt(keys::Language);
    QSize largest;
    for (const LanguageChoice& choice : ListLanguageFiles(context.appPath)) {
        QFile file(choice.filePath);
        if (choice.number == loaded || !file.open(QIODevice::ReadOnly))
            continue;
        Language language;
        language.AppendEntries(DecodeText(file.readAll()));
        largest = largest.expandedTo(LargestPageSize(context, network, language, logoSize));
    }
    return largest;
}
