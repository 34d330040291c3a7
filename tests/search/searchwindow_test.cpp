// The search window driven as a technician would, against the simulated
// gateway on loopback: its controls and settings, the start button's rule,
// whole searches by primary and by secondary address (one aborted in the
// middle), the questions at the start, the exports and the double click.
#include "search/searchwindow.h"
#include "search/fastsearchkeys.h"

#include "search/searchresultrow.h"

#include "base/language.h"

#include "comm/waiting.h"

#include "busconfig.h"
#include "fakewizardhost.h"
#include "gatewayundertest.h"
#include "simulatedgateway.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Meters at 9600 baud: one to read, two sharing address 3, one that never
// sends its data; and a meter with the identification 12345675.
const char* kBus = R"({"baud": 9600, "meters": [
    {"address": 1, "id": "12345675", "manufacturer": "ABB", "version": 5, "medium": 12, "baud": 9600},
    {"address": 3, "id": "12340001", "baud": 9600}, {"address": 3, "id": "12340002", "baud": 9600},
    {"address": 5, "id": "66600001", "answersReqUd2": false, "baud": 9600}]})";

class SearchWindowTest : public ::testing::Test, protected GatewayUnderTest {
protected:
    SearchWindowTest()
    {
        env.UseLanguage();
        EndpointOptions options;
        options.udpPort = 0;
        options.tcpPort = std::nullopt;
        options.configPort = 0;
        StartGateway(kBus, options);

        StoreLoopbackGateway(Context().settings, gateway->UdpPort(), true);
        Context().state.WhatToDo = 4;
        env.Network().configTarget.port = gateway->ConfigPort();
        Context().link.BusDelay = 0ms;
        IniFile& ini = Context().ini;
        ini.Write(ini::Search_CollisionPrimDelay, QStringLiteral("0"));
        ini.Write(ini::Search_CollisionSecDelay, QStringLiteral("0"));
        ini.Write(ini::IP_UDPTimeOut, QStringLiteral("500"));
        for (const char* speed : {"2400", "9600"}) {
            ini.Write(ini::SearchSndNkeTimeout(QString::fromLatin1(speed), ini::SearchGateway::Aspen), QStringLiteral("150"));
            ini.Write(ini::SearchRspUd2Timeout(QString::fromLatin1(speed), ini::SearchGateway::Aspen), QStringLiteral("600"));
        }
    }

    WizardContext& Context() { return env.Context(); }

    Ostrand_Search& Open()
    {
        SearchWindowLinks links;
        links.rememberedHost = &remembered;
        links.typedAddress = [] { return QStringLiteral("127.0.0.1"); };
        links.meterTarget.useSecondaryAddress = &useSecondary;
        links.meterTarget.primaryAddress = &primary;
        for (size_t i = 0; i < secondary.size(); ++i)
            links.meterTarget.secondaryAddress[i] = &secondary[i];
        window = std::make_unique<Ostrand_Search>(Context(), env.Network(), links);
        window->setAttribute(Qt::WA_DeleteOnClose, false); // the test owns it
        window->show();
        return *window;
    }

    void Primary(const char* first, const char* last)
    {
        window->Option_SearchMethod[0]->click();
        window->Text_LowPrimaryAddress->setText(QString::fromLatin1(first));
        window->Text_HighPrimaryAddress->setText(QString::fromLatin1(last));
    }

    // The row whose first text is the probe.
    SearchResultRow RowOf(const QString& probed) const
    {
        for (const SearchResultRow& row : window->Rows()) {
            if (row.Text(rowtext::kProbed) == probed)
                return row;
        }
        return {};
    }

    void Activate(const QString& probed)
    {
        QTreeWidget* list = window->ListView_Search;
        const QList<QTreeWidgetItem*> found = list->findItems(probed, Qt::MatchExactly, 1);
        ASSERT_EQ(found.size(), 1);
        list->setCurrentItem(found.front());
        emit list->itemActivated(found.front(), 1);
    }

    TestEnvironment env;
    RememberedHost remembered;
    QCheckBox useSecondary;
    QLineEdit primary;
    std::array<QLineEdit, 4> secondary;
    std::unique_ptr<Ostrand_Search> window;
};

