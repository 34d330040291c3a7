// The communication log window, on its own and beside the wizard: what the
// technician sees, types and saves, and what stays in the INI file.
#include "comm/deviceoperations.h"
#include "shell/debugwindow.h"
#include "base/settingkeys.h"
#include "base/trafficlog.h"
#include "app/wizardwindow.h"

#include "fakewizardhost.h"
#include "testenvironment.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

// What the next message box showed; the box is closed. Watching ends when
// the caller drops the result.
struct SeenBox {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

std::shared_ptr<SeenBox> CloseNextMessageBox()
{
    auto seen = std::make_shared<SeenBox>();
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto ticks = std::make_shared<int>(0);
    std::weak_ptr<SeenBox> watching = seen;
    QObject::connect(timer, &QTimer::timeout, [timer, watching, ticks] {
        auto seen = watching.lock();
        auto* box = seen ? qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) : nullptr;
        if (box) {
            seen->seen = true;
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            box->close();
        }
        if (!seen || box || ++*ticks > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return seen;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DebugWindowTest : public ::testing::Test {
protected:
    DebugWindowTest() { env.UseLanguage(); }
    ~DebugWindowTest() override { delete window.data(); }

    Ostrand_Debug& Open()
    {
        window = new Ostrand_Debug(Log(), Ini(), env.Context().settings, env.Context().language,
                                   env.Context().operations);
        window->resize(600, 400);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.data()));
        return *window;
    }

    TrafficLog& Log() { return env.Context().log; }
    IniFile& Ini() { return env.Context().ini; }
    QString Text(int id) { return env.Context().language.GetLanguageText(id); }
    QAbstractItemModel* Rows() { return window->List_Debug->model(); }
    QString Row(int row) { return Rows()->index(row, 0).data().toString(); }

    // Until the list has drawn what the log holds.
    bool ListCaughtUp()
    {
        return QTest::qWaitFor([this] {
            const QStringList& lines = Log().Lines();
            const QModelIndex last = Rows()->index(Rows()->rowCount() - 1, 0);
            return Rows()->rowCount() == lines.size() && (lines.isEmpty() || last.data(Qt::UserRole) == lines.last());
        });
    }

    TestEnvironment env;
    QPointer<Ostrand_Debug> window;
};

TEST_F(DebugWindowTest, EveryControlIsFoundByItsNameWithItsLanguageText)
{
    Open();
    EXPECT_EQ(window->windowTitle(), Text(20));
    const std::pair<const char*, QWidget*> widgets[] = {
        {"List_Debug", window->List_Debug},         {"Label_Comment", window->Label_Comment},
        {"Text_Comment", window->Text_Comment},     {"Command_Save", window->Command_Save},
        {"Command_Clear", window->Command_Clear},   {"Command_Exit", window->Command_Exit},
        {"Check_CountinousPoll", window->Check_CountinousPoll}, {"Text_Interval", window->Text_Interval},
        {"lblInterval", window->lblInterval},       {"lblIntervalSort", window->lblIntervalSort},
        {"lblResponseTot", window->lblResponseTot}, {"txtResponseTot", window->txtResponseTot},
        {"lblErrorTot", window->lblErrorTot},       {"txtErrorTot", window->txtErrorTot},
        {"Menu_File", window->Menu_File},           {"Menu_Tools", window->Menu_Tools},
    };
    for (const auto& [name, widget] : widgets)
        EXPECT_EQ(UniqueControl(*window, QLatin1String(name)), widget) << name;
    const std::pair<const char*, QAction*> actions[] = {
        {"Menu_File_SaveToDebugTXT", window->Menu_File_SaveToDebugTXT},
        {"Menu_File_Clear", window->Menu_File_Clear},
        {"Menu_File_Exit", window->Menu_File_Exit},
        {"Menu_Tools_ResetStats", window->Menu_Tools_ResetStats},
        {"Menu_Tools_Timeouts", window->Menu_Tools_Timeouts},
        {"Menu_Tools_SearchTimeouts", window->Menu_Tools_SearchTimeouts},
    };
    for (const auto& [name, action] : actions)
        EXPECT_EQ(window->findChild<QAction*>(QLatin1String(name)), action) << name;
    EXPECT_EQ(window->findChild<QTimer*>(QStringLiteral("Timer_ContinousPoll")), window->Timer_ContinousPoll);

    EXPECT_EQ(window->Menu_File->title(), Text(130));
    EXPECT_EQ(window->Menu_File_SaveToDebugTXT->text(), Text(132));
    EXPECT_EQ(window->Menu_File_Clear->text(), Text(131));
    EXPECT_EQ(window->Menu_File_Exit->text(), Text(232));
    EXPECT_EQ(window->Menu_Tools->title(), Text(135));
    EXPECT_EQ(window->Menu_Tools_ResetStats->text(), Text(136));
    EXPECT_EQ(window->Menu_Tools_Timeouts->text(), Text(137));
    EXPECT_EQ(window->Menu_Tools_SearchTimeouts->text(), Text(138));
    EXPECT_EQ(window->Label_Comment->text(), Text(752) + u':');
    EXPECT_EQ(window->Command_Save->text(), Text(751));
    EXPECT_EQ(window->Command_Clear->text(), Text(750));
    EXPECT_EQ(window->Command_Exit->text(), Text(232));
    EXPECT_EQ(window->Check_CountinousPoll->text(), Text(753));
    EXPECT_EQ(window->lblInterval->text(), Text(754));
    EXPECT_EQ(window->lblIntervalSort->text(), QStringLiteral("ms"));
    EXPECT_EQ(window->lblResponseTot->text(), Text(755));
    EXPECT_EQ(window->lblErrorTot->text(), Text(756));
    EXPECT_TRUE(UnknownLanguageTexts(*window).isEmpty()) << UnknownLanguageTexts(*window).join(u',').toStdString();
    // The system's fixed-pitch font, whichever font the machine has for it.
    EXPECT_EQ(window->List_Debug->font(), QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

TEST_F(DebugWindowTest, OpeningTakesIntervalAndLineLimitFromTheIniFileShowsTheCountersAndStartsLogging)
{
    struct Case {
        const char* maxLines; // nullptr: no such key
        int expected;
    };
    const Case cases[] = {{nullptr, 500}, {"20", 20}, {"0", 1}, {"-3", 1}, {"abc", 1}};
    Log().CountResponse();
    Log().CountResponse();
    Log().CountError();
    for (const Case& c : cases) {
        QFile::remove(Ini().Path());
        if (c.maxLines)
            Ini().Write(ini::Debug_MaxDebugLines, QLatin1String(c.maxLines));
        Ini().Write(ini::Debug_PollInterval, QStringLiteral("2500"));
        Open();
        EXPECT_TRUE(Log().DebugLogging());
        EXPECT_EQ(Log().MaxDebugLines(), c.expected) << (c.maxLines ? c.maxLines : "(none)");
        EXPECT_EQ(window->Text_Interval->text(), QStringLiteral("2500"));
        EXPECT_EQ(window->Timer_ContinousPoll->interval(), 2500);
        EXPECT_FALSE(window->Timer_ContinousPoll->isActive()) << "no poll until the box is checked";
        EXPECT_EQ(window->txtResponseTot->text(), QStringLiteral("2"));
        EXPECT_EQ(window->txtErrorTot->text(), QStringLiteral("1"));
        window->close();
        ASSERT_TRUE(QTest::qWaitFor([this] { return window.isNull(); }));
    }

    QFile::remove(Ini().Path());
    Open();
    EXPECT_EQ(window->Text_Interval->text(), QStringLiteral("10000")) << "the default interval";
}

TEST_F(DebugWindowTest, IntervalBoxIsCorrectedAsItIsTyped)
{
    Open();
    QLineEdit* interval = window->Text_Interval;
    QTimer* timer = window->Timer_ContinousPoll;
    window->SetPollEnabled(true);
    window->Check_CountinousPoll->setChecked(true);

    interval->clear();
    EXPECT_FALSE(timer->isActive()) << "an empty box stops the ticks";
    EXPECT_EQ(interval->text(), QString()) << "and stays empty";

    QTest::keyClicks(interval, QStringLiteral("70000"));
    EXPECT_EQ(interval->text(), QStringLiteral("65535"));
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 65535);

    interval->clear();
    QTest::keyClicks(interval, QStringLiteral("abc"));
    EXPECT_EQ(interval->text(), QStringLiteral("0"));
    EXPECT_FALSE(timer->isActive()) << "0 stops the ticks";

    struct Case {
        const char* typed;
        const char* shown;
        int interval; // 0: no ticks
    };
    const Case cases[] = {
        {"abc", "0", 0}, {"-20", "0", 0}, {"65535", "65535", 65535}, {"65536", "65535", 65535},
        {"99999999999999999999", "65535", 65535}, {"250", "250", 250}, {"", "", 0},
    };
    for (const Case& c : cases) {
        interval->setText(QLatin1String(c.typed));
        EXPECT_EQ(interval->text(), QLatin1String(c.shown)) << c.typed;
        EXPECT_EQ(timer->isActive(), c.interval > 0) << c.typed;
        if (c.interval > 0) {
            EXPECT_EQ(timer->interval(), c.interval) << c.typed;
        }
    }
}

TEST_F(DebugWindowTest, CheckingThePollBoxPollsAtOnceAndThenAtEveryTick)
{
    Open();
    int polls = 0;
    window->SetPollAction([&polls] { ++polls; });
    window->Text_Interval->setText(QStringLiteral("20"));

    EXPECT_FALSE(window->Check_CountinousPoll->isEnabled()) << "not offered until a page offers a read";

    window->SetPollEnabled(true);
    QTest::mouseClick(window->Check_CountinousPoll, Qt::LeftButton, {}, QPoint(6, window->Check_CountinousPoll->height() / 2));
    ASSERT_TRUE(window->Check_CountinousPoll->isChecked());
    EXPECT_EQ(polls, 1) << "one poll at once";
    EXPECT_TRUE(QTest::qWaitFor([&] { return polls >= 4; }, 5000));

    window->SetPollEnabled(false);
    EXPECT_FALSE(window->Check_CountinousPoll->isChecked()) << "withdrawing the poll clears the box";
    EXPECT_FALSE(window->Check_CountinousPoll->isEnabled());
    EXPECT_FALSE(window->Timer_ContinousPoll->isActive());
    const int stopped = polls;
    QTest::qWait(100);
    EXPECT_EQ(polls, stopped);

    window->SetPollEnabled(true);
    window->SetPollAction({});
    window->Check_CountinousPoll->setChecked(true); // nothing to run: nothing happens
    QTest::qWait(60);
    EXPECT_EQ(polls, stopped);
}

TEST_F(DebugWindowTest, TickDuringADeviceOperationIsIgnored)
{
    Open();
    DeviceOperations& operations = env.Context().operations;
    window->Text_Interval->setText(QStringLiteral("10"));
    QSignalSpy ticks(window->Timer_ContinousPoll, &QTimer::timeout);
    int polls = 0;
    int depth = 0;
    int deepest = 0;
    int ticksDuringFirstPoll = 0;
    window->SetPollAction([&] {
        // A read as the pages' reads are: one device operation that waits
        // for its reply with events running.
        const DeviceOperationScope operation(operations);
        ++polls;
        deepest = std::max(deepest, ++depth);
        if (polls == 1) {
            const qsizetype before = ticks.count();
            operations.Pause(150ms);
            ticksDuringFirstPoll = static_cast<int>(ticks.count() - before);
        }
        --depth;
    });
    window->SetPollEnabled(true);
    window->Check_CountinousPoll->setChecked(true);

    EXPECT_GE(ticksDuringFirstPoll, 2) << "ticks did arrive during the poll";
    EXPECT_EQ(deepest, 1) << "no poll ran inside another";
    EXPECT_EQ(polls, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return polls >= 3; }, 5000)) << "polling goes on once the first has ended";
}

TEST_F(DebugWindowTest, SaveAndExitWaitForTheRunningOperationAndACloseComesAfterIt)
{
    Open();
    DeviceOperations& operations = env.Context().operations;
    int dialogs = 0;
    window->chooseSaveFile = [&dialogs](const auto&) { ++dialogs; };
    bool keptDuringOperation = false;
    {
        // Any operation counts, the wizard's as well as a poll of the window's.
        const DeviceOperationScope operation(operations);
        QTimer::singleShot(0, window, [this] {
            EXPECT_FALSE(window->Command_Save->isEnabled());
            EXPECT_FALSE(window->Menu_File_SaveToDebugTXT->isEnabled());
            EXPECT_FALSE(window->Command_Exit->isEnabled());
            EXPECT_FALSE(window->Menu_File_Exit->isEnabled());
            window->Menu_File_SaveToDebugTXT->trigger();
            window->close(); // the close box stays usable
        });
        operations.Pause(100ms);
        keptDuringOperation = !window.isNull() && window->isVisible();
    }
    EXPECT_EQ(dialogs, 0) << "no save dialog inside the operation's wait";
    EXPECT_TRUE(keptDuringOperation);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.isNull(); })) << "the close comes once the operation is over";
    EXPECT_FALSE(Log().DebugLogging());
}

