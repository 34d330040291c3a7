#include "comm/deviceoperations.h"
#include "features/featurepage.h"
#include "comm/waiting.h"
#include "shell/infobox.h"
#include "base/language.h"
#include "base/settingkeys.h"
#include "base/wizardstate.h"

#include "fakewizardhost.h"
#include "gatewayslave.h"
#include "gatewayundertest.h"
#include "simulatedgateway.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

class FeaturePageTest : public LoadedPageTest<FeaturePage> {
protected:
    Settings& Store() { return env.Context().settings; }
};

TEST_F(FeaturePageTest, EveryControlIsFoundByItsNameAndHeldByTheMemberOfThatName)
{
    auto page = LoadedPage();
    EXPECT_EQ(page->objectName(), "Picture_Page(60)");
    EXPECT_EQ(UniqueControl(*page, "Label_Header(60)"), page->HeaderLabel());
    EXPECT_EQ(UniqueControl(*page, "Text_Info(60)"), page->Text_Info);
    for (int i = 0; i < 6; ++i) {
        const QString index = u'(' + QString::number(i) + u')';
        EXPECT_EQ(UniqueControl(*page, "Option_SelectMeterFeature" + index), page->Option_SelectMeterFeature.at(i));
        EXPECT_EQ(UniqueControl(*page, "Label_MeterFeature" + index), page->Label_MeterFeature.at(i));
    }
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(UniqueControl(*page, QStringLiteral("Text_MeterFeature_Address(%1)").arg(i)),
                  page->Text_MeterFeature_Address.at(i));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(UniqueControl(*page, QStringLiteral("Text_MeterFeature_Sec_Address(%1)").arg(i)),
                  page->Text_MeterFeature_Sec_Address.at(i));
    const std::pair<const char*, QWidget*> single[] = {
        {"Check_MeterFeature_UseSecondaryAddress", page->Check_MeterFeature_UseSecondaryAddress},
        {"Check_MeterFeature_TestAndDiagnostics", page->Check_MeterFeature_TestAndDiagnostics},
        {"Check_MeterFeature_AlwaysInit", page->Check_MeterFeature_AlwaysInit},
        {"Check_MeterFeature_AlwaysApp", page->Check_MeterFeature_AlwaysApp},
        {"Combo_MeterFeature_LineSpeed", page->Combo_MeterFeature_LineSpeed},
        {"Combo_MeterFeature_AppReset", page->Combo_MeterFeature_AppReset},
        {"Label_MeterFeature_AppReset", page->Label_MeterFeature_AppReset},
        {"Command_MeterFeature_Apply", page->Command_MeterFeature_Apply},
        {"Command_MeterFeature_Debug", page->Command_MeterFeature_Debug},
        {"Command_MeterFeature_Search", page->Command_MeterFeature_Search},
        {"Frame_MeterFeature_Function", page->Frame_MeterFeature_Function},
        {"Frame_MeterFeature_Meter", page->Frame_MeterFeature_Meter},
    };
    for (const auto& [name, member] : single)
        EXPECT_EQ(UniqueControl(*page, QString::fromLatin1(name)), member) << name;
}

TEST_F(FeaturePageTest, CaptionsAndToolTipsAreTheirLanguageTexts)
{
    auto page = LoadedPage();
    EXPECT_EQ(UnknownLanguageTexts(*page), QStringList());

    // Neighbouring controls whose texts are easily swapped.
    EXPECT_EQ(page->Option_SelectMeterFeature[0]->text(), "Initialise meter (SND_NKE)");
    EXPECT_EQ(page->Option_SelectMeterFeature[5]->text(), "Reset application");
    EXPECT_EQ(page->Check_MeterFeature_UseSecondaryAddress->text(), "Use secondary address");
    EXPECT_EQ(page->Check_MeterFeature_TestAndDiagnostics->text(), "Broadcast (254)");
    EXPECT_EQ(page->Check_MeterFeature_AlwaysInit->text(), "Always send SND_NKE first");
    EXPECT_EQ(page->Check_MeterFeature_AlwaysApp->text(), "Always reset application first");
    EXPECT_EQ(page->Label_MeterFeature[0]->text(), "Primary address");
    EXPECT_EQ(page->Label_MeterFeature[1]->text(), "New primary address");
    EXPECT_EQ(page->Label_MeterFeature[2]->text(), "New bus speed");
    EXPECT_EQ(page->Label_MeterFeature[3]->text(), "Mnfct");
    EXPECT_EQ(page->Label_MeterFeature[5]->text(), "Media");
    EXPECT_EQ(page->Label_MeterFeature_AppReset->text(), "Reset subcode");
    EXPECT_EQ(page->Text_MeterFeature_Sec_Address[0]->toolTip(), "Identification number, 8 digits. F stands for any digit.");
    EXPECT_EQ(page->Text_MeterFeature_Sec_Address[3]->toolTip(), "Medium, 2 hex digits. FF matches any medium.");
    EXPECT_EQ(page->Command_MeterFeature_Search->text(), "&Search meters...");
}

