#include "ascii/asciipage.h"
#include "shell/infobox.h"
#include "shell/resultlabel.h"

#include "fakewizardhost.h"
#include "testenvironment.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

using AsciiPageTest = LoadedPageTest<AsciiPage>;

TEST_F(AsciiPageTest, EveryControlIsFoundByItsNameAndHeldByTheMemberOfThatName)
{
    auto page = LoadedPage();
    EXPECT_EQ(page->objectName(), "Picture_Page(80)");
    const std::pair<const char*, QWidget*> controls[] = {
        {"Label_Header(80)", page->HeaderLabel()},
        {"Text_Info(80)", page->Text_Info},
        {"cboMBusAsciiTagName", page->cboMBusAsciiTagName},
        {"cboMBusAsciiProtocol", page->cboMBusAsciiProtocol},
        {"fraMBusAsciiMultidrop", page->fraMBusAsciiMultidrop},
        {"txtMBusAsciiStationID", page->txtMBusAsciiStationID},
        {"txtMBusAsciiValue", page->txtMBusAsciiValue},
        {"lblMBusAsciiResultText", page->lblMBusAsciiResultText},
        {"fraMBusAsciiFileFormat", page->fraMBusAsciiFileFormat},
        {"optMBusAsciiFileFormat(0)", page->optMBusAsciiFileFormat[0]},
        {"optMBusAsciiFileFormat(1)", page->optMBusAsciiFileFormat[1]},
        {"optMBusAsciiFileFormat(2)", page->optMBusAsciiFileFormat[2]},
        {"Command_MBusAscii_MeterFeature_Read", page->Command_MBusAscii_MeterFeature_Read},
        {"Command_MBusAscii_MeterFeature_Write", page->Command_MBusAscii_MeterFeature_Write},
        {"cmdMBusAsciiGetFile", page->cmdMBusAsciiGetFile},
        {"cmdMBusAsciiSaveFile", page->cmdMBusAsciiSaveFile},
        {"Command_MBusAscii_MeterFeature_Debug", page->Command_MBusAscii_MeterFeature_Debug},
    };
    for (const auto& [name, member] : controls)
        EXPECT_EQ(UniqueControl(*page, QString::fromLatin1(name)), member) << name;
    // The station number is part of the multidrop frame.
    EXPECT_TRUE(page->fraMBusAsciiMultidrop->isAncestorOf(page->txtMBusAsciiStationID));
}

TEST_F(AsciiPageTest, CaptionsAreTheirLanguageTexts)
{
    auto page = LoadedPage();
    EXPECT_EQ(UnknownLanguageTexts(*page), QStringList());
    EXPECT_EQ(page->HeaderLabel()->text(), "ASCII protocol test");
    EXPECT_EQ(page->Text_Info->Text(), "Enter or choose an item name and click Read.");
    EXPECT_EQ(page->optMBusAsciiFileFormat[0]->text(), "Modbus file");
    EXPECT_EQ(page->optMBusAsciiFileFormat[1]->text(), "Explorer file");
    EXPECT_EQ(page->optMBusAsciiFileFormat[2]->text(), "OPC Item file");
    EXPECT_EQ(page->cmdMBusAsciiGetFile->text(), "&Get file...");
    EXPECT_EQ(page->cmdMBusAsciiSaveFile->text(), "&Save file...");
    EXPECT_EQ(page->fraMBusAsciiMultidrop->title(), "Multidrop");
}

TEST_F(AsciiPageTest, LoadingTheWindowChoosesStandardProtocolStationZeroAndModbusFiles)
{
    auto page = LoadedPage();
    QStringList protocols;
    for (int i = 0; i < page->cboMBusAsciiProtocol->count(); ++i)
        protocols << page->cboMBusAsciiProtocol->itemText(i);
    // The list index is the protocol number sent in every request.
    EXPECT_EQ(protocols, QStringList({"0 - Standard", "1 - Standard incl. crc"}));
    EXPECT_EQ(page->cboMBusAsciiProtocol->currentIndex(), 0);
    EXPECT_EQ(page->txtMBusAsciiStationID->text(), "0");
    EXPECT_TRUE(page->optMBusAsciiFileFormat[0]->isChecked());
    EXPECT_FALSE(page->optMBusAsciiFileFormat[1]->isChecked());
    EXPECT_FALSE(page->optMBusAsciiFileFormat[2]->isChecked());
    EXPECT_EQ(page->cboMBusAsciiTagName->count(), 0);
}

TEST_F(AsciiPageTest, ATypedItemNameIsReadNotAddedToTheList)
{
    auto page = LoadedPage();
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    QComboBox* names = page->cboMBusAsciiTagName;
    ASSERT_TRUE(names->isEditable());

    QTest::keyClicks(names, QStringLiteral("TANK.LEVEL"));
    QTest::keyClick(names, Qt::Key_Return);
    // Saving writes the list, or the typed name when the list is empty.
    EXPECT_EQ(names->count(), 0);
    EXPECT_EQ(names->currentText(), "TANK.LEVEL");
}

TEST_F(AsciiPageTest, PrepareShowsTheOpeningTextInBlueAndKeepsNextDisabled)
{
    auto page = LoadedPage();
    page->lblMBusAsciiResultText->ShowResult(QStringLiteral("Error C: Crc fault"), ResultKind::DeviceError);

    page->Prepare(false, true);
    EXPECT_EQ(page->lblMBusAsciiResultText->text(), "Opening the connection to the gateway...");
    EXPECT_EQ(page->lblMBusAsciiResultText->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_FALSE(host.nextEnabled);
}

} // namespace