TEST_F(DebugWindowTest, SavingAppendsOneNumberedBlockPerSave)
{
    Open();
    const QString path = QDir(env.AppPath()).filePath(QStringLiteral("Debug.TXT"));
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("kept\r\n");
    existing.close();
    window->chooseSaveFile = [path](const auto& chosen) { chosen(path); };
    Log().timeOfDayClock = [] { return QStringLiteral("14:05:09"); };

    // A note with characters beyond Latin-1 (a device path) is saved as it shows, in UTF-8.
    const QString note = QStringLiteral("Serial port lost: /dev/serial/by-id/usb-Z\u00e4hler_\u03a9\u2116-port0");
    Log().LogText(note);
    Log().LogTraffic(QByteArray::fromHex("105b01 5c16"), TrafficKind::Sent); // a separator, then the frame
    Log().LogTraffic(QByteArray::fromHex("e5"), TrafficKind::Received);
    const QStringList lines = Log().Lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("    ") + note)) << qPrintable(lines[0]);
    ASSERT_TRUE(lines[1].isEmpty());
    window->Text_Comment->setText(QStringLiteral("meter 17 at the north riser"));

    QTest::mouseClick(window->Command_Save, Qt::LeftButton);
    window->Menu_File_SaveToDebugTXT->trigger();

    const QByteArray bytes = FileBytes(path);
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n")) << "every line ends in CR LF";
    const QStringList saved = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    const QString rule(75, u'-');
    const QString header = QStringLiteral("Saved from Kalvix Ostrand Wizard version 3.1.2      ") +
                           QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) +
                           QStringLiteral(" 14:05:09");
    const QStringList block = {QStringLiteral("DEBUG INFO"),
                               header,
                               QStringLiteral("Comment: meter 17 at the north riser"),
                               rule,
                               QStringLiteral("000 ") + lines[0],
                               QString(),
                               QStringLiteral("001 ") + lines[2],
                               QStringLiteral("002 ") + lines[3],
                               rule,
                               QString()};
    ASSERT_EQ(saved.size(), 1 + 2 * block.size() + 1) << qPrintable(saved.join(u'|'));
    EXPECT_EQ(saved.front(), QStringLiteral("kept")) << "the file is extended, not replaced";
    for (int copy = 0; copy < 2; ++copy) {
        for (int i = 0; i < block.size(); ++i)
            EXPECT_EQ(saved[1 + copy * block.size() + i], block[i]) << "block " << copy << " line " << i;
    }
    EXPECT_EQ(saved.back(), QString());
    EXPECT_EQ(Log().Lines(), lines) << "saving leaves the list as it is";
}

