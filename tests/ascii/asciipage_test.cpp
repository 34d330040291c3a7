#include "ascii/asciipage.h"
#include "shell/debugwindow.h"
#include "shell/infobox.h"
#include "shell/resultlabel.h"
#include "base/settingkeys.h"

#include "fakewizardhost.h"
#include "gatewayundertest.h"
#include "modalwatch.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
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

QColor Colour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);
const QColor kDarkRed(177, 4, 12);

TEST_F(AsciiPageTest, PrepareShowsTheOpeningTextInBlueAndKeepsNextDisabled)
{
    auto page = LoadedPage();
    page->lblMBusAsciiResultText->ShowResult(QStringLiteral("Error C: Crc fault"), ResultKind::DeviceError);

    page->Prepare(false, true);
    EXPECT_EQ(page->lblMBusAsciiResultText->text(), "Opening the connection to the gateway...");
    EXPECT_EQ(page->lblMBusAsciiResultText->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_FALSE(host.nextEnabled);
}

// The page as a technician uses it, against the simulated gateway's ASCII
// front end over UDP.
class AsciiPageWalk : public AsciiPageTest {
protected:
    void SetUp() override
    {
        StartAsciiFrontEnd(gateway);
        if (HasFatalFailure())
            return;
        WizardContext& context = env.Context();
        context.state.WhatToDo = 6;
        StoreLoopbackGateway(context.settings, gateway.AsciiUdpPort(), true);
        context.ini.Write(ini::MBusASCII_BusDelay, QStringLiteral("0"));
    }

    QString WriteFile(const QByteArray& content)
    {
        const QString path = files.filePath(QStringLiteral("items.csv"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        return path;
    }

    void Read(AsciiPage& page) { QTest::mouseClick(page.Command_MBusAscii_MeterFeature_Read, Qt::LeftButton); }

    SimulatedGateway gateway{DefaultBusConfig()};
    QTemporaryDir files;
};

TEST_F(AsciiPageWalk, LoadPickReadAndTheErrorsAsTheyCome)
{
    auto page = LoadedPage();
    page->show();
    page->Prepare(false, true);
    page->Enter(false, true);
    ASSERT_TRUE(page->Command_MBusAscii_MeterFeature_Read->isEnabled()) << page->lblMBusAsciiResultText->text().toStdString();
    QComboBox* names = page->cboMBusAsciiTagName;
    ResultLabel* result = page->lblMBusAsciiResultText;

    // load a Modbus item file and pick a name
    const QString items = WriteFile("TANK.LEVEL.PV\r\nPUMP.STATE.PV\r\n");
    page->chooseItemFile = [&] { return items; };
    page->cmdMBusAsciiGetFile->click();
    EXPECT_EQ(Entries(names), QStringList({"TANK.LEVEL.PV", "PUMP.STATE.PV"}));
    EXPECT_EQ(result->text(), "The Modbus item file has been loaded.");
    EXPECT_EQ(Colour(result), kBlue);
    EXPECT_EQ(names->currentIndex(), 0);
    names->setEditText(QStringLiteral("TANK.LEVEL"));

    Read(*page);
    EXPECT_EQ(page->txtMBusAsciiValue->text(), "12.5");
    EXPECT_EQ(result->text(), "Ok");
    EXPECT_EQ(Colour(result), kBlue);

    // an unknown item: the gateway's letter in dark red, and no value
    names->setEditText(QStringLiteral("NO.SUCH.ITEM"));
    Read(*page);
    EXPECT_EQ(result->text(), "Error I: Can't find Item ID");
    EXPECT_EQ(Colour(result), kDarkRed);
    EXPECT_EQ(page->txtMBusAsciiValue->text(), "");

    // no name: nothing is sent
    names->setEditText(QString());
    Read(*page);
    EXPECT_EQ(result->text(), "Not sent: enter the name of the item to read.");
    EXPECT_EQ(env.Context().log.ErrorCount(), 1);

    // protocol 1, and a station typed too high, written back as read
    page->cboMBusAsciiProtocol->setCurrentIndex(1);
    names->setEditText(QStringLiteral("PUMP.STATE"));
    page->txtMBusAsciiStationID->clear();
    QTest::keyClicks(page->txtMBusAsciiStationID, QStringLiteral("150"));
    EXPECT_EQ(page->txtMBusAsciiStationID->text(), "99");
    page->txtMBusAsciiStationID->setText(QStringLiteral("abc"));
    EXPECT_EQ(page->txtMBusAsciiStationID->text(), "0");
    Read(*page);
    EXPECT_EQ(result->text(), "Ok");
    EXPECT_EQ(page->txtMBusAsciiValue->text(), "ON");

    // the slow item outlasts the timeout: while it waits the page says so
    // and the last value is gone; then red
    env.Context().link.BusTimeout = std::chrono::milliseconds(300);
    names->setEditText(QStringLiteral("SLOW.ITEM"));
    QStringList waiting;
    QTimer::singleShot(100, page.get(), [&] { waiting << result->text() << page->txtMBusAsciiValue->text(); });
    Read(*page);
    EXPECT_EQ(waiting, QStringList({"Reading SLOW.ITEM ...", ""}));
    EXPECT_EQ(result->text(), "BusTimeout (Received 0 bytes)");
    EXPECT_EQ(Colour(result), kRed);
    EXPECT_EQ(page->txtMBusAsciiValue->text(), "");

    // only reading is offered
    EXPECT_FALSE(page->Command_MBusAscii_MeterFeature_Write->isVisible());
    EXPECT_EQ(env.Context().log.ResponseCount(), 2);
}

TEST_F(AsciiPageWalk, FileButtonsReportWhatWentWrong)
{
    auto page = LoadedPage();
    QComboBox* names = page->cboMBusAsciiTagName;
    ResultLabel* result = page->lblMBusAsciiResultText;

    // the third line of a Modbus file has one dot: two names and the failure text in red
    const QString bad = WriteFile("A.B.C\r\nD.E.F\r\nG.H\r\nI.J.K\r\n");
    page->chooseItemFile = [&] { return bad; };
    page->cmdMBusAsciiGetFile->click();
    EXPECT_EQ(Entries(names), QStringList({"A.B.C", "D.E.F"}));
    EXPECT_EQ(result->text(), "Could not read the Modbus item file: items.csv\nLine 3: it has fewer than two dots; "
                              "each line of a Modbus item file is a name such as TANK.LEVEL.PV.");
    EXPECT_EQ(Colour(result), kRed);

    // the same file as an OPC item file fails on its first line and leaves the list empty
    page->optMBusAsciiFileFormat[2]->click();
    page->cmdMBusAsciiGetFile->click();
    EXPECT_EQ(names->count(), 0);
    EXPECT_EQ(result->text(), "Could not read the OPC item file: items.csv\nLine 1: it does not begin with "
                              "\"[item]\" as every line of an OPC item file does.");

    // a file that cannot be opened: the box, and the list as it was
    names->addItem(QStringLiteral("KEEP.ME.PV"));
    page->chooseItemFile = [&] { return files.filePath(QStringLiteral("gone.csv")); };
    auto open = AnswerNextModal(QMessageBox::Ok);
    page->cmdMBusAsciiGetFile->click();
    EXPECT_TRUE(open->seen);
    EXPECT_EQ(open->title, "Open Error");
    EXPECT_EQ(open->text, "The following error has occurred:\r\nErr # 53 - File not found");
    EXPECT_EQ(Entries(names), QStringList({"KEEP.ME.PV"}));

    // save: the list, one name a line; a typed name alone when the list is empty
    const QString saved = files.filePath(QStringLiteral("saved.csv"));
    page->chooseSaveFile = [&] { return saved; };
    names->addItem(QStringLiteral("TWO.NAMES.PV"));
    names->setCurrentIndex(0);
    page->cmdMBusAsciiSaveFile->click();
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("KEEP.ME.PV\r\nTWO.NAMES.PV\r\n"));
    file.close();
    EXPECT_EQ(names->currentText(), "KEEP.ME.PV");
    names->clear();
    names->setEditText(QStringLiteral("TYPED.NAME"));
    page->cmdMBusAsciiSaveFile->click();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("TYPED.NAME\r\n"));

    page->chooseSaveFile = [&] { return files.filePath(QStringLiteral("no/folder/saved.csv")); };
    auto save = AnswerNextModal(QMessageBox::Ok);
    page->cmdMBusAsciiSaveFile->click();
    EXPECT_EQ(save->title, "Save Error");
    EXPECT_EQ(save->text, "The following error has occurred:\r\nErr # 76 - Path not found");
}

TEST_F(AsciiPageWalk, TheLogWindowRepeatsTheRead)
{
    auto page = LoadedPage();
    page->Prepare(false, true);
    page->Enter(false, true);
    page->cboMBusAsciiTagName->setEditText(QStringLiteral("TANK.TEMP"));
    WizardContext& context = env.Context();
    Ostrand_Debug window(context.log, context.ini, context.settings, context.language, context.operations);
    page->OfferDebugPoll(window);
    window.Check_CountinousPoll->setChecked(true); // one poll at once
    EXPECT_EQ(page->txtMBusAsciiValue->text(), "21.4");
    EXPECT_EQ(context.log.ResponseCount(), 1);
}

} // namespace
