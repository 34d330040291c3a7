#include "comm/deviceoperations.h"
#include "modbus/modbusorderswindow.h"
#include "modbus/modbuspage.h"
#include "modbus/modbusplotwindow.h"
#include "shell/debugwindow.h"
#include "shell/pagecontrols.h"
#include "shell/resultlabel.h"
#include "base/settingkeys.h"
#include "simulatedgateway.h"

#include "fakewizardhost.h"
#include "gatewayundertest.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QFile>
#include <QLineSeries>
#include <QScreen>
#include <QValueAxis>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

using ModbusPageTest = LoadedPageTest<ModbusPage>;

TEST_F(ModbusPageTest, PlotSaveNeverHoldsAReadThatWaits)
{
    // A Save clicked while a poll's read waits for its reply: the file dialog
    // opens, and the wait still ends when it should instead of when the
    // dialog is closed.
    ModbusPlotWindow plot(env.Context().language);
    plot.show();
    DeviceOperations& operations = env.Context().operations;
    const DeviceOperationScope read(operations);
    QTimer::singleShot(10, &plot, [&plot] { plot.cmdModbusPlotSaveCsv->click(); });
    // A dialog that holds the wait is closed after a while: the test then fails instead of hanging.
    QTimer::singleShot(2000, &plot, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    operations.Pause(300ms);
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
}

// On the test's 1366x768 screen, with the log window at the right edge as
// it stands beside the wizard.
TEST_F(ModbusPageTest, ThePlotOpensBesideTheLogWindowAndReadsEachSizeOnItsOwnAxis)
{
    auto page = ShownPage<ModbusPage>();
    Ostrand_Debug log(env.Context().log, env.Context().ini, env.Context().settings, env.Context().language,
                      env.Context().operations);
    host.debugWindow = &log;
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    const QRect screen = log.screen()->availableGeometry();
    log.move(screen.right() + 1 - log.frameGeometry().width(), screen.top() + 100);
    page->cmdModbusPlot->click();
    ModbusPlotWindow* plot = page->PlotWindow();
    ASSERT_NE(plot, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(plot));
    const QRect box(log.Check_CountinousPoll->mapToGlobal(QPoint(0, 0)), log.Check_CountinousPoll->size());
    EXPECT_FALSE(plot->frameGeometry().intersects(box));
    EXPECT_TRUE(screen.contains(plot->frameGeometry()));
    host.debugWindow = nullptr;

    // The legend in the language chosen.
    Settings store = Settings::AtFile(env.AppPath() + QStringLiteral("german.conf"));
    store.Save(keys::Language, QStringLiteral("049"));
    Language german;
    ASSERT_TRUE(german.LoadLanguage(store, env.AppPath()));
    ModbusPlotWindow germanPlot(german);
    ModbusValueRows rows;
    for (size_t i = 0; i < 2; ++i) {
        rows[i].registerText = QString::number(100 + i);
        rows[i].orders = ModbusWordOrders(0);
        rows[i].valueText = i == 0 ? "21" : "5000";
    }
    germanPlot.AddReading(QDateTime::currentDateTime(), rows);
    ASSERT_EQ(germanPlot.Lines().size(), 2);
    EXPECT_EQ(germanPlot.Lines()[0]->name(), "Zeile 1: 100 INT16 AB");
    ASSERT_EQ(germanPlot.ValueAxes().size(), 2);
    EXPECT_EQ(germanPlot.Lines()[1]->attachedAxes().count(germanPlot.ValueAxes()[1]), 1);
}

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
    auto page = ShownPage<ModbusPage>();
    EXPECT_FALSE(page->optModBusRtuTcp[0]->isChecked());
    EXPECT_TRUE(page->optModBusRtuTcp[1]->isChecked());
    EXPECT_EQ(page->optModBusRtuTcp[0]->text(), "RTU");
    EXPECT_EQ(page->optModBusRtuTcp[1]->text(), "TCP");
    EXPECT_EQ(Entries(page->cboModbusFunction), QStringList({"3 - Holding registers", "4 - Input registers"}));
    EXPECT_EQ(page->cboModbusFunction->currentIndex(), 0);
    // A read of slave 1's first register works without typing; there is no Write.
    EXPECT_EQ(QStringList({page->txtModbusSlaveAddress->text(), page->txtModbusFirstRegister->text(),
                           page->txtModbusNoOfRegisters->text()}),
              QStringList({"1", "0", "1"}));
    EXPECT_FALSE(page->Command_ModBus_MeterFeature_Write->isVisible());

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

// The page as a technician uses it, against the simulated gateway's Modbus
// front end over TCP: slave 1 holds INT16 -2 at 100, FLOAT 21.5 at 101-102,
// UINT32 123456 (CDAB) at 103-104 and nothing at 200.
class ModbusPageWalkTest : public LoadedPageTest<ModbusPage> {
protected:
    void SetUp() override
    {
        EndpointOptions options;
        options.udpPort.reset();
        options.tcpPort = 0;
        options.modbus = true;
        QString error;
        ASSERT_TRUE(gateway.Start(options, &error)) << error.toStdString();
        StoreLoopbackGateway(env.Context().settings, gateway.TcpPort(), false);
        env.Context().state.WhatToDo = 5;
        env.Context().ini.Write(ini::ModBus_BusDelay, QStringLiteral("0"));
    }

    static void Type(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        emit field->editingFinished(); // leaving the field
    }
    static void Choose(QComboBox* list, int index)
    {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    static QColor Background(const QLineEdit* field) { return field->palette().color(QPalette::Base); }
    QString Text(int id) { return env.Context().language.GetLanguageText(id); }

    QTemporaryDir files;
    SimulatedGateway gateway{DefaultBusConfig()};
};

TEST_F(ModbusPageWalkTest, ReadRetypeRefuseSaveClearAndLoadBack)
{
    auto page = LoadedPage();
    page->show();
    page->Prepare(false, true);
    page->Enter(false, true);
    ASSERT_TRUE(env.Context().connection.ConnectionOpen());
    ASSERT_TRUE(page->Command_ModBus_MeterFeature_Read->isEnabled());

    // The input rules while typing.
    Type(page->txtModbusSlaveAddress, "300");
    EXPECT_EQ(page->txtModbusSlaveAddress->text(), "255");
    Type(page->txtModbusSlaveAddress, "x");
    EXPECT_EQ(page->txtModbusSlaveAddress->text(), "0");
    Type(page->txtModbusSlaveAddress, "1");
    Type(page->txtModbusFirstRegister, "70000");
    EXPECT_EQ(page->txtModbusFirstRegister->text(), "65535");
    Type(page->txtModbusFirstRegister, "100");
    Type(page->txtModbusNoOfRegisters, "99999");
    EXPECT_EQ(page->txtModbusNoOfRegisters->text(), "99999"); // no upper limit here
    Type(page->txtModbusNoOfRegisters, "6");

    // Read: six INT16 rows at 100-105.
    page->Command_ModBus_MeterFeature_Read->click();
    EXPECT_EQ(page->lblModbusResultText->text(), "Ok");
    EXPECT_EQ(page->lblModbusResultText->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(page->txtModbusRegister[5]->text(), "105");
    EXPECT_EQ(page->txtModbusValue[0]->text(), "-2");
    EXPECT_EQ(page->txtModbusByte[1]->text(), "41AC");

    // Row 1 becomes a FLOAT: every row's word order goes back to its first
    // entry and the rows after it move on by one register.
    Choose(page->cboModbusFormat[0], 1);
    Choose(page->cboModbusDatatype[1], 6);
    EXPECT_EQ(page->cboModbusFormat[0]->currentIndex(), 0);
    EXPECT_EQ(Entries(page->cboModbusFormat[1]), QStringList({"ABCD", "DCBA", "CDAB", "BADC"}));
    EXPECT_EQ(page->txtModbusValue[1]->text(), "21.5");
    EXPECT_EQ(page->txtModbusRegister[2]->text(), "103");
    Choose(page->cboModbusFormat[1], 2); // CDAB: another value
    EXPECT_NE(page->txtModbusValue[1]->text(), "21.5");

    // Which order is it? Row 2 as UINT32 in every order; a click on the one
    // that makes sense uses it in the row.
    Choose(page->cboModbusDatatype[2], 3);
    page->cmdModbusShowAllOrders->click();
    ModbusOrdersWindow* orders = page->OrdersWindow();
    ASSERT_NE(orders, nullptr);
    EXPECT_TRUE(orders->isVisible());
    const int cdab = ModbusOrdersWindow::kFirstOrderColumn + 2;
    EXPECT_EQ(orders->grdModbusOrders->item(2, cdab)->text(), "123456");
    EXPECT_EQ(orders->grdModbusOrders->item(0, ModbusOrdersWindow::kFirstOrderColumn + 2)->text(), ""); // INT16: AB, BA
    const QRect cell = orders->grdModbusOrders->visualItemRect(orders->grdModbusOrders->item(2, cdab));
    QTest::mouseClick(orders->grdModbusOrders->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(page->cboModbusFormat[2]->currentText(), "CDAB");
    EXPECT_EQ(page->txtModbusValue[2]->text(), "123456");
    EXPECT_EQ(page->cboModbusFormat[1]->currentText(), "ABCD"); // reset by the type chosen in row 2
    EXPECT_EQ(page->txtModbusValue[1]->text(), "21.5");

    // The log window's continuous poll repeats the Read; the plot follows.
    page->cmdModbusPlot->click();
    ModbusPlotWindow* plot = page->PlotWindow();
    ASSERT_NE(plot, nullptr);
    Ostrand_Debug log(env.Context().log, env.Context().ini, env.Context().settings, env.Context().language,
                      env.Context().operations);
    host.debugWindow = &log;
    page->OfferDebugPoll(log);
    const int answered = env.Context().log.ResponseCount();
    log.Check_CountinousPoll->setChecked(true); // one poll at once
    log.Check_CountinousPoll->setChecked(false);
    page->Command_ModBus_MeterFeature_Read->click();
    EXPECT_EQ(env.Context().log.ResponseCount(), answered + 2);
    ASSERT_FALSE(plot->Lines().isEmpty());
    EXPECT_EQ(plot->Lines().front()->count(), 2);
    EXPECT_EQ(plot->Lines().front()->name(), "Row 1: 100 INT16 AB");
    plot->chooseSaveFile = [&](const QString&, const auto& chosen) { chosen(files.filePath("plot.png")); };
    plot->cmdModbusPlotSavePng->click();
    QFile png(files.filePath("plot.png"));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_TRUE(png.read(8).startsWith("\x89PNG"));
    plot->chooseSaveFile = [&](const QString&, const auto& chosen) { chosen(files.filePath("plot.csv")); };
    plot->cmdModbusPlotSaveCsv->click();
    QFile csv(files.filePath("plot.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("Series,Time,Value"));
    EXPECT_TRUE(csv.readLine().startsWith("Row 1: 100 INT16 AB,"));

    // A typed register outside the request turns yellow and shows nothing.
    page->ChkModbusAutoRegister->click();
    EXPECT_TRUE(page->txtModbusRegister[5]->isEnabled());
    Type(page->txtModbusRegister[5], "99");
    EXPECT_EQ(Background(page->txtModbusRegister[5]), QColor(Qt::yellow));
    EXPECT_EQ(page->txtModbusValue[5]->text(), "");
    Type(page->txtModbusRegister[5], "100");
    EXPECT_NE(Background(page->txtModbusRegister[5]), QColor(Qt::yellow));
    EXPECT_EQ(page->txtModbusValue[5]->text(), "-2");
    page->ChkModbusAutoRegister->click();

    // Save, Clear, Get: the page comes back as it was.
    page->txtModbusDescription[1]->setText("Flow, outlet");
    const QString saved = files.filePath("meter.csv");
    page->chooseSaveFile = [&] { return saved; };
    page->Command_ModBus_MeterFeature_Save->click();
    const QStringList before = {page->txtModbusRegister[2]->text(), page->cboModbusFormat[1]->currentText(),
                                page->txtModbusValue[2]->text(), page->txtModbusDescription[1]->text()};
    page->Command_ModBus_MeterFeature_Clear->click();
    EXPECT_TRUE(page->ModbusRegisterData().isEmpty());
    EXPECT_EQ(page->txtModbusValue[2]->text(), "");
    EXPECT_EQ(page->cboModbusDatatype[1]->currentIndex(), 0);
    page->chooseOpenFile = [&] { return saved; };
    page->Command_ModBus_MeterFeature_Get->click();
    EXPECT_EQ(page->lblModbusResultText->text(), Text(1020));
    EXPECT_EQ(QStringList({page->txtModbusRegister[2]->text(), page->cboModbusFormat[1]->currentText(),
                           page->txtModbusValue[2]->text(), page->txtModbusDescription[1]->text()}),
              before);
    EXPECT_EQ(page->cboModbusDatatype[1]->currentText(), "FLOAT");

    // An unmapped register: the slave's refusal in dark red, no values.
    Type(page->txtModbusFirstRegister, "200");
    page->Command_ModBus_MeterFeature_Read->click();
    EXPECT_EQ(page->lblModbusResultText->text(), "Modbuserror 02: Illegal data address");
    EXPECT_EQ(page->lblModbusResultText->palette().color(QPalette::WindowText), QColor(177, 4, 12));
    EXPECT_EQ(page->txtModbusValue[0]->text(), "");

    // Files that are not the page's: refused in red, or the "Open Error" box
    // once six rows are filled.
    QFile foreign(files.filePath("foreign.csv"));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("wizardmodbus\r\n");
    foreign.close();
    page->chooseOpenFile = [&] { return foreign.fileName(); };
    page->Command_ModBus_MeterFeature_Get->click();
    EXPECT_EQ(page->lblModbusResultText->text(), Text(1021) + " foreign.csv");
    EXPECT_EQ(page->lblModbusResultText->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    QFile seven(files.filePath("seven.csv"));
    ASSERT_TRUE(seven.open(QIODevice::WriteOnly));
    seven.write("WizardModbus\r\n1,True,False,1,7,0,10,\r\n" + QByteArray("1,0,0,,,Seven,\r\n").repeated(7));
    seven.close();
    page->chooseOpenFile = [&] { return seven.fileName(); };
    const auto box = AnswerNextModal();
    page->Command_ModBus_MeterFeature_Get->click();
    EXPECT_TRUE(box->seen);
    EXPECT_EQ(box->title, "Open Error");
    EXPECT_EQ(box->text, "The following error has occurred:\r\nErr # 9 - Subscript out of range");
    EXPECT_EQ(page->txtModbusDescription[5]->text(), "Seven");
    EXPECT_TRUE(page->optModBusRtuTcp[0]->isChecked());
    EXPECT_EQ(page->txtModbusSlaveAddress->text(), "7");

    page->Command_ModBus_MeterFeature_Debug->click();
    EXPECT_EQ(host.debugToggles, 1);
    host.debugWindow = nullptr;

    // Leaving the page (or closing the wizard) takes its windows along.
    page->cmdModbusPlot->click();
    ASSERT_TRUE(plot->isVisible());
    page->hide();
    EXPECT_FALSE(plot->isVisible());
    EXPECT_FALSE(orders->isVisible());
}

TEST_F(ModbusPageWalkTest, LoadedNumbersAreCorrectedAsTypedOnesAndAReadOfNothingIsNotSent)
{
    auto page = LoadedPage();
    page->show();
    page->Prepare(false, true);
    page->Enter(false, true);
    ASSERT_TRUE(env.Context().connection.ConnectionOpen());

    QFile wild(files.filePath("wild.csv"));
    ASSERT_TRUE(wild.open(QIODevice::WriteOnly));
    wild.write("WizardModbus\r\n1,False,True,0,300,-70000,0,\r\n");
    wild.close();
    page->chooseOpenFile = [&] { return wild.fileName(); };
    page->Command_ModBus_MeterFeature_Get->click();
    EXPECT_EQ(page->txtModbusSlaveAddress->text(), "255");
    EXPECT_EQ(page->txtModbusFirstRegister->text(), "0");

    // count 0, then slave 0, then no first register: refused before sending,
    // the field named and marked
    const int transactions = env.Context().log.ResponseCount() + env.Context().log.ErrorCount();
    page->Command_ModBus_MeterFeature_Read->click();
    EXPECT_EQ(page->lblModbusResultText->text(), Text(1344));
    EXPECT_TRUE(IsMarkedRefused(page->txtModbusNoOfRegisters));
    page->txtModbusFirstRegister->clear();
    Type(page->txtModbusNoOfRegisters, "1");
    page->Command_ModBus_MeterFeature_Read->click();
    EXPECT_EQ(page->lblModbusResultText->text(), Text(1562));
    EXPECT_TRUE(IsMarkedRefused(page->txtModbusFirstRegister));
    Type(page->txtModbusFirstRegister, "0");
    Type(page->txtModbusNoOfRegisters, "1");
    Type(page->txtModbusSlaveAddress, "0");
    page->Command_ModBus_MeterFeature_Read->click();
    EXPECT_EQ(page->lblModbusResultText->text(), Text(1343));
    EXPECT_TRUE(IsMarkedRefused(page->txtModbusSlaveAddress));
    EXPECT_FALSE(IsMarkedRefused(page->txtModbusNoOfRegisters));
    EXPECT_EQ(env.Context().log.ResponseCount() + env.Context().log.ErrorCount(), transactions);
}

} // namespace