TEST_F(SearchWindowTest, EveryControlHasItsNameAndALanguageCaption)
{
    Ostrand_Search& search = Open();
    EXPECT_EQ(search.objectName(), "Ostrand_Search");
    const std::pair<const char*, QObject*> named[] = {
        {"Frame_Method", search.Frame_Method}, {"Option_SearchMethod(0)", search.Option_SearchMethod[0]},
        {"Option_SearchMethod(1)", search.Option_SearchMethod[1]}, {"Check_ViewFoundOnly", search.Check_ViewFoundOnly},
        {"Frame_Primary", search.Frame_Primary}, {"Label_FirstPrimaryAddress", search.Label_FirstPrimaryAddress},
        {"Text_LowPrimaryAddress", search.Text_LowPrimaryAddress}, {"Label_LastPrimaryAddress", search.Label_LastPrimaryAddress},
        {"Text_HighPrimaryAddress", search.Text_HighPrimaryAddress}, {"Check_SND_NKE", search.Check_SND_NKE},
        {"Check_REQ_UD2", search.Check_REQ_UD2}, {"Frame_Secondary", search.Frame_Secondary},
        {"lblMaskId", search.lblMaskId}, {"Text_SearchMaskId", search.Text_SearchMaskId},
        {"lblMaskMnfct", search.lblMaskMnfct}, {"Text_SearchMaskMnfct", search.Text_SearchMaskMnfct},
        {"lblMaskVersion", search.lblMaskVersion}, {"Text_SearchMaskVersion", search.Text_SearchMaskVersion},
        {"lblMaskMedia", search.lblMaskMedia}, {"Text_SearchMaskMedia", search.Text_SearchMaskMedia},
        {"chkSec_REQ_UD2", search.chkSec_REQ_UD2}, {"chkSec_SND_UD", search.chkSec_SND_UD},
        {"Frame_FastSearch", search.Frame_FastSearch}, {"lblMaskExcludeMnfct", search.lblMaskExcludeMnfct},
        {"lblMaskExclude", search.lblMaskExclude}, {"Text_SearchMaskExclude", search.Text_SearchMaskExclude},
        {"Check_FastSearch", search.Check_FastSearch}, {"lblGatewayAllowance", search.lblGatewayAllowance},
        {"Frame_Timeout", search.Frame_Timeout}, {"Option_Timeout(0)", search.Option_Timeout[0]},
        {"Option_Timeout(2)", search.Option_Timeout[2]}, {"Command_Search", search.Command_Search},
        {"Command_AbortSearch", search.Command_AbortSearch}, {"Command_Save", search.Command_Save},
        {"CmdSaveCsv", search.CmdSaveCsv}, {"Command_Exit", search.Command_Exit},
        {"Check_SearchTrace", search.Check_SearchTrace},
        {"ListView_Search", search.ListView_Search}, {"StatusBar", search.StatusBar},
        {"ProgressBar_Search", search.ProgressBar_Search}, {"Menu_Popup", search.Menu_Popup},
        {"Menu_Popup_CopyToClipBoard", search.Menu_Popup_CopyToClipBoard},
        {"Menu_Popup_SetPrimaryAddress", search.Menu_Popup_SetPrimaryAddress}};
    for (const auto& [name, member] : named)
        EXPECT_EQ(search.findChild<QObject*>(QString::fromLatin1(name)), member) << name;
    EXPECT_EQ(UnknownLanguageTexts(search), QStringList());
    EXPECT_EQ(search.windowTitle(), "M-Bus Alder Family Setup Wizard - Search Meters");
    EXPECT_EQ(search.Check_SND_NKE->text(), "SND_NKE");
    EXPECT_EQ(search.chkSec_SND_UD->text(), "SND_UD");
    EXPECT_EQ(search.Command_AbortSearch->text(), "&Cancel");
    EXPECT_EQ(search.Text_SearchMaskId->text(), "FFFFFFFF");
    EXPECT_EQ(search.Text_SearchMaskExclude->text(), "FFFF");
    EXPECT_EQ(search.lblGatewayAllowance->text(), "Gateway allowance: 10 ms"); // the INI file's default
    EXPECT_TRUE(search.Check_FastSearch->toolTip().contains(QStringLiteral("Waits after each probe only")));
    EXPECT_TRUE(search.lblGatewayAllowance->toolTip().contains(QStringLiteral("GatewayAllowance")));
    // the trace's own switch, which follows the log window's label and the feature page's reset
    search.Check_SearchTrace->click();
    EXPECT_TRUE(Context().log.SearchTrace());
    Context().log.SetSearchTrace(false);
    EXPECT_FALSE(search.Check_SearchTrace->isChecked());

    QTreeWidgetItem* header = search.ListView_Search->headerItem();
    QStringList columns;
    for (int column = 0; column < Ostrand_Search::kColumns; ++column)
        columns << header->text(column);
    EXPECT_EQ(columns, QStringList({"", "Probed", "Prim. address", "SND_NKE", "REQ_UD2", "Ident. number", "Manufacturer",
                                    "Version", "Medium", "Device"}));
    search.Option_SearchMethod[1]->click();
    EXPECT_EQ(header->text(3), "Selection");
    EXPECT_EQ(search.Frame_Timeout->title(), "&Timeout (SND_UD/REQ_UD2)");
    EXPECT_TRUE(search.Frame_Secondary->isVisible());
    EXPECT_FALSE(search.Frame_Primary->isVisible());
    search.Option_SearchMethod[0]->click();
    EXPECT_EQ(header->text(3), "SND_NKE");
    EXPECT_EQ(search.Frame_Timeout->title(), "&Timeout (SND_NKE/REQ_UD2)");
}