TEST_F(FeaturePageTest, ListsHoldTheBusSpeedsAndTheSeventeenResetChoices)
{
    auto page = LoadedPage();
    EXPECT_EQ(Entries(page->Combo_MeterFeature_LineSpeed),
              QStringList({"300", "600 (non-standard)", "1200 (non-standard)", "2400", "4800 (non-standard)", "9600"}));
    // Entry 0 sends no subcode, entry i the subcode (i - 1) * 16, named by
    // its meaning and its number.
    EXPECT_EQ(Entries(page->Combo_MeterFeature_AppReset),
              QStringList({"No subcode",
                           "All - 0",
                           "User data - 1",
                           "Simple billing - 2",
                           "Enhanced billing - 3",
                           "Multi-tariff billing - 4",
                           "Instantaneous values - 5",
                           "Load management values - 6",
                           "Reserved - 7",
                           "Installation and startup - 8",
                           "Testing - 9",
                           "Calibration - 10",
                           "Manufacturing - 11",
                           "Development - 12",
                           "Self-test - 13",
                           "Reserved - 14",
                           "Reserved - 15"}));

    // A second start of the window does not add the entries twice.
    page->Startup();
    EXPECT_EQ(page->Combo_MeterFeature_LineSpeed->count(), 6);
    EXPECT_EQ(page->Combo_MeterFeature_AppReset->count(), 17);
}