TEST_F(DebugWindowTest, TheSaveDialogAsksToAddToAnExistingFileNotToReplaceIt)
{
    Open();
    Log().LogText(QStringLiteral("BusTimeout"));
    const QString path = QDir(env.AppPath()).filePath(QStringLiteral("Debug.TXT"));
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("kept\r\n");
    existing.close();

    bool confirmsReplace = true;
    QString asked;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            confirmsReplace = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept(); // as the dialog's own Save button does
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            asked = box->text();
            box->button(QMessageBox::Yes)->click();
        }
    });
    answer.start(10);
    QTest::mouseClick(window->Command_Save, Qt::LeftButton);
    // the dialog does not hold the click; a loaded machine takes seconds to build the file dialog
    EXPECT_TRUE(QTest::qWaitFor([&path] { return FileBytes(path).contains("DEBUG INFO"); }, 30000));
    answer.stop();
    EXPECT_FALSE(confirmsReplace) << "the file is not replaced, so the dialog must not ask so";
    EXPECT_EQ(asked, Text(1363).arg(QDir::toNativeSeparators(path)));
    const QByteArray saved = FileBytes(path);
    EXPECT_TRUE(saved.startsWith("kept\r\nDEBUG INFO\r\n")) << saved.left(40).toStdString();
}

