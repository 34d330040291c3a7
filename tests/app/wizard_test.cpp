// The wizard window driven as a technician would: clicks on the real
// controls, with a store, INI file and program folder of the test's own.
#include "app/connectionpage.h"
#include "netsetup/devicesettingspage.h"
#include "shell/infobox.h"
#include "app/apptexts.h"
#include "app/languagedialog.h"
#include "comm/commtexts.h"
#include "shell/placewindow.h"
#include "app/wizardwindow.h"
#include "netsetup/writesettingspage.h"
#include "netsetup/devicelistpage.h"
#include "base/settingkeys.h"
#include "base/trafficlog.h"
#include "shell/wizardsession.h"

#include "configresponder.h"
#include "ptysetupgateway.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTreeWidget>
#include <QUrl>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override { environment.UseLanguage(); }

    Ostrand_Wizard& Open()
    {
        wizard = std::make_unique<Ostrand_Wizard>(environment.Context(), environment.Network());
        // No gateway listens here: the record transfer of pages 50 and 55
        // must send nothing to the default address. The walk below gives
        // them one on loopback.
        wizard->findChild<DeviceSettingsPage*>(QStringLiteral("Picture_Page(50)"))->SetRecordReader({});
        wizard->findChild<WriteSettingsPage*>(QStringLiteral("Picture_Page(55)"))->SetRecordWriter({});
        wizard->show();
        return *wizard;
    }

    template <typename T = QWidget>
    T* Find(const QString& name) const
    {
        T* found = wizard->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    // Clicks near the left edge, on the indicator of an option or check box.
    void Click(const QString& name)
    {
        QAbstractButton* button = Find<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void Next() { QTest::mouseClick(wizard->Command_Next, Qt::LeftButton); }
    void Back() { QTest::mouseClick(wizard->Command_Back, Qt::LeftButton); }
    int Page() const { return wizard->CurrentPage(); }
    QString Text(int id) { return environment.Context().language.GetLanguageText(id); }

    void ChooseTask(int task)
    {
        while (Page() != 1 && Page() != 0)
            Back();
        if (Page() == 0)
            Next();
        Click(QStringLiteral("Option_SelectWhatToDo(%1)").arg(task));
    }

    TestEnvironment environment;
    std::unique_ptr<Ostrand_Wizard> wizard;
};

} // namespace

TEST_F(WizardTest, FirstStartShowsTheDefaults)
{
    environment.ClearSettings();
    environment.UseLanguage();
    Open();
    EXPECT_EQ(Page(), 0);
    EXPECT_TRUE(Find(QStringLiteral("Picture_Page(0)"))->isVisible());
    EXPECT_EQ(Find<QLabel>(QStringLiteral("Label_Version"))->text(), QStringLiteral("Version 3.1.2"));
    EXPECT_EQ(wizard->windowTitle(), Text(10));
    EXPECT_EQ(Find(QStringLiteral("Picture_InfoPanel"))->toolTip(), Text(apptext::kLightsMeaning));
    EXPECT_FALSE(wizard->Command_Back->isEnabled());
    Next();
    EXPECT_EQ(Page(), 1);
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("Option_SelectWhatToDo(0)"))->isChecked());
    Click(QStringLiteral("Option_SelectWhatToDo(4)"));
    Next();
    ASSERT_EQ(Page(), 40);
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("Option_EnterIPAddress(0)"))->isChecked());
    EXPECT_EQ(Find<QLineEdit>(QStringLiteral("Text_EnterIPAddress"))->text(), QStringLiteral("192.168.0.10"));
    EXPECT_EQ(Find<QLineEdit>(QStringLiteral("Text_EnterIPAddress_Port"))->text(), QStringLiteral("10001"));
    EXPECT_TRUE(Find<QCheckBox>(QStringLiteral("Check_EnterIPAddress_UDPorTCP"))->isChecked());
    EXPECT_TRUE(Find(QStringLiteral("Picture_EnterIPAddress(0)"))->isVisible());
    EXPECT_FALSE(Find(QStringLiteral("Picture_EnterIPAddress(1)"))->isVisible());
    // the connection page stored its list choices as soon as it was shown
    EXPECT_EQ(environment.Context().settings.Read(keys::Combo_EnterIPAddress_BaudRate.ForTask(4)), QStringLiteral("3"));
    EXPECT_EQ(environment.Context().settings.Read(keys::SerialPort.ForTask(4)), QStringLiteral("0"));
}