TEST_F(FeaturePageTest, StartupSelectsTheStoredOperationAndNamesItOnApply)
{
    const struct {
        const char* stored; // nullptr: never stored
        int selected;
        const char* apply;
        const char* header;
    } cases[] = {
        {nullptr, 0, "&Initialise", "Initialise meter"},
        {"1", 1, "&Read", "Read identification"},
        {"3", 3, "&Change speed", "Change bus speed"},
        {"5", 5, "&Reset", "Reset application"},
        {"6", 0, "&Initialise", "Initialise meter"},  // edited by hand
        {"-1", 0, "&Initialise", "Initialise meter"}, // edited by hand
        {"x", 0, "&Initialise", "Initialise meter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        if (c.stored)
            Store().Save(keys::Option_SelectMeterFeature, QString::fromLatin1(c.stored));
        auto page = LoadedPage();
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(page->Option_SelectMeterFeature[static_cast<size_t>(i)]->isChecked(), i == c.selected) << i;
        EXPECT_EQ(page->SelectedFeature(), c.selected);
        EXPECT_EQ(page->Command_MeterFeature_Apply->text(), c.apply);
        EXPECT_EQ(page->HeaderLabel()->text(), c.header);
    }
}

TEST_F(FeaturePageTest, PrepareFillsTheFieldsFromTheStoreAndKeepsNextDisabled)
{
    Store().Save(keys::Option_SelectMeterFeature, 1);
    Store().Save(keys::MeterFeature_LineSpeed, 4);
    Store().Save(keys::MeterFeature_AppReset, 16);
    Store().Save(keys::MeterFeature_TestAndDiagnostics, 1);
    Store().Save(keys::MeterFeature_UseSecondaryAddress, 1);
    Store().Save(keys::MeterFeature_AlwaysInit, 1);
    Store().Save(keys::MeterFeature_AlwaysApp, 1);
    Store().Save(keys::MeterFeature_Address_0, QStringLiteral("17"));
    Store().Save(keys::MeterFeature_Address_1, QStringLiteral("42"));
    const QString secondary[] = {QStringLiteral("12345678"), QStringLiteral("2C2D"), QStringLiteral("01"),
                                 QStringLiteral("07")};
    for (int i = 0; i < 4; ++i)
        Store().Save(keys::MeterFeature_Sec_Address.ForTask(i), secondary[i]);

    auto page = LoadedPage();
    {
        const QSignalBlocker shownOnly(page->Text_MeterFeature_Address[0]); // not a user's edit: not stored
        page->Text_MeterFeature_Address[0]->setText(QStringLiteral("shown before"));
    }
    page->Text_Info->SetText(QStringLiteral("left from before"));
    page->Prepare(false, true);

    EXPECT_FALSE(host.nextEnabled);
    EXPECT_EQ(page->Text_Info->Text(), "Opening the connection to the gateway...");
    EXPECT_EQ(page->Combo_MeterFeature_LineSpeed->currentIndex(), 4);
    EXPECT_EQ(page->Combo_MeterFeature_AppReset->currentIndex(), 16);
    EXPECT_TRUE(page->Check_MeterFeature_TestAndDiagnostics->isChecked());
    EXPECT_TRUE(page->Check_MeterFeature_UseSecondaryAddress->isChecked());
    EXPECT_TRUE(page->Check_MeterFeature_AlwaysInit->isChecked());
    EXPECT_TRUE(page->Check_MeterFeature_AlwaysApp->isChecked());
    EXPECT_EQ(page->Text_MeterFeature_Address[0]->text(), "17");
    EXPECT_EQ(page->Text_MeterFeature_Address[1]->text(), "42");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(page->Text_MeterFeature_Sec_Address[static_cast<size_t>(i)]->text(), secondary[i]) << i;
    // With SND_NKE first, the header names it.
    EXPECT_EQ(page->HeaderLabel()->text(), "Initialise and read identification");

    // The values stored while the page was away replace what it showed.
    Store().Save(keys::MeterFeature_AlwaysInit, 0);
    Store().Save(keys::MeterFeature_Address_0, QStringLiteral("250"));
    page->Prepare(true, false);
    EXPECT_FALSE(page->Check_MeterFeature_AlwaysInit->isChecked());
    EXPECT_EQ(page->Text_MeterFeature_Address[0]->text(), "250");
    EXPECT_EQ(page->HeaderLabel()->text(), "Read identification");
}

TEST_F(FeaturePageTest, PrepareOnFirstUseShowsEntryZeroEmptyFieldsAndClearBoxes)
{
    auto page = LoadedPage();
    {
        // what the controls showed before, not stored
        const QSignalBlocker box(page->Check_MeterFeature_AlwaysApp);
        const QSignalBlocker field(page->Text_MeterFeature_Sec_Address[1]);
        page->Combo_MeterFeature_LineSpeed->setCurrentIndex(5);
        page->Combo_MeterFeature_AppReset->setCurrentIndex(3);
        page->Check_MeterFeature_AlwaysApp->setChecked(true);
        page->Text_MeterFeature_Sec_Address[1]->setText(QStringLiteral("FFFF"));
    }
    page->Prepare(false, true);

    EXPECT_EQ(page->Combo_MeterFeature_LineSpeed->currentIndex(), 3); // 2400 baud, the gateway's line not known
    EXPECT_EQ(page->Combo_MeterFeature_AppReset->currentIndex(), 0);
    for (const QCheckBox* box : {page->Check_MeterFeature_TestAndDiagnostics, page->Check_MeterFeature_UseSecondaryAddress,
                                 page->Check_MeterFeature_AlwaysInit, page->Check_MeterFeature_AlwaysApp})
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    for (const QLineEdit* field : page->Text_MeterFeature_Address)
        EXPECT_TRUE(field->text().isEmpty());
    for (const QLineEdit* field : page->Text_MeterFeature_Sec_Address)
        EXPECT_TRUE(field->text().isEmpty());
    EXPECT_FALSE(host.nextEnabled);

    // over a serial line the new speed starts at the line's own
    Store().Save(keys::Option_EnterIPAddress, 1);
    Store().Save(keys::Combo_EnterIPAddress_BaudRate.ForTask(env.Context().state.WhatToDo), 5);
    page->Prepare(false, true);
    EXPECT_EQ(page->Combo_MeterFeature_LineSpeed->currentIndex(), 5);
}

} // namespace