TEST_F(DebugWindowTest, CancellingTheSaveDialogWritesNothing)
{
    Open();
    Log().LogText(QStringLiteral("x"));
    window->chooseSaveFile = [](const auto&) {};
    auto box = CloseNextMessageBox();
    QTest::mouseClick(window->Command_Save, Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_FALSE(box->seen);
}

TEST_F(DebugWindowTest, FileThatCannotBeWrittenGivesTheSaveErrorBox)
{
    Open();
    Log().LogText(QStringLiteral("BusTimeout"));
    const QString folder = env.AppPath();
    struct Case {
        QString path;
        const char* error;
    };
    const Case cases[] = {
        {folder, "Err # 75 - Path/File access error"}, // a folder, not a file
        {folder + QStringLiteral("missing/Debug.TXT"), "Err # 76 - Path not found"},
        {QStringLiteral("/dev/full"), "Err # 61 - Disk full"},
    };
    for (const Case& c : cases) {
        if (c.path.startsWith(QStringLiteral("/dev/")) && !QFile::exists(c.path))
            continue;
        window->chooseSaveFile = [&c](const auto& chosen) { chosen(c.path); };
        auto box = CloseNextMessageBox();
        QTest::mouseClick(window->Command_Save, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&box] { return box->seen; })) << qPrintable(c.path);
        EXPECT_EQ(box->title, QStringLiteral("Save Error"));
        EXPECT_EQ(box->icon, QMessageBox::Critical);
        EXPECT_EQ(box->text, QStringLiteral("The following error has occurred:\r\n") + QLatin1String(c.error));
        EXPECT_EQ(Log().Lines().size(), 1);
    }
}

