#pragma once

#include <QSize>
#include <vector>

class ConnectionPage;
class DeviceSettingsPage;
class FeaturePage;
class QWidget;
class TaskPage;
class WelcomePage;
class WizardHost;
class WizardPage;
class WriteSettingsPage;
struct NetworkContext;
struct WizardContext;

// Every page of the wizard, and those the window itself talks to.
struct WizardPages {
    std::vector<WizardPage*> all;
    WelcomePage* welcome = nullptr;
    TaskPage* task = nullptr;
    ConnectionPage* connection = nullptr;
    DeviceSettingsPage* deviceSettings = nullptr;
    WriteSettingsPage* writeSettings = nullptr;
    FeaturePage* feature = nullptr;
};

// Creates the pages of every task, children of parent, working for host.
WizardPages CreateWizardPages(WizardHost& host, NetworkContext& network, QWidget* parent);

// The largest size the pages ask for with their texts in each language file
// beside the program but the one loaded, so the window can keep one size
// whatever the language. The pages are made for the purpose and dropped;
// each is measured with room for a logo of logoSize in its header, as the
// shown page holds the wizard's logo.
QSize LargestPageSizeInOtherLanguages(const WizardContext& context, NetworkContext& network, QSize logoSize);