// Every task walked as a technician does it: each page's own work done on
// the page (against loopback stand-ins for the gateway: its configuration
// port, its serial setup mode on a pseudo-terminal, an echo that answers),
// then Next, which the page must have enabled by itself.
class WizardWalkTest : public WizardTest {
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        ASSERT_TRUE(cable.Open());
        cable.records[0] = SampleNetworkRecord();
        WizardContext& context = environment.Context();
        context.ini.WriteIniValue(QStringLiteral("SerialPorts"), QStringLiteral("COM1"), cable.SlavePath());
        environment.Network().configTarget = {network.Port(), QHostAddress(QHostAddress::LocalHost)};
        environment.Network().pingOnce = [](const QString&) { return true; };
        context.ini.Write(ini::IP_NumberOfPings, QStringLiteral("2"));
        context.ini.Write(ini::IP_PingDelay, QStringLiteral("10"));
        context.ini.Write(ini::IP_UDPTimeOut, QStringLiteral("300"));
        context.ini.Write(ini::IP_ResetTimeOut, QStringLiteral("3000"));
        context.ini.Write(ini::IP_WriteTimeOut, QStringLiteral("3000"));
        context.settings.Save(keys::IPAddress, QStringLiteral("127.0.0.1"));
    }

    Ostrand_Wizard& OpenWithTransfers()
    {
        wizard = std::make_unique<Ostrand_Wizard>(environment.Context(), environment.Network());
        wizard->show();
        return *wizard;
    }

    // What the technician does on the page before pressing Next.
    void DoThePagesWork(bool byCable)
    {
        switch (Page()) {
        case 20:
            Click(QStringLiteral("Option_ChangeIPSettings(%1)").arg(byCable ? 1 : 0));
            break;
        case 21:
            Click(QStringLiteral("Option_DHCP(1)"));
            Find<QLineEdit>(QStringLiteral("Text_IPAddress"))->setText(QStringLiteral("127.0.0.1"));
            break;
        case 22:
            Click(QStringLiteral("Command_SetIPUsingUDP"));
            break;
        case 23:
            Click(QStringLiteral("Command_ConnectRS232AndDoSomething"));
            break;
        case 30:
            Click(QStringLiteral("Command_Ping"));
            break;
        case 40:
            Click(QStringLiteral("Option_EnterIPAddress(%1)").arg(byCable ? 1 : 0));
            break;
        default:
            break; // 1, 50 and 55 do their work by themselves
        }
    }

    PtySetupGateway cable;
    ConfigResponder network;
};

TEST_F(WizardWalkTest, EveryTaskWalksForwardAndBack)
{
    OpenWithTransfers();
    struct Walk {
        int task;
        bool byCable;
        std::vector<int> pages; // after page 1
    };
    const Walk walks[] = {
        {1, false, {20, 21, 22, 1}},
        {1, true, {20, 21, 23, 1}},
        {2, false, {30, 1}},
        {3, false, {40, 50, 55, 1}},
        {3, true, {40, 23, 50, 55, 1}},
        {4, false, {40, 60}},
        {5, false, {40, 70}},
        {6, false, {40, 80}},
    };
    for (const Walk& walk : walks) {
        ChooseTask(walk.task);
        std::vector<int> seen;
        for (size_t i = 0; i < walk.pages.size(); ++i) {
            DoThePagesWork(walk.byCable);
            ASSERT_TRUE(wizard->Command_Next->isEnabled())
                << "page " << Page() << " of task " << walk.task << (walk.byCable ? " by cable" : "");
            Next();
            seen.push_back(Page());
            EXPECT_TRUE(Find(QStringLiteral("Picture_Page(%1)").arg(Page()))->isVisible());
        }
        EXPECT_EQ(seen, walk.pages) << "task " << walk.task << (walk.byCable ? " by cable" : "");
        // and back from the last page before the return to page 1
        if (walk.pages.back() == 1) {
            Back();
            continue;
        }
        std::vector<int> back;
        while (Page() != 1) {
            Back();
            back.push_back(Page());
        }
        EXPECT_EQ(back, (std::vector<int>{40, 1})) << "task " << walk.task;
    }
    EXPECT_EQ(network.ipSetups.size(), 1) << "task 1 over the network";
    EXPECT_EQ(network.Writes(0), 2) << "task 1 and task 3 over the network";
    EXPECT_EQ(cable.setLines.isEmpty(), false) << "task 1 and task 3 by cable";
}