TEST_F(DebugWindowTest, ClearEmptiesTheListAndKeepsTheCountersResetStatsTheOtherWayRound)
{
    Open();
    Log().CountResponse();
    Log().CountError();
    Log().CountError();
    EXPECT_EQ(window->txtResponseTot->text(), QStringLiteral("1")) << "each count shows at once";
    EXPECT_EQ(window->txtErrorTot->text(), QStringLiteral("2"));

    Log().LogText(QStringLiteral("one"));
    ASSERT_TRUE(ListCaughtUp());
    QTest::mouseClick(window->Command_Clear, Qt::LeftButton);
    EXPECT_TRUE(Log().Lines().isEmpty());
    EXPECT_EQ(Rows()->rowCount(), 0);
    EXPECT_EQ(window->txtResponseTot->text(), QStringLiteral("1"));
    EXPECT_EQ(window->txtErrorTot->text(), QStringLiteral("2"));

    Log().LogText(QStringLiteral("two"));
    window->Menu_Tools_ResetStats->trigger();
    EXPECT_EQ(window->txtResponseTot->text(), QStringLiteral("0"));
    EXPECT_EQ(window->txtErrorTot->text(), QStringLiteral("0"));
    EXPECT_EQ(Log().ResponseCount(), 0);
    ASSERT_TRUE(ListCaughtUp());
    EXPECT_EQ(Rows()->rowCount(), 1) << "the list stays";

    window->Menu_File_Clear->trigger();
    EXPECT_EQ(Rows()->rowCount(), 0);
}

TEST_F(DebugWindowTest, ClosingStoresTheIntervalAndEndsTheLogging)
{
    const std::function<void(Ostrand_Debug&)> closers[] = {
        [](Ostrand_Debug& w) { QTest::mouseClick(w.Command_Exit, Qt::LeftButton); },
        [](Ostrand_Debug& w) { w.Menu_File_Exit->trigger(); },
        [](Ostrand_Debug& w) { w.close(); }, // the frame's close button
    };
    int typed = 1000;
    for (const auto& closeWindow : closers) {
        Open();
        window->Text_Interval->setText(QString::number(++typed));
        window->SetPollEnabled(true);
        window->Check_CountinousPoll->setChecked(true);
        Log().LogText(QStringLiteral("line"));
        closeWindow(*window);

        EXPECT_EQ(Ini().Read(ini::Debug_PollInterval), QString::number(typed));
        EXPECT_FALSE(Log().DebugLogging());
        EXPECT_TRUE(Log().Lines().isEmpty());
        Log().LogText(QStringLiteral("after"));
        EXPECT_TRUE(Log().Lines().isEmpty()) << "nothing is logged while the window is closed";
        EXPECT_TRUE(QTest::qWaitFor([this] { return window.isNull(); })) << "the window is gone";
    }
    Open();
    EXPECT_EQ(window->Text_Interval->text(), QString::number(typed)) << "the next opening starts from it";
    EXPECT_EQ(Rows()->rowCount(), 0);
}

TEST_F(DebugWindowTest, ListKeepsUpWithABurstAndDrawsItInBatches)
{
    Open();
    QSignalSpy inserted(Rows(), &QAbstractItemModel::rowsInserted);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 20000; ++i)
        Log().LogTraffic(QByteArray(20, static_cast<char>(i)), TrafficKind::Sent);
    ASSERT_TRUE(ListCaughtUp());
    EXPECT_LT(clock.elapsed(), 20000) << "a burst must not hang the window";
    EXPECT_EQ(Rows()->rowCount(), 500);
    EXPECT_LE(inserted.count(), 2) << "drawn together, not line by line";
    EXPECT_EQ(window->List_Debug->currentIndex().row(), 499) << "the newest line is selected";
    QScrollBar* scroll = window->List_Debug->verticalScrollBar();
    EXPECT_EQ(scroll->value(), scroll->maximum());
}