namespace {

// A text as the information box shows it: lines joined with LF.
QString Shown(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void Choose(FeaturePage& page, int option)
{
    QRadioButton* button = page.Option_SelectMeterFeature.at(static_cast<size_t>(option));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void Toggle(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

} // namespace

TEST_F(FeaturePageTest, EachOptionShowsTheControlsItUses)
{
    auto page = LoadedPage();
    page->Prepare(false, true);
    const struct {
        int option;
        bool newAddress, speed, subcode, broadcastShown, alwaysInitUsable, alwaysAppUsable, records;
        const char *header, *apply;
    } rows[] = {
        {0, false, false, false, true, false, false, false, "Initialise meter", "&Initialise"},
        {1, false, false, false, true, true, true, true, "Read identification", "&Read"},
        {2, true, false, false, false, true, false, false, "Change primary address", "&Change address"},
        {3, false, true, false, false, true, false, false, "Change bus speed", "&Change speed"},
        {4, false, false, false, true, true, true, false, "Test and diagnostics", "&Read"}, // no reset first: no subcode
        {5, false, false, true, true, false, false, false, "Reset application", "&Reset"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option);
        Choose(*page, row.option);
        EXPECT_EQ(Store().ReadInt(keys::Option_SelectMeterFeature), row.option);
        EXPECT_EQ(page->Text_MeterFeature_Address[1]->isHidden(), !row.newAddress);
        EXPECT_EQ(page->Label_MeterFeature[1]->isHidden(), !row.newAddress);
        EXPECT_EQ(page->Combo_MeterFeature_LineSpeed->isHidden(), !row.speed);
        EXPECT_EQ(page->Combo_MeterFeature_AppReset->isEnabled(), row.subcode);
        EXPECT_EQ(page->Check_MeterFeature_TestAndDiagnostics->isHidden(), !row.broadcastShown);
        EXPECT_EQ(page->Check_MeterFeature_AlwaysInit->isEnabled(), row.alwaysInitUsable);
        EXPECT_EQ(page->Check_MeterFeature_AlwaysApp->isEnabled(), row.alwaysAppUsable);
        EXPECT_EQ(page->Table_MeterFeature_Records->isHidden(), !row.records);
        EXPECT_EQ(page->HeaderLabel()->text(), row.header);
        EXPECT_EQ(page->Command_MeterFeature_Apply->text(), row.apply);
        EXPECT_EQ(page->Text_Info->Text(), Shown(env.Context().language.GetLanguageText(630 + row.option)));
    }
}

TEST_F(FeaturePageTest, OptionsThatForceTheBoxesOffGiveBackWhatTheyShowed)
{
    auto page = LoadedPage();
    page->Prepare(false, true);
    Choose(*page, 1);
    Toggle(page->Check_MeterFeature_AlwaysInit);
    EXPECT_TRUE(page->Check_MeterFeature_AlwaysInit->isChecked());
    EXPECT_EQ(page->HeaderLabel()->text(), "Initialise and read identification");
    EXPECT_EQ(Store().ReadInt(keys::MeterFeature_AlwaysInit), 1);

    Choose(*page, 0); // initialise: SND_NKE first makes no sense
    EXPECT_FALSE(page->Check_MeterFeature_AlwaysInit->isChecked());
    EXPECT_EQ(Store().ReadInt(keys::MeterFeature_AlwaysInit), 0);
    Choose(*page, 5);
    Choose(*page, 1);
    EXPECT_TRUE(page->Check_MeterFeature_AlwaysInit->isChecked());

    Choose(*page, 4);
    Toggle(page->Check_MeterFeature_AlwaysApp);
    Choose(*page, 2);
    EXPECT_FALSE(page->Check_MeterFeature_AlwaysApp->isChecked());
    Choose(*page, 4);
    EXPECT_TRUE(page->Check_MeterFeature_AlwaysApp->isChecked());

    // secondary addressing: no SND_NKE; back to primary, the box returns
    Toggle(page->Check_MeterFeature_UseSecondaryAddress);
    EXPECT_FALSE(page->Check_MeterFeature_AlwaysInit->isChecked());
    EXPECT_FALSE(page->Check_MeterFeature_AlwaysInit->isEnabled());
    EXPECT_FALSE(page->Check_MeterFeature_TestAndDiagnostics->isEnabled());
    EXPECT_TRUE(page->Text_MeterFeature_Address[0]->isHidden());
    EXPECT_FALSE(page->Text_MeterFeature_Sec_Address[0]->isHidden());
    EXPECT_EQ(page->Label_MeterFeature[0]->text(), "Identity");
    Toggle(page->Check_MeterFeature_UseSecondaryAddress);
    EXPECT_TRUE(page->Check_MeterFeature_AlwaysInit->isChecked());
    EXPECT_EQ(page->Label_MeterFeature[0]->text(), "Primary address");
}

namespace {

// The page on a simulated gateway with meters 1-3, a Birch V2 gateway's own
// slave at 250, and the log window beside it.
class FeaturePageWalk : public FeaturePageTest, protected GatewayUnderTest {
protected:
    void SetUp() override
    {
        BusConfig bus = DefaultBusConfig(); // 1: 12345678, 2: 12345679 (SIM), 3: 23456789 (KVX)
        bus.meters.append(GatewaySlave({250, 0x20240001, 365, 180, 2400}));
        MeterConfig fixed; // answers with the fixed data structure
        fixed.address = 8;
        fixed.id = 0x55500002;
        fixed.fixedStructure = true;
        bus.meters.append(fixed);
        EndpointOptions options;
        options.udpPort = 0;
        options.tcpPort = std::nullopt;
        ASSERT_NO_FATAL_FAILURE(StartGateway(bus, options));
        env.Context().state.WhatToDo = 4;
        env.Context().state.CurrentPage = 60;
        StoreLoopbackGateway(Store(), gateway->UdpPort(), true);
        env.Context().ini.Write(ini::IP_BusDelay, QStringLiteral("0"));
        env.Context().ini.Write(ini::IP_BusTimeOut, QStringLiteral("500"));
    }

    QString Info() const { return page->Text_Info->Text(); }
    void Type(QLineEdit* field, const QString& text)
    {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    void Apply()
    {
        frames.clear();
        QTest::mouseClick(page->Command_MeterFeature_Apply, Qt::LeftButton);
    }
    QString T(int id) { return Shown(env.Context().language.GetLanguageText(id)); }

    QWidget window; // the wizard's room for the page, when a test wants it
    std::unique_ptr<FeaturePage> page;
};

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

TEST_F(FeaturePageWalk, TheOperationsThroughTheWindow)
{
    Store().Save(keys::Option_SelectMeterFeature, 1);
    Store().Save(keys::MeterFeature_Address_0, QStringLiteral("1"));
    page = LoadedPage();
    Ostrand_Debug log(env.Context().log, env.Context().ini, env.Context().settings, env.Context().language,
                      env.Context().operations);
    host.debugWindow = &log;
    page->Prepare(false, true);
    page->Enter(false, true);
    ASSERT_TRUE(page->Command_MeterFeature_Apply->isEnabled()) << Info().toStdString();
    EXPECT_EQ(Info(), T(631)); // the stored option ran once the connection was open
    {
        // Another window's operation (a search) runs: Apply cannot start and does not look as if it could.
        const DeviceOperationScope search(env.Context().operations);
        EXPECT_FALSE(page->Command_MeterFeature_Apply->isEnabled());
    }
    EXPECT_TRUE(page->Command_MeterFeature_Apply->isEnabled());
    EXPECT_FALSE(log.Check_CountinousPoll->isEnabled()); // reading the identification is not polled

    // Read identification of meter 1: the documented texts, then the records
    Apply();
    EXPECT_EQ(frames, QList<QByteArray>({Hex("10 5B 01 5C 16")}));
    EXPECT_TRUE(Info().contains(QStringLiteral(" 12345678 (SIM).\n"))) << Info().toStdString();
    EXPECT_EQ(page->Table_MeterFeature_Records->rowCount(), 2);
    EXPECT_TRUE(page->Command_MeterFeature_Apply->isEnabled());
    EXPECT_TRUE(host.backEnabled);

    // The broadcast box sends the read to 254 and shows it in the field
    Toggle(page->Check_MeterFeature_TestAndDiagnostics);
    EXPECT_EQ(page->Text_MeterFeature_Address[0]->text(), "254");
    EXPECT_FALSE(page->Text_MeterFeature_Address[0]->isEnabled());
    Apply();
    EXPECT_EQ(frames.value(0), Hex("10 5B FE 59 16"));
    EXPECT_EQ(Store().Read(keys::MeterFeature_Address_0), "1"); // the meter's own address is kept

    // Change of primary address: the broadcast box does not apply; the
    // target above 255 becomes 250, a new address of 252 becomes 250
    Choose(*page, 2);
    EXPECT_EQ(page->Text_MeterFeature_Address[0]->text(), "1");
    Type(page->Text_MeterFeature_Address[0], QStringLiteral("300"));
    Type(page->Text_MeterFeature_Address[1], QStringLiteral("252"));
    Apply();
    EXPECT_EQ(page->Text_MeterFeature_Address[0]->text(), "250");
    EXPECT_EQ(page->Text_MeterFeature_Address[1]->text(), "250");
    EXPECT_EQ(frames.value(0), Hex("68 06 06 68 53 FA 51 01 7A FA 13 16"));
    Type(page->Text_MeterFeature_Address[0], QStringLiteral("3"));
    Type(page->Text_MeterFeature_Address[1], QStringLiteral("251"));
    Apply();
    EXPECT_EQ(page->Text_MeterFeature_Address[1]->text(), "251");
    EXPECT_EQ(frames.value(0), Hex("68 06 06 68 53 03 51 01 7A FB 1D 16"));
    Type(page->Text_MeterFeature_Address[0], QStringLiteral("2"));
    Type(page->Text_MeterFeature_Address[1], QStringLiteral("9"));
    Apply();
    EXPECT_EQ(frames.value(0), Hex("68 06 06 68 53 02 51 01 7A 09 2A 16"));
    // read back where it now is: the page says it answers there
    EXPECT_EQ(frames.value(1), Hex("10 5B 09 64 16"));
    EXPECT_TRUE(Info().endsWith(T(180) + QStringLiteral("\n\n") + T(1500).arg(9) + u' ' + T(1501).arg(9)))
        << Info().toStdString();

    // ... and the meter answers under its new one
    Choose(*page, 1);
    Toggle(page->Check_MeterFeature_TestAndDiagnostics);
    Type(page->Text_MeterFeature_Address[0], QStringLiteral("9"));
    Apply();
    EXPECT_TRUE(Info().contains(QStringLiteral(" 12345679 (SIM)."))) << Info().toStdString();

    // Secondary addressing: the fields normalised and written back, the meter selected, then read at 253
    Toggle(page->Check_MeterFeature_UseSecondaryAddress);
    Type(page->Text_MeterFeature_Sec_Address[0], QStringLiteral("2345678*"));
    Type(page->Text_MeterFeature_Sec_Address[1], QStringLiteral("2ED8"));
    Type(page->Text_MeterFeature_Sec_Address[2], QStringLiteral("01"));
    Type(page->Text_MeterFeature_Sec_Address[3], QString());
    Apply();
    EXPECT_EQ(page->Text_MeterFeature_Sec_Address[0]->text(), "2345678F");
    EXPECT_EQ(page->Text_MeterFeature_Sec_Address[3]->text(), "FF");
    EXPECT_EQ(frames.value(0), Hex("68 0B 0B 68 53 FD 52 8F 67 45 23 D8 2E 01 FF 06 16"));
    EXPECT_EQ(frames.value(1), Hex("10 5B FD 58 16"));
    EXPECT_TRUE(Info().contains(QStringLiteral(" 23456789 (KVX)."))) << Info().toStdString();
    Toggle(page->Check_MeterFeature_UseSecondaryAddress);

    // Diagnostics of the Birch V2 gateway, which the log window may repeat
    Choose(*page, 4);
    EXPECT_TRUE(log.Check_CountinousPoll->isEnabled());
    Type(page->Text_MeterFeature_Address[0], QStringLiteral("250"));
    Apply();
    EXPECT_TRUE(Info().contains(QStringLiteral("Kalvix Birch V2: U = 36.5 V  I = 18 mA"))) << Info().toStdString();
    Choose(*page, 5);
    EXPECT_FALSE(log.Check_CountinousPoll->isEnabled());

    // A new bus speed over the network: the page says what the gateway's line needs to follow it
    Choose(*page, 3);
    EXPECT_EQ(page->Combo_MeterFeature_LineSpeed->currentText(), "2400"); // never chosen: the line's usual speed
    page->Combo_MeterFeature_LineSpeed->setCurrentIndex(5);
    Type(page->Text_MeterFeature_Address[0], QStringLiteral("1"));
    Apply();
    EXPECT_TRUE(Info().endsWith(T(180) + QStringLiteral("\n\n") + T(1508).arg(9600))) << Info().toStdString();

    // Debug and Search leave the page to the wizard
    QSignalSpy search(page.get(), &FeaturePage::searchRequested);
    QTest::mouseClick(page->Command_MeterFeature_Search, Qt::LeftButton);
    QTest::mouseClick(page->Command_MeterFeature_Debug, Qt::LeftButton);
    EXPECT_EQ(search.count(), 1);
    EXPECT_EQ(host.debugToggles, 1);
    host.debugWindow = nullptr;
}

TEST_F(FeaturePageWalk, OverASerialLineTheNewSpeedIsFollowedAndTheMeterReadThere)
{
    GatewayUnderTest cable;
    EndpointOptions options;
    options.udpPort.reset();
    options.tcpPort.reset();
    options.pty = true;
    ASSERT_NO_FATAL_FAILURE(cable.StartGateway(DefaultBusConfig(), options));
    env.Context().ini.WriteIniValue(QStringLiteral("SerialPorts"), QStringLiteral("COM1"), cable.gateway->PtyPath());
    Store().Save(keys::Option_EnterIPAddress, 1);
    Store().Save(keys::SerialPortForConnection.ForTask(4), QStringLiteral("0"));
    Store().Save(keys::Option_SelectMeterFeature, 3);
    Store().Save(keys::MeterFeature_Address_0, QStringLiteral("1"));
    Store().Save(keys::MeterFeature_LineSpeed, 5);
    page = LoadedPage();
    page->Prepare(false, true);
    page->Enter(false, true);

    const auto watch = AnswerNextModal(QMessageBox::Yes);
    Apply();
    EXPECT_EQ(watch->text, env.Context().language.GetLanguageText(1507).arg(9600));
    EXPECT_EQ(Store().Read(keys::Combo_EnterIPAddress_BaudRate.ForTask(4)), "5");
    EXPECT_TRUE(Info().endsWith(T(1500).arg(1) + u' ' + T(1501).arg(1))) << Info().toStdString();
    EXPECT_EQ(cable.frames.size(), 2); // the new speed, then the read at it
}

TEST_F(FeaturePageWalk, AChangeForEveryMeterGoesOnlyWhenTheUserSaysSo)
{
    Store().Save(keys::Option_SelectMeterFeature, 2);
    Store().Save(keys::MeterFeature_Address_0, QStringLiteral("255"));
    Store().Save(keys::MeterFeature_Address_1, QStringLiteral("9"));
    page = LoadedPage();
    page->Prepare(false, true);
    page->Enter(false, true);

    auto watch = AnswerNextModal(); // closed: No, the default
    Apply();
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(watch->text, env.Context().language.GetLanguageText(1325).arg(255));
    WaitUntil([this] { return !frames.isEmpty(); }, 300ms); // time for a frame sent anyway
    EXPECT_TRUE(frames.isEmpty());

    watch = AnswerNextModal(QMessageBox::Yes);
    Apply();
    EXPECT_TRUE(watch->seen);
    WaitUntil([this] { return !frames.isEmpty(); }, 5000ms); // nobody answers: nothing waited for it
    EXPECT_EQ(frames, QList<QByteArray>({Hex("68 06 06 68 53 FF 51 01 7A 09 27 16")}));
    EXPECT_TRUE(Info().endsWith(T(1323))) << Info().toStdString();

    // The wizard closed while a change's answer is awaited: the change went
    // out, and the user is told so before the window goes.
    Type(page->Text_MeterFeature_Address[0], QStringLiteral("99")); // nobody there: no answer comes
    QTimer::singleShot(100, page.get(), [this] { env.Context().operations.RequestCancel(); });
    watch = AnswerNextModal();
    Apply();
    EXPECT_EQ(frames.value(0).mid(4, 2), Hex("53 63"));
    EXPECT_TRUE(watch->seen);
    EXPECT_EQ(watch->text, env.Context().language.GetLanguageText(1320));
}

namespace {

// The page in a window of the size it asks for once loaded, as the wizard
// sizes itself by it: whatever it shows later has to fit there.
void ShowAtItsSize(FeaturePage& page, QWidget& window)
{
    const QSize size = page.sizeHint();
    page.setParent(&window);
    page.setGeometry(QRect(QPoint(), size));
    window.setFixedSize(size);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

// The geometry of the result area and the controls above it, once the layout has settled.
QList<QRect> Placement(const FeaturePage& page)
{
    QCoreApplication::processEvents();
    return {page.Text_Info->geometry(), page.Table_MeterFeature_Records->geometry(),
            page.Frame_MeterFeature_Function->geometry(), page.Frame_MeterFeature_Meter->geometry(),
            page.Command_MeterFeature_Apply->geometry()};
}

} // namespace

TEST_F(FeaturePageWalk, AReadShowsTheRecordsAsRowsCopiedAsCsvAndTheResultMovesNothing)
{
    Store().Save(keys::Option_SelectMeterFeature, 1);
    Store().Save(keys::MeterFeature_Address_0, QStringLiteral("1"));
    page = LoadedPage();
    ASSERT_NO_FATAL_FAILURE(ShowAtItsSize(*page, window));
    page->Prepare(false, true);
    page->Enter(false, true);
    const QList<QRect> before = Placement(*page);

    Apply();
    const QString csv = QStringLiteral("Storage,Tariff,Subunit,Function,Description,Value,Unit\r\n"
                                       "0,0,0,Instantaneous,Volume,12.346,m³\r\n"
                                       "1,0,0,Instantaneous,Date,2024-12-31,\r\n");
    QTest::keyClick(page->Table_MeterFeature_Records, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), csv);
    QApplication::clipboard()->clear();
    QTest::mouseClick(page->Command_MeterFeature_CopyRecords, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), csv);
    // a long result and a short one leave everything where it was
    EXPECT_EQ(Placement(*page), before);
    page->Text_Info->SetText(QStringLiteral("x"));
    EXPECT_EQ(Placement(*page), before);
}

// The reset's subcode goes out only while its list is usable.
TEST_F(FeaturePageWalk, TheResetSubcodeGoesOutOnlyFromAUsableList)
{
    Store().Save(keys::MeterFeature_Address_0, QStringLiteral("1"));
    Store().Save(keys::MeterFeature_AppReset, 3); // subcode 2: 20h
    page = LoadedPage();
    page->Prepare(false, true);
    page->Enter(false, true);
    const struct {
        int option;
        bool resetFirst;
        const char* first; // the first frame sent
    } rows[] = {
        {1, false, "10 5B 01 5C 16"},
        {1, true, "68 04 04 68 53 01 50 20 C4 16"},
        {4, false, "10 5B 01 5C 16"},
        {4, true, "68 04 04 68 53 01 50 20 C4 16"},
        {5, false, "68 04 04 68 53 01 50 20 C4 16"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option * 10 + row.resetFirst);
        Choose(*page, row.option);
        if (page->Check_MeterFeature_AlwaysApp->isChecked() != row.resetFirst)
            Toggle(page->Check_MeterFeature_AlwaysApp);
        EXPECT_EQ(page->Combo_MeterFeature_AppReset->isEnabled(), row.option == 5 || row.resetFirst);
        Apply();
        EXPECT_EQ(frames.value(0), Hex(row.first));
    }
}

TEST_F(FeaturePageWalk, InGermanTheCaptionsFitAndTheRecordsAreGerman)
{
    env.Context().language = Language(); // the first language loaded would win
    env.UseLanguage(QStringLiteral("049"));
    Store().Save(keys::Option_SelectMeterFeature, 1);
    Store().Save(keys::MeterFeature_Address_0, QStringLiteral("8"));
    page = LoadedPage();
    ASSERT_NO_FATAL_FAILURE(ShowAtItsSize(*page, window));
    page->Prepare(false, true);
    page->Enter(false, true);
    Apply();
    // the fixed structure's two counters, named in German
    EXPECT_TRUE(page->RecordsCsv().contains(QStringLiteral("0,0,0,Momentanwert,Zählwerk 2,0,\"h,min,s\"\r\n")))
        << page->RecordsCsv().toStdString();

    // Every caption has its room, whichever choice shows it.
    for (const bool secondary : {false, true}) {
        if (secondary)
            Toggle(page->Check_MeterFeature_UseSecondaryAddress);
        for (int option = 0; option < FeaturePage::kFeatureCount; ++option) {
            Choose(*page, option);
            QCoreApplication::processEvents();
            for (const QWidget* widget : page->findChildren<QWidget*>()) {
                const auto* label = qobject_cast<const QLabel*>(widget);
                const bool caption = (label && !label->wordWrap()) || qobject_cast<const QAbstractButton*>(widget);
                if (!widget->isVisible() || !caption)
                    continue;
                EXPECT_GE(widget->width(), widget->sizeHint().width())
                    << option << " " << secondary << " " << widget->objectName().toStdString();
            }
        }
    }
}