TEST_F(WizardTest, NextOnTheLastPageOfATaskLeadsNowhere)
{
    Open();
    ChooseTask(4);
    Next();
    Next();
    ASSERT_EQ(Page(), 60);
    EXPECT_FALSE(wizard->Command_Next->isEnabled());
    wizard->SetNextEnabled(true); // even if it were enabled
    Next();
    EXPECT_EQ(Page(), 60);
}

TEST_F(WizardTest, BackIntoTheSettingsPageDoesNotReadAgain)
{
    Open();
    auto* settingsPage = Find<DeviceSettingsPage>(QStringLiteral("Picture_Page(50)"));
    int reads = 0;
    settingsPage->SetRecordReader([&](TransferMode mode) {
        ++reads;
        EXPECT_EQ(mode, TransferMode::Network);
        settingsPage->Text_SetupDevice_Port->setText(QStringLiteral("10005"));
        wizard->SetNextEnabled(true);
    });
    ChooseTask(3);
    Next();
    Next();
    ASSERT_EQ(Page(), 50);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(wizard->Command_Next->text(), Text(370));
    Next();
    ASSERT_EQ(Page(), 55);
    Back();
    ASSERT_EQ(Page(), 50);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(settingsPage->Text_SetupDevice_Port->text(), QStringLiteral("10005"));
    EXPECT_EQ(wizard->Command_Next->text(), Text(370));
}

TEST_F(WizardTest, WithoutANetworkAdapterTheLanPagesAreRefused)
{
    environment.NewContext([] { return QList<NetworkAdapter>{}; });
    environment.UseLanguage();
    Open();
    EXPECT_EQ(environment.Context().state.SelectedAdapterIP, QStringLiteral("NO_ADAPTER"));
    ChooseTask(0);
    auto watch = AnswerNextModal();
    Next();
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(watch->text, Text(225));
    EXPECT_EQ(Page(), 1);

    ChooseTask(1);
    Next();
    Click(QStringLiteral("Option_ChangeIPSettings(0)"));
    Find<QLineEdit>(QStringLiteral("Text_SetupIP_MacAddress"))->setText(QStringLiteral("00-20-4A-01-02-03"));
    watch = AnswerNextModal();
    Next();
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(Page(), 20);

    ChooseTask(4);
    watch = AnswerNextModal();
    Next();
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(Page(), 40);

    ChooseTask(2); // the ping page needs no refusal
    watch = AnswerNextModal();
    Next();
    QTest::qWait(30);
    EXPECT_FALSE(watch->seen);
    EXPECT_EQ(Page(), 30);
}

TEST_F(WizardTest, SerialPortIsRememberedPerTask)
{
    // COM3 is a pseudo-terminal: shown by its device, which it has as its data
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
    const QString device = QString::fromLocal8Bit(ptsname(terminal));
    environment.Context().ini.WriteIniValue(QStringLiteral("SerialPorts"), QStringLiteral("COM3"), device);
    Open();
    ::close(terminal);
    ChooseTask(5);
    Next();
    Click(QStringLiteral("Option_EnterIPAddress(1)"));
    auto* ports = Find<QComboBox>(QStringLiteral("Combo_EnterIPAddress_SerialPort"));
    EXPECT_EQ(ports->count(), 16);
    ports->setCurrentIndex(2);
    EXPECT_EQ(ports->currentText(), QStringLiteral("COM3 (%1)").arg(device.mid(QStringLiteral("/dev/").size())));
    EXPECT_EQ(ports->currentData().toString(), device);
    Back();
    ChooseTask(4);
    Next();
    EXPECT_EQ(ports->currentIndex(), 0);
    Back();
    ChooseTask(5);
    Next();
    EXPECT_EQ(ports->currentIndex(), 2);
    // the Modbus task offers line settings and the 19200 speed; the M-Bus task does not
    auto* bauds = Find<QComboBox>(QStringLiteral("Combo_EnterIPAddress_BaudRate"));
    EXPECT_EQ(bauds->count(), 7);
    EXPECT_TRUE(Find(QStringLiteral("Combo_EnterIPAddress_Parity"))->isVisible());
    Back();
    ChooseTask(4);
    Next();
    EXPECT_EQ(bauds->count(), 6);
    EXPECT_FALSE(Find(QStringLiteral("Combo_EnterIPAddress_Parity"))->isVisible());
}