TEST_F(DebugWindowTest, ListStaysWhereTheUserScrolledTo)
{
    Open();
    for (int i = 0; i < 500; ++i)
        Log().LogText(QStringLiteral("line %1").arg(i));
    ASSERT_TRUE(ListCaughtUp());
    QListView* list = window->List_Debug;
    list->scrollTo(Rows()->index(100, 0), QAbstractItemView::PositionAtTop);
    const QString reading = list->indexAt(QPoint(1, 1)).data().toString();
    ASSERT_TRUE(reading.endsWith(QStringLiteral("line 100"))) << qPrintable(reading);

    for (int i = 500; i < 510; ++i) // the ten oldest lines go
        Log().LogText(QStringLiteral("line %1").arg(i));
    ASSERT_TRUE(ListCaughtUp());
    EXPECT_EQ(list->indexAt(QPoint(1, 1)).data().toString(), reading) << "the line being read stays at the top";
    EXPECT_NE(list->currentIndex().row(), Rows()->rowCount() - 1);

    list->scrollToBottom();
    Log().LogText(QStringLiteral("line 510"));
    ASSERT_TRUE(ListCaughtUp());
    EXPECT_EQ(list->currentIndex().row(), Rows()->rowCount() - 1) << "back at the end, the list follows again";
    EXPECT_EQ(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
}

TEST_F(DebugWindowTest, LongLinesAreShownWholeWhateverLineComesFirst)
{
    Open();
    Log().LogText(QStringLiteral("short"));
    ASSERT_TRUE(ListCaughtUp());
    const QString note = QStringLiteral("Unexpected error retrieving Device Control Block ").repeated(4);
    Log().LogTraffic(QByteArray(16, '\x68'), TrafficKind::Sent); // an empty separator line first
    Log().LogText(note);
    ASSERT_TRUE(ListCaughtUp());
    Log().SetMaxDebugLines(4); // the separator becomes the first row
    Log().LogText(QStringLiteral("last"));
    ASSERT_TRUE(ListCaughtUp());
    ASSERT_TRUE(Row(0).isEmpty());

    QListView* list = window->List_Debug;
    const int noteWidth = QFontMetrics(list->font()).horizontalAdvance(Log().Lines()[2]);
    for (int row = 0; row < Rows()->rowCount(); ++row)
        EXPECT_GE(list->visualRect(Rows()->index(row, 0)).width(), noteWidth) << row;
    EXPECT_GE(list->horizontalScrollBar()->maximum() + list->viewport()->width(), noteWidth);
}

TEST_F(DebugWindowTest, DataStayInOneColumnWhenTheHourGrowsAndBytesShowTheirCharacters)
{
    Open();
    Log().timeOfDayClock = [] { return QStringLiteral("09:59:59"); };
    Log().tickClock = [] { return quint32{(9 * 3600 + 59 * 60 + 59) * 1000 + 999}; };
    Log().LogTraffic(QByteArray("\x68\x04\x04\x68" "ABCDEFGHIJKLMNOP"), TrafficKind::Sent);
    Log().timeOfDayClock = [] { return QStringLiteral("10:00:00"); };
    Log().tickClock = [] { return quint32{10 * 3600 * 1000}; };
    Log().LogTraffic(QByteArray("\x10\x5B\x01\x5C\x16"), TrafficKind::Received);
    Log().LogText(QStringLiteral("BusTimeout"));
    ASSERT_TRUE(ListCaughtUp());
    ASSERT_EQ(Rows()->rowCount(), 4);

    const qsizetype column = Row(0).indexOf(QStringLiteral("68 04 04 68"));
    EXPECT_EQ(Row(1).indexOf(QStringLiteral("4D 4E 4F 50")), column);
    EXPECT_EQ(Row(2).indexOf(QStringLiteral("10 5B 01 5C 16")), column);
    EXPECT_EQ(Row(3).indexOf(QStringLiteral("BusTimeout")), column);
    EXPECT_TRUE(Row(0).endsWith(QStringLiteral("  h..hABCDEFGHIJKL"))) << Row(0).toStdString();
    EXPECT_EQ(Row(1).indexOf(QStringLiteral("  MNOP")), Row(0).indexOf(QStringLiteral("  h..h")));
    EXPECT_TRUE(Row(2).endsWith(QStringLiteral("  .[.\\."))) << Row(2).toStdString();
    EXPECT_EQ(Rows()->index(0, 0).data(Qt::UserRole).toString(), Log().Lines()[0]) << "the log, as saved, is its own";
}

TEST_F(DebugWindowTest, ClickOnTheIntervalLabelSwitchesTheSearchTrace)
{
    Open();
    ASSERT_FALSE(Log().SearchTrace());
    QTest::mouseClick(window->lblInterval, Qt::LeftButton);
    EXPECT_TRUE(Log().SearchTrace());
    QTest::mouseClick(window->lblInterval, Qt::LeftButton);
    EXPECT_FALSE(Log().SearchTrace());
}

TEST_F(DebugWindowTest, ToolsMenuOffersTheTimeoutsDialogsOnlyWhereSomethingOpensThem)
{
    Open();
    window->Menu_Tools->popup(window->mapToGlobal(QPoint(0, 0)));
    EXPECT_FALSE(window->Menu_Tools_Timeouts->isEnabled()) << "nothing answers: greyed out";
    EXPECT_FALSE(window->Menu_Tools_SearchTimeouts->isEnabled());
    window->Menu_Tools->hide();

    int timeouts = 0;
    int searchTimeouts = 0;
    QObject::connect(window.data(), &Ostrand_Debug::timeoutsRequested, [&timeouts] { ++timeouts; });
    window->Menu_Tools->popup(window->mapToGlobal(QPoint(0, 0)));
    EXPECT_TRUE(window->Menu_Tools_Timeouts->isEnabled());
    EXPECT_FALSE(window->Menu_Tools_SearchTimeouts->isEnabled());
    window->Menu_Tools_Timeouts->trigger();
    EXPECT_EQ(timeouts, 1);
    window->Menu_Tools->hide();

    QObject::connect(window.data(), &Ostrand_Debug::searchTimeoutsRequested, [&searchTimeouts] { ++searchTimeouts; });
    window->Menu_Tools->popup(window->mapToGlobal(QPoint(0, 0)));
    EXPECT_TRUE(window->Menu_Tools_SearchTimeouts->isEnabled());
    window->Menu_Tools_SearchTimeouts->trigger();
    EXPECT_EQ(searchTimeouts, 1);
    EXPECT_EQ(timeouts, 1);
    window->Menu_Tools->hide();
}

// The window beside the wizard, opened and closed from the pages.
class DebugBesideWizardTest : public ::testing::Test {
protected:
    DebugBesideWizardTest() { env.UseLanguage(); }

    Ostrand_Wizard& Start(bool debug = false)
    {
        wizard = std::make_unique<Ostrand_Wizard>(env.Context(), env.Network(), debug);
        wizard->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
        return *wizard;
    }

    void Next() { QTest::mouseClick(wizard->Command_Next, Qt::LeftButton); }
    void Back() { QTest::mouseClick(wizard->Command_Back, Qt::LeftButton); }

    // From the welcome page to the task's last page.
    void GoToTaskPage(int task, int page)
    {
        if (wizard->CurrentPage() == 0)
            Next();
        Click(QStringLiteral("Option_SelectWhatToDo(%1)").arg(task));
        Next();
        Next();
        ASSERT_EQ(wizard->CurrentPage(), page);
    }

    void Click(const QString& name)
    {
        auto* button = wizard->findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    QCheckBox* PollBox() { return wizard->DebugWindow()->Check_CountinousPoll; }

    TestEnvironment env;
    std::unique_ptr<Ostrand_Wizard> wizard;
};

// Where there is room it is beside the wizard, else as far right as the
// screen allows (windowplacement_test has the cases); whole on the screen.
TEST_F(DebugBesideWizardTest, OpensBesideTheWizardWithItsTopAndHeightAndStaysOnTheScreen)
{
    Start();
    const QRect available = wizard->screen()->availableGeometry();
    wizard->move(available.right() - wizard->frameGeometry().width() - 20, available.top() + 30);
    wizard->ToggleDebugWindow();
    Ostrand_Debug* window = wizard->DebugWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(env.Context().log.DebugLogging());
    EXPECT_TRUE(available.contains(window->frameGeometry()));
    EXPECT_EQ(window->frameGeometry().right(), available.right());
    EXPECT_EQ(window->frameGeometry().top(), wizard->frameGeometry().top());
    EXPECT_EQ(window->height(), wizard->height());
}

TEST_F(DebugBesideWizardTest, DebugOnTheCommandLineOpensItAtStartAndClosingTheWizardClosesIt)
{
    Start(true);
    QPointer<Ostrand_Debug> window = wizard->DebugWindow();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    window->Text_Interval->setText(QStringLiteral("777"));

    QTest::mouseClick(wizard->Command_Cancel, Qt::LeftButton);
    EXPECT_FALSE(env.Context().log.DebugLogging());
    EXPECT_EQ(env.Context().ini.Read(ini::Debug_PollInterval), QStringLiteral("777"));
    EXPECT_TRUE(QTest::qWaitFor([&window] { return window.isNull(); }));

    wizard.reset();
    Start(false);
    EXPECT_EQ(wizard->DebugWindow(), nullptr);
    EXPECT_FALSE(env.Context().log.DebugLogging());
}

TEST_F(DebugBesideWizardTest, ToolsMenuItemsOpenTheirDialogsOrAreGreyedOut)
{
    Start(true);
    Ostrand_Debug* window = wizard->DebugWindow();
    ASSERT_NE(window, nullptr);
    for (QAction* item : {window->Menu_Tools_Timeouts, window->Menu_Tools_SearchTimeouts}) {
        window->Menu_Tools->popup(window->mapToGlobal(QPoint(0, 0)));
        const bool offered = item->isEnabled();
        window->Menu_Tools->hide();
        if (!offered)
            continue; // greyed out: the technician sees that it is not there yet
        const QWidgetList before = QApplication::topLevelWidgets();
        item->trigger();
        const bool opened = QTest::qWaitFor([&before] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (!before.contains(widget) && widget->isVisible())
                    return true;
            }
            return false;
        });
        EXPECT_TRUE(opened) << item->objectName().toStdString() << " is offered but opens nothing";
    }
}

