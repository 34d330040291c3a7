// Save dialogs that let the caller go on: a file is chosen, a report that
// goes to the end of an existing file asks to add to it, never to replace it.
#include "shell/savefiledialog.h"

#include "comm/waiting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
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
    const struct {
        QString path;
        QMessageBox::StandardButton answer; // NoButton: no question is expected
        bool taken;
    } cases[] = {
        {dir.filePath(QStringLiteral("new.txt")), QMessageBox::NoButton, true},
        {existing, QMessageBox::Yes, true},
        {existing, QMessageBox::No, false},
    };
    for (const auto& c : cases) {
        std::optional<QString> chosen;
        AskAppendFileName(&window, QStringLiteral("Save"), QStringLiteral("Text Files(*.txt)"),
                          QStringLiteral("Add to %1?"), [&](const QString& path) { chosen = path; });
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
            EXPECT_EQ(chosen.value_or(QString()), c.path);
        }
    }
}

} // namespace