TEST_F(WizardTest, PortAboveTheLimitIsStoredAs65535)
{
    Open();
    ChooseTask(4);
    Next();
    auto* port = Find<QLineEdit>(QStringLiteral("Text_EnterIPAddress_Port"));
    port->setText(QStringLiteral("70000"));
    Find<QCheckBox>(QStringLiteral("Check_EnterIPAddress_UDPorTCP"))->setChecked(false);
    Next();
    EXPECT_EQ(environment.Context().settings.Read(keys::TCPPort), QStringLiteral("65535"));
    EXPECT_EQ(environment.Context().settings.Read(keys::UDPorTCP), QStringLiteral("0"));
    EXPECT_EQ(port->text(), QStringLiteral("65535"));
    // Back from page 40 saves nothing
    Back();
    port->setText(QStringLiteral("1234"));
    Back();
    EXPECT_EQ(environment.Context().settings.Read(keys::TCPPort), QStringLiteral("65535"));
}

TEST_F(WizardTest, OverTheNetworkTheConnectionPageTakesOnlyAnAddress)
{
    Open();
    ChooseTask(4);
    Next();
    ASSERT_EQ(Page(), 40);
    auto* address = Find<QLineEdit>(QStringLiteral("Text_EnterIPAddress"));
    const QString stored = environment.Context().settings.Read(keys::IPAddress);
    // Malformed inside the loopback range, and a host name: none is an address here.
    for (const QString& typed : {QStringLiteral("127.0.0.x"), QStringLiteral("127.1"), QStringLiteral("localhost")}) {
        address->setText(typed);
        auto watch = AnswerNextModal();
        Next();
        EXPECT_TRUE(watch->seen) << typed.toStdString();
        EXPECT_EQ(watch->text, Text(400) + QStringLiteral(" '") + typed + QStringLiteral("'\r\n") + Text(213));
        EXPECT_EQ(Page(), 40);
        EXPECT_EQ(environment.Context().settings.Read(keys::IPAddress), stored) << "nothing is stored";
    }
    // Blanks and leading zeros are read, and the address goes on as it is used.
    address->setText(QStringLiteral(" 127.000.0.001 "));
    Next();
    EXPECT_EQ(Page(), 60);
    EXPECT_EQ(environment.Context().settings.Read(keys::IPAddress), QStringLiteral("127.0.0.1"));
}

TEST_F(WizardTest, DoubleClickOnATaskActsAsNext)
{
    Open();
    Next();
    QWidget* option = Find(QStringLiteral("Option_SelectWhatToDo(2)"));
    QTest::mouseDClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    EXPECT_EQ(Page(), 30);
    EXPECT_EQ(environment.Context().settings.Read(keys::Option_SelectWhatToDo), QStringLiteral("2"));
}

TEST_F(WizardTest, InfoTextSelectsTheOptionItExplains)
{
    Open();
    ChooseTask(4);
    Next();
    QTest::mouseClick(Find<InfoBox>(QStringLiteral("Text_Info(41)"))->viewport(), Qt::LeftButton);
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("Option_EnterIPAddress(1)"))->isChecked());
    EXPECT_EQ(environment.Context().settings.Read(keys::Option_EnterIPAddress), QStringLiteral("1"));
    QTest::mouseClick(Find<InfoBox>(QStringLiteral("Text_Info(40)"))->viewport(), Qt::LeftButton);
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("Option_EnterIPAddress(0)"))->isChecked());
}