TEST_F(DebugBesideWizardTest, DebugButtonOfEachTestPageTogglesTheWindow)
{
    Start();
    struct Case {
        int task;
        int page;
        const char* button;
    };
    const Case cases[] = {
        {4, 60, "Command_MeterFeature_Debug"},
        {5, 70, "Command_ModBus_MeterFeature_Debug"},
        {6, 80, "Command_MBusAscii_MeterFeature_Debug"},
    };
    for (const Case& c : cases) {
        GoToTaskPage(c.task, c.page);
        auto* button = wizard->findChild<QPushButton*>(QLatin1String(c.button));
        ASSERT_NE(button, nullptr) << c.button;
        QTest::mouseClick(button, Qt::LeftButton);
        QPointer<Ostrand_Debug> window = wizard->DebugWindow();
        ASSERT_FALSE(window.isNull()) << c.button;
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(env.Context().log.DebugLogging());
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(wizard->DebugWindow(), nullptr) << c.button;
        EXPECT_FALSE(env.Context().log.DebugLogging());
        EXPECT_TRUE(QTest::qWaitFor([&window] { return window.isNull(); }));
        Back();
        Back();
    }
}

TEST_F(DebugBesideWizardTest, FeaturePageOffersThePollForInitialiseAndDiagnosticsOnly)
{
    Start();
    GoToTaskPage(4, 60);
    Click(QStringLiteral("Option_SelectMeterFeature(1)"));
    wizard->ToggleDebugWindow();
    EXPECT_FALSE(PollBox()->isEnabled()) << "reading the identification is not repeated";

    auto* apply = wizard->findChild<QPushButton*>(QStringLiteral("Command_MeterFeature_Apply"));
    QSignalSpy applied(apply, &QPushButton::clicked);
    for (int option : {0, 4}) {
        Click(QStringLiteral("Option_SelectMeterFeature(%1)").arg(option));
        ASSERT_TRUE(PollBox()->isEnabled()) << option;
        PollBox()->setChecked(true);
        EXPECT_EQ(applied.count(), 1) << "the poll runs the page's Apply, option " << option;
        applied.clear();

        Click(QStringLiteral("Option_SelectMeterFeature(%1)").arg(option + 1));
        EXPECT_FALSE(PollBox()->isEnabled());
        EXPECT_FALSE(PollBox()->isChecked()) << "a withdrawn poll is cleared";
    }

    Click(QStringLiteral("Option_SelectMeterFeature(4)"));
    PollBox()->setChecked(true);
    Back();
    EXPECT_FALSE(PollBox()->isEnabled()) << "leaving the page withdraws the poll";
    EXPECT_FALSE(PollBox()->isChecked());
    EXPECT_FALSE(wizard->DebugWindow()->Timer_ContinousPoll->isActive());
}

