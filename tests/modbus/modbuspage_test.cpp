#include "modbus/modbuspage.h"
#include "shell/resultlabel.h"

#include "fakewizardhost.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

using ModbusPageTest = LoadedPageTest<ModbusPage>;

TEST_F(ModbusPageTest, EveryControlIsFoundByItsNameAndHeldByTheMemberOfThatName)
{
    auto page = LoadedPage();
    EXPECT_EQ(page->objectName(), "Picture_Page(70)");
    EXPECT_EQ(UniqueControl(*page, "Label_Header(70)"), page->HeaderLabel());
    for (int row = 0; row < ModbusPage::kValueRows; ++row) {
        const auto at = static_cast<size_t>(row);
        const QString index = u'(' + QString::number(row) + u')';
        EXPECT_EQ(UniqueControl(*page, "txtModbusRegister" + index), page->txtModbusRegister[at]);
        EXPECT_EQ(UniqueControl(*page, "cboModbusDatatype" + index), page->cboModbusDatatype[at]);
        EXPECT_EQ(UniqueControl(*page, "cboModbusFormat" + index), page->cboModbusFormat[at]);
        EXPECT_EQ(UniqueControl(*page, "txtModbusByte" + index), page->txtModbusByte[at]);
        EXPECT_EQ(UniqueControl(*page, "txtModbusValue" + index), page->txtModbusValue[at]);
        EXPECT_EQ(UniqueControl(*page, "txtModbusDescription" + index), page->txtModbusDescription[at]);
    }
    const std::pair<const char*, QWidget*> single[] = {
        {"optModBusRtuTcp(0)", page->optModBusRtuTcp[0]},
        {"optModBusRtuTcp(1)", page->optModBusRtuTcp[1]},
        {"txtModbusSlaveAddress", page->txtModbusSlaveAddress},
        {"cboModbusFunction", page->cboModbusFunction},
        {"txtModbusFirstRegister", page->txtModbusFirstRegister},
        {"txtModbusNoOfRegisters", page->txtModbusNoOfRegisters},
        {"ChkModbusAutoRegister", page->ChkModbusAutoRegister},
        {"grdModbusValues", page->grdModbusValues},
        {"lblModbusResultText", page->lblModbusResultText},
        {"Command_ModBus_MeterFeature_Read", page->Command_ModBus_MeterFeature_Read},
        {"Command_ModBus_MeterFeature_Write", page->Command_ModBus_MeterFeature_Write},
        {"Command_ModBus_MeterFeature_Clear", page->Command_ModBus_MeterFeature_Clear},
        {"Command_ModBus_MeterFeature_Save", page->Command_ModBus_MeterFeature_Save},
        {"Command_ModBus_MeterFeature_Get", page->Command_ModBus_MeterFeature_Get},
        {"Command_ModBus_MeterFeature_Debug", page->Command_ModBus_MeterFeature_Debug},
    };
    for (const auto& [name, member] : single)
        EXPECT_EQ(UniqueControl(*page, QString::fromLatin1(name)), member) << name;
}

TEST_F(ModbusPageTest, CaptionsAndColumnTitlesAreTheirLanguageTexts)
{
    auto page = LoadedPage();
    EXPECT_EQ(UnknownLanguageTexts(*page), QStringList());
    EXPECT_EQ(page->HeaderLabel()->text(), "Modbus test");
    QStringList titles;
    for (int column = 0; column < page->grdModbusValues->columnCount(); ++column)
        titles << page->grdModbusValues->horizontalHeaderItem(column)->text();
    EXPECT_EQ(titles, QStringList({"Register", "Data type", "Word order", "Bytes (hex)", "Value", "Description"}));
    EXPECT_EQ(page->Command_ModBus_MeterFeature_Read->text(), "&Read");
    EXPECT_EQ(page->Command_ModBus_MeterFeature_Get->text(), "&Get...");
    EXPECT_EQ(page->ChkModbusAutoRegister->text(), "Count register numbers automatically");
}

TEST_F(ModbusPageTest, LoadingTheWindowChoosesTcpFunction3AndInt16InEveryRow)
{
    auto page = LoadedPage();
    EXPECT_FALSE(page->optModBusRtuTcp[0]->isChecked());
    EXPECT_TRUE(page->optModBusRtuTcp[1]->isChecked());
    EXPECT_EQ(page->optModBusRtuTcp[0]->text(), "RTU");
    EXPECT_EQ(page->optModBusRtuTcp[1]->text(), "TCP");
    EXPECT_EQ(Entries(page->cboModbusFunction), QStringList({"3", "4"}));
    EXPECT_EQ(page->cboModbusFunction->currentIndex(), 0);

    // The list index is the type code, so the order is fixed.
    const QStringList types = {"INT16",  "UINT16", "INT32",  "UINT32", "INT64",  "UINT64", "FLOAT",  "DFLOAT",
                               "CHAR2",  "CHAR4",  "CHAR6",  "CHAR8",  "CHAR10", "CHAR12", "CHAR14", "CHAR16"};
    for (int row = 0; row < ModbusPage::kValueRows; ++row) {
        SCOPED_TRACE(row);
        const auto at = static_cast<size_t>(row);
        EXPECT_EQ(Entries(page->cboModbusDatatype[at]), types);
        EXPECT_EQ(page->cboModbusDatatype[at]->currentIndex(), 0);
        EXPECT_EQ(Entries(page->cboModbusFormat[at]), QStringList({"AB", "BA"}));
        EXPECT_EQ(page->cboModbusFormat[at]->currentIndex(), 0);
        // Register numbers are counted, not typed, while the box is checked.
        EXPECT_FALSE(page->txtModbusRegister[at]->isEnabled());
    }
    EXPECT_TRUE(page->ChkModbusAutoRegister->isChecked());

    page->Startup();
    EXPECT_EQ(page->cboModbusDatatype[5]->count(), 16);
    EXPECT_EQ(page->cboModbusFormat[5]->count(), 2);
}

TEST_F(ModbusPageTest, PrepareShowsTheOpeningTextInBlueAndKeepsNextDisabled)
{
    auto page = LoadedPage();
    page->lblModbusResultText->ShowResult(QStringLiteral("BusTimeout (Received 0 bytes)"), ResultKind::Failure);
    ASSERT_EQ(page->lblModbusResultText->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    page->Prepare(false, true);
    EXPECT_EQ(page->lblModbusResultText->text(), "Opening the connection to the gateway...");
    EXPECT_EQ(page->lblModbusResultText->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_FALSE(host.nextEnabled);

    page->lblModbusResultText->ShowResult(QStringLiteral("Bad Crc"), ResultKind::DeviceError);
    EXPECT_EQ(page->lblModbusResultText->palette().color(QPalette::WindowText), QColor(177, 4, 12));
}

TEST_F(ModbusPageTest, AllSixRowsShowWithoutScrollingOnAPageOfWizardSize)
{
    auto page = LoadedPage();
    page->Prepare(false, true);
    page->resize(502, 388);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));

    QTableWidget* table = page->grdModbusValues;
    const QRect viewport = table->viewport()->rect();
    for (int row = 0; row < ModbusPage::kValueRows; ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            const QWidget* cell = table->cellWidget(row, column);
            ASSERT_NE(cell, nullptr);
            EXPECT_TRUE(viewport.contains(cell->geometry())) << row << "," << column;
        }
    }
}

} // namespace
