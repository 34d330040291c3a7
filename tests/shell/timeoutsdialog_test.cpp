// The communication timeouts dialog: its rows, the factory values, Cancel,
// Apply, OK, and its place in the log window's Tools menu.
#include "app/wizardwindow.h"
#include "shell/timeoutsdialog.h"
#include "shell/pagecontrols.h"
#include "shell/debugwindow.h"

#include "modalwatch.h"
#include "testenvironment.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

class TimeoutsDialogTest : public ::testing::Test {
protected:
    void SetUp() override { env.UseLanguage(); }

    std::unique_ptr<Ostrand_Timeouts> Open()
    {
        WizardContext& context = env.Context();
        return std::make_unique<Ostrand_Timeouts>(context.ini, context.language, [this] { ++reloads; });
    }

    QByteArray IniContent() const
    {
        QFile file(env.IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList Boxes(const Ostrand_Timeouts& dialog) const
    {
        QStringList texts;
        for (const QLineEdit* box : dialog.Text_Timeout)
            texts << box->text();
        return texts;
    }

    QString T(int id) { return env.Context().language.GetLanguageText(id); }

    TestEnvironment env;
    int reloads = 0;
};

// Row by row: section, key and factory value.
const QStringList kFactory = {"1000", "1000", "10000", "15000", "5000", "1000", "50", "3000", "3000", "3000"};

} // namespace

TEST_F(TimeoutsDialogTest, TenRowsWithTheirTextsAndTheFileOrFactoryValues)
{
    env.Context().ini.WriteIniValue(QStringLiteral("ip"), QStringLiteral("bustimeout"), QStringLiteral("4500"));
    const auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "M-Bus Alder Family Setup Wizard - Timeouts");
    // texts 700 + i, 720 + i and 740
    EXPECT_EQ(dialog->Label_Timeout[9]->text(), "ASCII protocol reply timeout");
    EXPECT_EQ(dialog->Text_Timeout[9]->toolTip(), "How long to wait for a reply on the ASCII protocol page");
    EXPECT_EQ(dialog->Label_Unit[4]->text(), "ms");
    for (QPushButton* button : {dialog->Command_OK, dialog->Command_Apply, dialog->Command_Cancel,
                                dialog->Command_FactoryDefaults})
        EXPECT_TRUE(button->text().contains(u'&')) << button->objectName().toStdString();
    QStringList expected = kFactory;
    expected[7] = QStringLiteral("4500"); // "IP" "BusTimeOut", whatever the case in the file
    EXPECT_EQ(Boxes(*dialog), expected);
}

TEST_F(TimeoutsDialogTest, FactoryDefaultsThenCancelLeavesTheFileAlone)
{
    IniFile& ini = env.Context().ini;
    ini.Write(ini::IP_ScanTimeOut, QStringLiteral("2500"));
    const QByteArray before = IniContent();
    auto dialog = Open();
    dialog->show();
    EXPECT_EQ(dialog->Text_Timeout[0]->text(), "2500");
    dialog->Command_FactoryDefaults->click();
    EXPECT_EQ(Boxes(*dialog), kFactory);
    dialog->Command_Cancel->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(IniContent(), before);
    EXPECT_EQ(reloads, 0);
}

TEST_F(TimeoutsDialogTest, ApplyRefusesRowsThatAreNoNumberThenWritesEveryRowAndReloads)
{
    IniFile& ini = env.Context().ini;
    const QByteArray before = IniContent();
    auto dialog = Open();
    dialog->show();
    dialog->Text_Timeout[9]->setText(QStringLiteral("1234"));
    dialog->Text_Timeout[8]->clear();
    dialog->Text_Timeout[6]->setText(QStringLiteral("fast"));
    const auto box = AnswerNextModal();
    dialog->Command_Apply->click();
    // "fast" would later mean a wait of 0 ms: nothing is stored, the rows are named and marked
    EXPECT_TRUE(box->seen);
    EXPECT_EQ(box->text, T(848) + u'\n' + T(1340) + u' ' + dialog->Label_Timeout[6]->text() + QStringLiteral(", ")
                             + dialog->Label_Timeout[8]->text());
    EXPECT_TRUE(IsMarkedRefused(dialog->Text_Timeout[6]));
    EXPECT_TRUE(IsMarkedRefused(dialog->Text_Timeout[8]));
    EXPECT_FALSE(IsMarkedRefused(dialog->Text_Timeout[9]));
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(IniContent(), before);

    dialog->Text_Timeout[8]->setText(QStringLiteral(" 2500 "));
    dialog->Text_Timeout[6]->setText(QStringLiteral("20"));
    dialog->Command_Apply->click();
    EXPECT_EQ(reloads, 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(IsMarkedRefused(dialog->Text_Timeout[6]));
    EXPECT_EQ(ini.ReadIniValue(QStringLiteral("MBusASCII"), QStringLiteral("BusTimeOut"), {}), "1234");
    EXPECT_EQ(ini.ReadIniValue(QStringLiteral("ModBus"), QStringLiteral("BusTimeout"), QStringLiteral("x")), "2500");
    EXPECT_EQ(ini.ReadNumber(ini::IP_BusDelay), 20);
    EXPECT_EQ(ini.ReadIniValue(QStringLiteral("IP"), QStringLiteral("ResetTimeOut"), {}), "10000"); // untouched rows too
    // the boxes show what the file holds
    EXPECT_EQ(dialog->Text_Timeout[8]->text(), "2500");

    // OK replaces the file once with all ten rows: a program stopped meanwhile leaves no mix
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(QFileInfo(env.IniPath()).absolutePath()).constData(),
                                IN_CREATE | IN_MOVED_TO),
              0);
    dialog->Text_Timeout[0]->setText(QStringLiteral("700"));
    dialog->Command_OK->click();
    int replaced = 0;
    alignas(inotify_event) char events[8192];
    for (ssize_t got; (got = read(watch, events, sizeof events)) > 0;) {
        for (char* at = events; at < events + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0 && QFile::decodeName(event->name) == QFileInfo(env.IniPath()).fileName())
                ++replaced;
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    EXPECT_EQ(replaced, 1);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ini.ReadNumber(ini::IP_ScanTimeOut), 700);
    EXPECT_EQ(reloads, 2);
}

TEST_F(TimeoutsDialogTest, ToolsTimeoutsOpensItAndApplyReloadsTheTimingsOfTheChosenTask)
{
    WizardContext& context = env.Context();
    Ostrand_Wizard wizard(context, env.Network(), true);
    context.state.WhatToDo = 6; // as the task page sets it
    Ostrand_Debug* log = wizard.DebugWindow();
    ASSERT_NE(log, nullptr);
    log->Menu_Tools_Timeouts->trigger();
    auto* dialog = wizard.findChild<Ostrand_Timeouts*>(QStringLiteral("Ostrand_Timeouts"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    log->Menu_Tools_Timeouts->trigger(); // a second time: the same dialog
    EXPECT_EQ(wizard.findChildren<Ostrand_Timeouts*>().size(), 1);

    dialog->Text_Timeout[9]->setText(QStringLiteral("1234"));
    dialog->Text_Timeout[7]->setText(QStringLiteral("4321"));
    dialog->Command_Apply->click();
    EXPECT_EQ(context.link.BusTimeout, 1234ms); // the ASCII page's, task 6

    context.state.WhatToDo = 4;
    dialog->Command_Apply->click();
    EXPECT_EQ(context.link.BusTimeout, 4321ms); // the feature page's, section "IP"
    EXPECT_EQ(context.link.BusDelay, 50ms);
    wizard.close();
}