TEST_F(DebugBesideWizardTest, ModbusAndAsciiPagesOfferTheirReadWhenTheyAreShown)
{
    Start();
    Next();
    wizard->ToggleDebugWindow();
    EXPECT_FALSE(PollBox()->isEnabled()) << "the task page has nothing to repeat";
    Back();

    const std::pair<int, const char*> pages[] = {{5, "Command_ModBus_MeterFeature_Read"},
                                                 {6, "Command_MBusAscii_MeterFeature_Read"}};
    for (const auto& [task, readButton] : pages) {
        GoToTaskPage(task, task == 5 ? 70 : 80);
        ASSERT_TRUE(PollBox()->isEnabled()) << readButton;
        auto* read = wizard->findChild<QPushButton*>(QLatin1String(readButton));
        QSignalSpy reads(read, &QPushButton::clicked);
        PollBox()->setChecked(true);
        EXPECT_EQ(reads.count(), 1) << readButton;
        Back();
        EXPECT_FALSE(PollBox()->isEnabled());
        EXPECT_FALSE(PollBox()->isChecked());
        Back();
    }

    // Opened while a test page is shown, the window offers that page's read at once.
    wizard->ToggleDebugWindow();
    GoToTaskPage(5, 70);
    wizard->ToggleDebugWindow();
    EXPECT_TRUE(PollBox()->isEnabled());
}

} // namespace
