// Save dialogs that let the caller go on: a file is chosen, a report that
// goes to the end of an existing file asks to add to it, never to replace it.
#include "shell/savefiledialog.h"

#include "base/settings.h"
#include "comm/waiting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <QWidget>
#include <gtest/gtest.h>

#include <optional>

using namespace std::chrono_literals;

namespace {

template <typename Dialog>
Dialog* OpenDialog()
{
    Dialog* dialog = nullptr;
    WaitUntil([&] { return (dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) != nullptr; }, 5s);
    return dialog;
}

TEST(SaveFileDialog, AnExistingFileIsOfferedToBeAddedToAndTakenOnlyOnYes)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("report.txt"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QWidget window;
    window.show();
    Settings settings = Settings::AtFile(dir.filePath(QStringLiteral("store.conf")));
    const struct {
        QString path;
        QMessageBox::StandardButton answer; // NoButton: no question is expected
        bool taken;
        QString file; // what is taken, when not the path typed
    } cases[] = {
        {dir.filePath(QStringLiteral("new.txt")), QMessageBox::NoButton, true, {}},
        {existing, QMessageBox::Yes, true, {}},
        {existing, QMessageBox::No, false, {}},
        {dir.filePath(QStringLiteral("report")), QMessageBox::Yes, true, existing}, // typed without its extension
    };
    for (const auto& c : cases) {
        std::optional<QString> chosen;
        AskAppendFileName(&window, settings, FileKind::Log, QStringLiteral("Save"), QStringLiteral("Add to %1?"),
                          [&](const QString& path) { chosen = path; });
        // The call returned with the dialog still open: nothing waited for the user.
        auto* dialog = OpenDialog<QFileDialog>();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite)); // no "replace?" for a file added to
        dialog->selectFile(c.path);
        static_cast<QDialog*>(dialog)->accept(); // as the Save button does
        if (c.answer != QMessageBox::NoButton) {
            auto* box = OpenDialog<QMessageBox>();
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), QStringLiteral("Add to %1?").arg(existing));
            box->button(c.answer)->click();
            QApplication::processEvents();
        }
        EXPECT_EQ(chosen.has_value(), c.taken) << c.path.toStdString();
        if (c.taken) {
            EXPECT_EQ(chosen.value_or(QString()), c.file.isEmpty() ? c.path : c.file);
        }
    }
}

TEST(SaveFileDialog, ANameWithoutExtensionGetsTheFiltersFirst)
{
    const struct {
        QString filter;
        QString suffix;
    } filters[] = {
        {QStringLiteral("Text Files(*.csv);;All Files(*.*)"), QStringLiteral("csv")},
        {QStringLiteral("Text Files (*.txt *.log)"), QStringLiteral("txt")},
        {QStringLiteral("All Files(*.*);;Text Files(*.csv)"), QString()},
        {QStringLiteral("All Files (*)"), QString()},
    };
    for (const auto& f : filters)
        EXPECT_EQ(FilterSuffix(f.filter), f.suffix) << f.filter.toStdString();

    QTemporaryDir dir;
    QWidget window;
    window.show();
    Settings settings = Settings::AtFile(dir.filePath(QStringLiteral("store.conf")));
    QString chosen;
    QTimer::singleShot(0, [&] {
        auto* dialog = OpenDialog<QFileDialog>();
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(dir.filePath(QStringLiteral("plan")));
        static_cast<QDialog*>(dialog)->accept();
    });
    chosen = ChooseSaveFileName(&window, settings, FileKind::ModbusConfiguration, QStringLiteral("Save"));
    EXPECT_EQ(chosen, dir.filePath(QStringLiteral("plan.csv")));
}

// Where the user saved, the Load dialog of that kind opens, showing that
// kind's files; the other kinds keep their own folders.
TEST(SaveFileDialog, TheLoadDialogOpensWhereTheLastSaveOfItsKindWent)
{
    QTemporaryDir dir;
    QWidget window;
    window.show();
    const QString saved = dir.filePath(QStringLiteral("saved"));
    ASSERT_TRUE(QDir().mkpath(saved));
    const struct {
        FileKind saveKind;
        FileKind loadKind;
        bool inSavedFolder;
        QString filter; // the Load dialog's first
    } rows[] = {
        {FileKind::ModbusConfiguration, FileKind::ModbusConfiguration, true, "Comma Separated Files(*.csv)"},
        {FileKind::AsciiItems, FileKind::AsciiItems, true, "Comma Separated Files(*.csv)"},
        {FileKind::SearchReport, FileKind::SearchList, true, "Comma Separated Files(*.csv)"},
        {FileKind::Log, FileKind::Log, true, "Text Files(*.txt)"},
        {FileKind::ModbusConfiguration, FileKind::AsciiItems, false, "Comma Separated Files(*.csv)"},
        {FileKind::Log, FileKind::SearchReport, false, "Text Files(*.txt)"},
    };
    for (const auto& row : rows) {
        Settings settings = Settings::AtFile(dir.filePath(QUuid::createUuid().toString() + QStringLiteral(".conf")));
        bool added = false;
        AskSaveFileName(&window, settings, row.saveKind, QStringLiteral("Save"), [&](const QString&) { added = true; });
        auto* save = OpenDialog<QFileDialog>();
        ASSERT_NE(save, nullptr);
        save->selectFile(QDir(saved).filePath(QStringLiteral("file")));
        static_cast<QDialog*>(save)->accept();
        QApplication::processEvents();
        ASSERT_TRUE(added);
        QString opensIn;
        QString filter;
        QTimer::singleShot(0, [&] {
            auto* load = OpenDialog<QFileDialog>();
            ASSERT_NE(load, nullptr);
            opensIn = load->directory().absolutePath();
            filter = load->selectedNameFilter();
            load->reject();
        });
        ChooseOpenFileName(&window, settings, row.loadKind, QStringLiteral("Load"), dir.path());
        EXPECT_EQ(opensIn == saved, row.inSavedFolder) << opensIn.toStdString();
        EXPECT_EQ(filter, row.filter);
    }
}

} // namespace