TEST_F(WizardTest, SecondStartRemembersLanguageAndTask)
{
    // a store with no language: the dialog asks, German is chosen
    environment.ClearSettings();
    auto* timer = new QTimer;
    bool answered = false;
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<Ostrand_Language*>(QApplication::activeModalWidget());
        if (!dialog || answered)
            return;
        answered = true;
        dialog->Combo_Language->setCurrentIndex(dialog->Combo_Language->findText(QStringLiteral("Deutsch")));
        QTest::mouseClick(dialog->Command_Ok, Qt::LeftButton);
    });
    timer->start(10);
    ASSERT_TRUE(LoadLanguageAtStartup(environment.Context()));
    delete timer;
    EXPECT_TRUE(answered);
    EXPECT_EQ(environment.Context().settings.Read(keys::Language), QStringLiteral("049"));
    Open();
    ChooseTask(6);
    wizard.reset();

    environment.NewContext();
    auto watch = AnswerNextModal();
    ASSERT_TRUE(LoadLanguageAtStartup(environment.Context()));
    QTest::qWait(30);
    EXPECT_FALSE(watch->seen); // no dialog the second time
    Open();
    Language german;
    german.AppendEntries(ShippedLanguageText(QStringLiteral("049")));
    EXPECT_EQ(Find<QLabel>(QStringLiteral("Label_Header(0)"))->text(), german.GetLanguageText(100));
    Next();
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("Option_SelectWhatToDo(6)"))->isChecked());
}

TEST_F(WizardTest, StoredLanguageWhoseFileIsGoneIsAskedForAgainWithoutTheChangeMessage)
{
    environment.Context().settings.Save(keys::Language, QStringLiteral("007")); // no such file
    QStringList boxes;
    QString offered;
    int widthNeeded = 0;
    int dialogWidth = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->text();
            box->close();
        } else if (auto* dialog = qobject_cast<Ostrand_Language*>(modal)) {
            offered = dialog->Combo_Language->currentText();
            QFont title = QApplication::font();
            title.setBold(true);
            widthNeeded = QFontMetrics(title).horizontalAdvance(dialog->windowTitle())
                        + 3 * dialog->style()->pixelMetric(QStyle::PM_TitleBarHeight); // its three title buttons
            dialogWidth = dialog->frameGeometry().width();
            QMetaObject::invokeMethod(dialog->Command_Ok, &QPushButton::click, Qt::QueuedConnection);
        }
    });
    timer.start(10);
    ASSERT_TRUE(LoadLanguageAtStartup(environment.Context()));
    QTest::qWait(50);
    EXPECT_FALSE(offered.isEmpty()) << "a language is offered at once";
    EXPECT_GE(dialogWidth, widthNeeded) << "the whole title is shown";
    EXPECT_TRUE(boxes.isEmpty()) << "nothing to say about a change: " << boxes.join(u'|').toStdString();
    EXPECT_NE(environment.Context().settings.Read(keys::Language), QStringLiteral("007"));
    EXPECT_NE(environment.Context().language.GetLanguageText(10), QStringLiteral("Invalid Text (10)"));
}

