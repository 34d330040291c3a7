#include "features/featurepage.h"
#include "shell/infobox.h"
#include "shell/settingkeys.h"

#include "fakewizardhost.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <memory>

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
    page->Text_MeterFeature_Address[0]->setText(QStringLiteral("typed before"));
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
    page->Combo_MeterFeature_LineSpeed->setCurrentIndex(5);
    page->Combo_MeterFeature_AppReset->setCurrentIndex(3);
    page->Check_MeterFeature_AlwaysApp->setChecked(true);
    page->Text_MeterFeature_Sec_Address[1]->setText(QStringLiteral("FFFF"));
    page->Prepare(false, true);

    EXPECT_EQ(page->Combo_MeterFeature_LineSpeed->currentIndex(), 0);
    EXPECT_EQ(page->Combo_MeterFeature_AppReset->currentIndex(), 0);
    for (const QCheckBox* box : {page->Check_MeterFeature_TestAndDiagnostics, page->Check_MeterFeature_UseSecondaryAddress,
                                 page->Check_MeterFeature_AlwaysInit, page->Check_MeterFeature_AlwaysApp})
        EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString();
    for (const QLineEdit* field : page->Text_MeterFeature_Address)
        EXPECT_TRUE(field->text().isEmpty());
    for (const QLineEdit* field : page->Text_MeterFeature_Sec_Address)
        EXPECT_TRUE(field->text().isEmpty());
    EXPECT_FALSE(host.nextEnabled);
}

} // namespace