TEST_F(SearchWindowTest, SettingsAreLoadedAndSavedOnClose)
{
    Settings& settings = Context().settings;
    settings.Save(keys::Check_SND_NKE, QStringLiteral("0"));
    settings.Save(keys::Check_ViewFoundOnly, QStringLiteral("7")); // anything but 0 checks it
    settings.Save(keys::Check_FastSearch, QStringLiteral("1"));
    settings.Save(keys::Text_LowPrimaryAddress, QStringLiteral("5"));
    settings.Save(keys::Text_HighPrimaryAddress, QStringLiteral("20"));
    settings.Save(keys::Option_SearchMethod, QStringLiteral("1"));
    settings.Save(keys::ListView_SearchColumn.ForTask(3), QStringLiteral("2880"));
    Ostrand_Search& search = Open();
    EXPECT_FALSE(search.Check_SND_NKE->isChecked());
    EXPECT_TRUE(search.Check_REQ_UD2->isChecked());
    EXPECT_TRUE(search.Check_ViewFoundOnly->isChecked());
    EXPECT_TRUE(search.Check_FastSearch->isChecked());
    EXPECT_EQ(search.Text_LowPrimaryAddress->text(), "5");
    EXPECT_EQ(search.Text_HighPrimaryAddress->text(), "20");
    EXPECT_TRUE(search.Option_SearchMethod[1]->isChecked());
    EXPECT_TRUE(search.Frame_Secondary->isVisible());
    EXPECT_EQ(search.ListView_Search->columnWidth(2), 2 * search.logicalDpiX());

    search.Check_REQ_UD2->click();
    search.Check_FastSearch->click();
    search.Text_HighPrimaryAddress->setText(QStringLiteral("30"));
    search.Option_SearchMethod[0]->click();
    search.Text_SearchMaskId->setText(QStringLiteral("12345678")); // masks are not kept
    search.close();
    EXPECT_EQ(settings.Read(keys::Check_SND_NKE), "0");
    EXPECT_EQ(settings.Read(keys::Check_REQ_UD2), "0");
    EXPECT_EQ(settings.Read(keys::Check_ViewFoundOnly), "1");
    EXPECT_EQ(settings.Read(keys::Check_FastSearch), "0");
    EXPECT_EQ(settings.Read(keys::Text_HighPrimaryAddress), "30");
    EXPECT_EQ(settings.Read(keys::Option_SearchMethod), "0");
    EXPECT_EQ(settings.Read(keys::ListView_SearchColumn.ForTask(3)), "2880");
    // a column never stored starts wide enough for its texts, and is kept as shown
    EXPECT_GE(settings.ReadInt(keys::ListView_SearchColumn.ForTask(10)), 1000);
}