TEST_F(WizardTest, LanguageDialogSpeaksTheLanguageChosenInItsList)
{
    Ostrand_Language dialog(environment.Context());
    EXPECT_EQ(dialog.Label_Language->buddy(), dialog.Combo_Language);
    for (const int number : {49, 1}) {
        Language texts;
        texts.AppendEntries(ShippedLanguageText(QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'))));
        dialog.Combo_Language->setCurrentIndex(dialog.Combo_Language->findData(number));
        EXPECT_EQ(dialog.windowTitle(), texts.GetLanguageText(apptext::kLanguageCaption));
        EXPECT_EQ(dialog.Label_Language->text(), texts.GetLanguageText(apptext::kLanguagePrompt));
        EXPECT_EQ(dialog.Command_Ok->text(), texts.GetLanguageText(commtext::kOk));
        EXPECT_GE(dialog.minimumWidth(), TitleBarWidth(dialog)) << number;
    }
}

TEST_F(WizardTest, NoLanguageChosenEndsTheStart)
{
    environment.ClearSettings();
    auto watch = AnswerNextModal(); // the dialog is closed without a choice
    EXPECT_FALSE(LoadLanguageAtStartup(environment.Context()));
    EXPECT_TRUE(watch->seen);
}

TEST_F(WizardTest, ChangingTheLanguageTakesEffectAtTheNextStart)
{
    Open();
    auto* timer = new QTimer;
    QString message;
    int step = 0;
    QObject::connect(timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<Ostrand_Language*>(modal); dialog && step == 0) {
            step = 1;
            dialog->Combo_Language->setCurrentIndex(dialog->Combo_Language->findData(49));
            // queued: the message box that follows needs this timer to tick again
            QMetaObject::invokeMethod(dialog->Command_Ok, &QPushButton::click, Qt::QueuedConnection);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal); box && step == 1) {
            step = 2;
            message = box->text();
            box->close();
        }
    });
    timer->start(10);
    Click(QStringLiteral("Command_ChangeLanguage"));
    for (int i = 0; i < 500 && step != 2; ++i)
        QTest::qWait(10);
    EXPECT_EQ(step, 2);
    delete timer;
    EXPECT_EQ(message, Text(105)); // in the language still loaded
    EXPECT_EQ(environment.Context().settings.Read(keys::Language), QStringLiteral("049"));
    EXPECT_EQ(wizard->windowTitle(), Text(10));
}

namespace {
// Takes the web pages the wizard asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};
} // namespace

TEST_F(WizardTest, ABirchGatewayOffersItsWebPageAndSkipsTheSettingsTask)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
    Open();
    ChooseTask(0);
    Next();
    ASSERT_EQ(Page(), 10);
    auto* list = Find<DeviceListPage>(QStringLiteral("Picture_Page(10)"));
    QTreeWidgetItem* row = list->AddDeviceRow(QStringLiteral("192.0.2.7"), QStringLiteral("00-04-25-01-02-03"),
                                              QStringLiteral("Birch"), QStringLiteral("42"), Text(150),
                                              QStringLiteral("00-04-25-01-02-03/2"));
    QTreeWidget* view = list->ListView_Devices;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(row).center());
    EXPECT_EQ(environment.Context().state.SelectedDeviceType, 2);
    EXPECT_EQ(environment.Context().settings.Read(keys::IPAddress), QStringLiteral("192.0.2.7"));
    auto watch = AnswerNextModal(QMessageBox::Yes);
    Next();
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(watch->text, Text(900));
    EXPECT_EQ(Page(), 1);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("http://192.0.2.7")));
    EXPECT_FALSE(Find(QStringLiteral("Option_SelectWhatToDo(3)"))->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("Option_SelectWhatToDo(2)"))->isChecked());
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

TEST_F(WizardTest, UnwritableStoreAndFolderFailSilently)
{
    // a plain file stands where the folders should be: nothing can be written there
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    WizardSession session(Settings::AtFile(blocker.fileName() + QStringLiteral("/settings.conf")),
                          IniFile(blocker.fileName() + QStringLiteral("/Ostrand.INI")), blocker.fileName() + u'/');
    WizardContext& context = session.Context();
    context.language.AppendEntries(ShippedLanguageText(QStringLiteral("001")));
    NetworkContext network(context.operations);
    network.listAdapters = [] { return QList<NetworkAdapter>{{QStringLiteral("127.0.0.2"), QStringLiteral("test")}}; };
    Ostrand_Wizard unwritable(context, network);
    unwritable.show();
    QTest::mouseClick(unwritable.Command_Next, Qt::LeftButton);
    auto* option = unwritable.findChild<QRadioButton*>(QStringLiteral("Option_SelectWhatToDo(4)"));
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    QTest::mouseClick(unwritable.Command_Next, Qt::LeftButton);
    EXPECT_EQ(unwritable.CurrentPage(), 40);
    QTest::mouseClick(unwritable.Command_Next, Qt::LeftButton);
    EXPECT_EQ(unwritable.CurrentPage(), 60);
    EXPECT_FALSE(QFileInfo::exists(context.ini.Path()));
}

#include "wizard_test.moc"