TEST_F(SearchWindowTest, StartButtonFollowsTheEntriesButNotTheMethod)
{
    Ostrand_Search& search = Open();
    const struct {
        const char* first;
        const char* last;
        bool nke;
        bool ud2;
        bool enabled;
    } rows[] = {
        {"0", "251", true, true, true},    {"0", "252", true, true, false}, {"10", "9", true, true, false},
        {"abc", "0", true, true, true},    {"-1", "5", true, true, false},  {"0", "250", false, true, true},
        {"0", "250", false, false, false}, {"7", "7", true, false, true},
    };
    for (const auto& row : rows) {
        search.Check_SND_NKE->setChecked(row.nke);
        search.Check_REQ_UD2->setChecked(row.ud2);
        Primary(row.first, row.last);
        EXPECT_EQ(search.Command_Search->isEnabled(), row.enabled) << row.first << '-' << row.last;
    }
    // a method change leaves the button as the last entry left it
    Primary("0", "252");
    search.Check_SND_NKE->setChecked(true);
    search.Option_SearchMethod[1]->click();
    EXPECT_FALSE(search.Command_Search->isEnabled());
    search.Text_SearchMaskId->setText(QStringLiteral(" 1234567F "));
    EXPECT_TRUE(search.Command_Search->isEnabled());
    search.Text_SearchMaskId->setText(QStringLiteral("1234567"));
    EXPECT_FALSE(search.Command_Search->isEnabled());
    search.Text_SearchMaskId->setText(QStringLiteral("FFFFFFFF"));
    search.Option_SearchMethod[0]->click();
    EXPECT_TRUE(search.Command_Search->isEnabled());
    search.Text_HighPrimaryAddress->setText(QStringLiteral("253")); // the next edit decides
    EXPECT_FALSE(search.Command_Search->isEnabled());
}

TEST_F(SearchWindowTest, PrimarySearchLearnsTheSpeedFromTheRecordAndHandsAMeterToTheFeaturePage)
{
    Ostrand_Search& search = Open();
    Primary("0", "6");
    search.Command_Search->click();

    ASSERT_EQ(search.Rows().size(), 7);
    EXPECT_EQ(RowOf("1").Text(rowtext::kDevice), "Delta Plus");
    EXPECT_EQ(RowOf("3").Text(rowtext::kSelection), "Collision");
    EXPECT_EQ(RowOf("5").Text(rowtext::kReadout), "--"); // acknowledged SND_NKE, then silent
    EXPECT_EQ(search.Portsettings(), QStringLiteral("UDP: 127.0.0.1:%1").arg(gateway->UdpPort()));
    EXPECT_EQ(search.Timing().sndNkeTimeout, 150ms); // the 9600 bps keys, from the gateway's record
    EXPECT_TRUE(search.StatusPanel(2).startsWith(QStringLiteral("7 probes in "))) << search.StatusPanel(2).toStdString();
    EXPECT_TRUE(search.StatusPanel(2).endsWith(QStringLiteral(" seconds")));
    EXPECT_EQ(search.StatusPanel(3), "SND_NKE acknowledged: 2");
    EXPECT_EQ(search.StatusPanel(4), "Meters read: 1");
    EXPECT_EQ(search.ProgressBar_Search->value(), search.ProgressBar_Search->maximum());
    EXPECT_FALSE(search.Frame_Timeout->isVisible());
    EXPECT_TRUE(search.Command_Search->isVisible());
    EXPECT_FALSE(search.Command_AbortSearch->isVisible());
    EXPECT_FALSE(search.Timing().fast);

    // the fast search on the same line: the bus's window at the record's 9600 baud, the same rows
    const QList<SearchResultRow> documented = search.Rows();
    search.Check_FastSearch->click();
    search.Command_Search->click();
    ASSERT_TRUE(search.Timing().fast);
    EXPECT_EQ(search.Timing().fast->baud, 9600);
    EXPECT_EQ(search.Timing().ReplyWait(SearchProbe::SndNke), 102ms); // (55 + 11 + 330) bits + 50 ms, + 10 ms
    // the allowance the search ended with, at least the INI file's
    const QString allowance = search.lblGatewayAllowance->text();
    EXPECT_TRUE(allowance.startsWith(QStringLiteral("Gateway allowance: ")) && allowance.endsWith(QStringLiteral(" ms")))
        << allowance.toStdString();
    EXPECT_TRUE(search.lblGatewayAllowance->toolTip().contains(QStringLiteral("The last search allowed this")));
    EXPECT_GE(allowance.section(u' ', 2, 2).toInt(), 10);
    EXPECT_TRUE(search.StatusPanel(2).endsWith(QStringLiteral(" seconds, gateway allowance ") + allowance.section(u' ', 2, 2) + QStringLiteral(" ms")))
        << search.StatusPanel(2).toStdString();
    ASSERT_EQ(search.Rows().size(), documented.size());
    for (qsizetype i = 0; i < documented.size(); ++i) {
        EXPECT_EQ(search.Rows()[i].icon, documented[i].icon) << i;
        EXPECT_EQ(search.Rows()[i].Text(rowtext::kSelection), documented[i].Text(rowtext::kSelection)) << i;
        EXPECT_EQ(search.Rows()[i].Text(rowtext::kReadout), documented[i].Text(rowtext::kReadout)) << i;
    }

    Activate(QStringLiteral("1"));
    EXPECT_EQ(primary.text(), "1");
    useSecondary.setChecked(true);
    Activate(QStringLiteral("1"));
    EXPECT_EQ(secondary[0].text(), "12345675");
    EXPECT_EQ(secondary[1].text(), "0442");
    EXPECT_EQ(secondary[2].text(), "05");
    EXPECT_EQ(secondary[3].text(), "0C");
    search.Menu_Popup_CopyToClipBoard->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "12345675");

    // "Set primary address..." asks for the address, moves the meter there through its secondary address and says so
    std::shared_ptr<ModalWatch> result;
    QString prompt;
    QTimer::singleShot(50ms, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        prompt = dialog->labelText();
        dialog->setIntValue(7);
        result = AnswerNextModal(QMessageBox::Ok);
        dialog->accept();
    });
    emit search.Menu_Popup->aboutToShow();
    search.Menu_Popup_SetPrimaryAddress->trigger();
    EXPECT_EQ(prompt, "New primary address (0 to 250) of the meter 12345675.0442.05.0C:");
    ASSERT_TRUE(result && result->seen);
    EXPECT_TRUE(result->text.endsWith(QStringLiteral("The meter answers at address 7."))) << result->text.toStdString();
    EXPECT_EQ(RowOf("1").Text(rowtext::kAddress), "7");
    // a collision names no one meter
    search.ListView_Search->setCurrentItem(search.ListView_Search->findItems(QStringLiteral("3"), Qt::MatchExactly, 1).front());
    emit search.Menu_Popup->aboutToShow();
    EXPECT_FALSE(search.Menu_Popup_SetPrimaryAddress->isEnabled());
}

TEST_F(SearchWindowTest, AbortInTheMiddleEndsTheSearchAtOnce)
{
    Context().ini.Write(ini::SearchSndNkeTimeout(QStringLiteral("9600"), ini::SearchGateway::Aspen), QStringLiteral("400"));
    Ostrand_Search& search = Open();
    Primary("0", "250");
    QTimer::singleShot(900ms, [&] {
        EXPECT_TRUE(search.Command_AbortSearch->isVisible());
        search.Command_AbortSearch->click();
    });
    QElapsedTimer clock;
    clock.start();
    search.Command_Search->click();
    EXPECT_LT(clock.elapsed(), 5000);
    const int rows = static_cast<int>(search.Rows().size());
    EXPECT_GE(rows, 2);
    EXPECT_LE(rows, 4);
    EXPECT_EQ(frames.size(), rows + 1); // SND_NKE to each, REQ_UD2 to meter 1 only
    EXPECT_EQ(search.ProgressBar_Search->value(), 0);
    EXPECT_TRUE(search.StatusPanel(2).startsWith(QString::number(rows) + QStringLiteral(" probes in ")));
    EXPECT_TRUE(search.Command_Search->isVisible());
}

TEST_F(SearchWindowTest, SecondarySearchIsSavedAsCsvAndText)
{
    Ostrand_Search& search = Open();
    search.Option_SearchMethod[1]->click();
    search.Text_SearchMaskId->setText(QStringLiteral("1234567f"));
    search.Text_SearchMaskMnfct->setText(QStringLiteral("442"));
    search.chkSec_REQ_UD2->setChecked(true);
    search.Command_Search->click();
    EXPECT_EQ(search.Text_SearchMaskId->text(), "1234567F");
    EXPECT_EQ(search.Text_SearchMaskMnfct->text(), "0442");
    ASSERT_EQ(search.Rows().size(), 10);
    EXPECT_EQ(RowOf("12345675").Text(rowtext::kReadout), "Ok");
    EXPECT_EQ(search.StatusPanel(3), "Selected: 1");
    EXPECT_EQ(frames.front().mid(7, 6), QByteArray::fromHex("705634" "1242" "04")); // 12345670, manufacturer 0442h

    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("meters.csv"));
    const QString txt = dir.filePath(QStringLiteral("meters.txt"));
    search.chooseSaveFile = [&](bool asCsv, const auto& chosen) { chosen(asCsv ? csv : txt); };
    search.CmdSaveCsv->click();
    search.Command_Save->click();
    QFile csvFile(csv);
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    const QStringList csvLines = QString::fromUtf8(csvFile.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(csvLines.size(), 3 + 10 + 1);
    EXPECT_EQ(csvLines[1], QStringLiteral("#Portsettings: UDP: 127.0.0.1:%1").arg(gateway->UdpPort()));
    EXPECT_EQ(csvLines[3], ",,,");
    EXPECT_EQ(csvLines[8], "12345675,0442,05,0C");
    QFile txtFile(txt);
    ASSERT_TRUE(txtFile.open(QIODevice::ReadOnly));
    const QStringList report = QString::fromUtf8(txtFile.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(report[0], "ADDRESS INFO");
    EXPECT_TRUE(report[4].contains(QStringLiteral("     Selection ")));
    EXPECT_TRUE(report[10].startsWith(QStringLiteral("      12345675              1             Ok             Ok")));

    search.chooseSaveFile = [&](bool, const auto& chosen) { chosen(dir.path()); }; // a folder cannot be written as a file
    const auto watch = AnswerNextModal();
    search.CmdSaveCsv->click();
    EXPECT_TRUE(WaitUntil([&] { return watch->seen; }, 5s)); // the box does not hold the click
    EXPECT_EQ(watch->title, "Save Error");
    EXPECT_TRUE(watch->text.startsWith(QStringLiteral("The following error has occurred:\r\nErr # ")));
}

// In German: the bar only moves forward while the tree opens branches late
// (at 123456FF, then 1234567F), the live summary says how far the scan is,
// the decoder's words are German, and found-only filters without a new search.
TEST_F(SearchWindowTest, SecondaryScanInGermanMovesOnlyForwardAndFiltersWithoutSearchingAgain)
{
    Context().language = Language(); // German in place of the fixture's English
    env.UseLanguage(QStringLiteral("049"));
    Ostrand_Search& search = Open();
    search.Option_SearchMethod[1]->click();
    search.Text_SearchMaskId->setText(QStringLiteral("12345FFF"));
    search.chkSec_REQ_UD2->setChecked(true);
    QList<int> shown;
    QStringList summaries;
    QObject::connect(search.ProgressBar_Search, &QProgressBar::valueChanged, [&](int value) {
        shown << value;
        summaries << search.StatusPanel(2);
    });
    search.Command_Search->click();

    ASSERT_EQ(search.Rows().size(), 30); // ten probes at each of three levels
    EXPECT_TRUE(std::is_sorted(shown.cbegin(), shown.cend())) << testing::PrintToString(std::vector<int>(shown.cbegin(), shown.cend()));
    EXPECT_EQ(shown.value(shown.size() - 1), search.ProgressBar_Search->maximum());
    const QString summary = summaries.value(summaries.size() - 2);
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Frage ab: 123458FF"))) << summary.toStdString(); // depth first
    EXPECT_TRUE(summary.contains(QStringLiteral("Gefunden: 1")) && summary.contains(QStringLiteral("Kollisionen: 2"))
                && summary.contains(QStringLiteral("Laufzeit: 0:0")) && summary.contains(QStringLiteral("Rest: etwa 0:0")))
        << summary.toStdString();

    QTreeWidget* list = search.ListView_Search;
    const QList<QTreeWidgetItem*> meter = list->findItems(QStringLiteral("12345675"), Qt::MatchExactly, 1);
    ASSERT_EQ(meter.size(), 1);
    EXPECT_EQ(meter.front()->text(rowtext::kMedium), QStringLiteral("W\u00e4rme (Vorlauf) (0Ch)"));
    EXPECT_EQ(meter.front()->text(rowtext::kReadout), "OK");
    EXPECT_EQ(RowOf("12345675").Text(rowtext::kMedium), "Heat (inlet) (0Ch)"); // what the exports write
    EXPECT_GE(list->columnWidth(rowtext::kMedium), list->fontMetrics().horizontalAdvance(meter.front()->text(rowtext::kMedium)));

    const qsizetype sent = frames.size();
    search.Check_ViewFoundOnly->click();
    ASSERT_EQ(search.Rows().size(), 1);
    EXPECT_EQ(search.Rows().front().Text(rowtext::kProbed), "12345675");
    search.Check_ViewFoundOnly->click();
    EXPECT_EQ(search.Rows().size(), 30);
    EXPECT_EQ(frames.size(), sent); // nothing searched again
}

TEST_F(SearchWindowTest, MaskThatIsNoHexIsRefusedBeforeAnythingIsSent)
{
    Ostrand_Search& search = Open();
    search.Option_SearchMethod[1]->click();
    search.Text_SearchMaskId->setText(QStringLiteral("1234567G"));
    const auto watch = AnswerNextModal();
    search.Command_Search->click();
    EXPECT_TRUE(watch->seen);
    EXPECT_TRUE(watch->text.contains(QStringLiteral("Identity: 1234567G"))) << watch->text.toStdString();
    EXPECT_TRUE(frames.isEmpty());
    EXPECT_TRUE(search.Command_Search->isVisible());
}

TEST_F(SearchWindowTest, UnreadableRecordAsksAndTheAnswerIsRememberedForTheRun)
{
    env.Network().configTarget.port = 9; // nobody answers there
    Context().ini.Write(ini::IP_UDPTimeOut, QStringLiteral("200"));
    Context().settings.Save(keys::Option_Search_Timeout, 1);
    Ostrand_Search& search = Open();
    Primary("1", "1");

    auto watch = AnswerNextModal(QMessageBox::No);
    search.Command_Search->click();
    EXPECT_TRUE(watch->seen);
    EXPECT_TRUE(watch->text.startsWith(QStringLiteral("No configuration could be read from the gateway 127.0.0.1, ")));
    EXPECT_TRUE(frames.isEmpty());
    EXPECT_EQ(search.Portsettings(), "127.0.0.1 (configuration not read, search cancelled)");
    EXPECT_EQ(search.StatusPanel(2), "0 probes in 0 seconds");

    watch = AnswerNextModal(QMessageBox::Yes);
    search.Command_Search->click();
    EXPECT_TRUE(watch->seen);
    EXPECT_TRUE(search.Frame_Timeout->isVisible());
    EXPECT_TRUE(search.Option_Timeout[1]->isChecked());
    EXPECT_EQ(search.Option_Timeout[0]->text(), "1000 ms/10000 ms (300 bps)");
    EXPECT_EQ(search.Option_Timeout[1]->text(), "150 ms/600 ms (2400 bps)");
    EXPECT_EQ(search.Timing().sndNkeTimeout, 150ms);
    EXPECT_EQ(search.Rows().size(), 1);

    // another choice takes effect at once and is kept
    search.Option_Timeout[2]->click();
    EXPECT_EQ(Context().settings.Read(keys::Option_Search_Timeout), "2");
    watch = AnswerNextModal(QMessageBox::No);
    search.Command_Search->click();
    EXPECT_FALSE(watch->seen); // accepted once, not asked again
    EXPECT_TRUE(search.Option_Timeout[2]->isChecked());
    EXPECT_EQ(search.Rows().size(), 1);
}

TEST_F(SearchWindowTest, BirchGatewayIsAskedAboutBeforeItsRecordIsRead)
{
    Context().state.SelectedDeviceIP = QStringLiteral("127.0.0.1");
    Context().state.SelectedDeviceType = DeviceTypeBirch;
    Ostrand_Search& search = Open();
    Primary("1", "1");
    const auto watch = AnswerNextModal(QMessageBox::Yes);
    search.Command_Search->click();
    EXPECT_TRUE(watch->seen);
    EXPECT_TRUE(watch->text.startsWith(QStringLiteral("This gateway is of the Birch type.\r\n")));
    EXPECT_TRUE(search.Frame_Timeout->isVisible());
    EXPECT_TRUE(remembered.accepted);
    EXPECT_EQ(remembered.host, "127.0.0.1");
}

TEST_F(SearchWindowTest, ExitDuringASearchStopsItAndClosesOnceItHasEnded)
{
    Ostrand_Search& search = Open();
    Primary("0", "250");
    QTimer::singleShot(400ms, [&] { search.Command_Exit->click(); });
    search.Command_Search->click();
    QApplication::processEvents();
    EXPECT_FALSE(search.isVisible());
    EXPECT_FALSE(search.Searching());
    EXPECT_LT(search.Rows().size(), 10);
    EXPECT_EQ(Context().settings.Read(keys::Text_HighPrimaryAddress), "250"); // saved on closing
}

} // namespace
