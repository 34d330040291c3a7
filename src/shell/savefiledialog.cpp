#include "savefiledialog.h"

#include "base/settings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>

namespace {

const SettingKey& FolderKey(FileKind kind)
{
    switch (kind) {
    case FileKind::ModbusConfiguration:
        return keys::Folder_ModbusConfiguration;
    case FileKind::AsciiItems:
        return keys::Folder_AsciiItems;
    case FileKind::SearchList:
    case FileKind::SearchReport:
        return keys::Folder_SearchExport;
    case FileKind::Log:
        break;
    }
    return keys::Folder_Log;
}

QFileDialog* NewSaveDialog(QWidget* parent, const QString& caption, const QString& filter, bool confirmReplace,
                           const QString& folder = QString())
{
    auto* dialog = new QFileDialog(parent, caption, folder, filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !confirmReplace);
    // A file saved as "plan" would not show under the Load dialog's filter.
    dialog->setDefaultSuffix(FilterSuffix(filter));
    return dialog;
}

// Runs the dialog as a modal loop; the file chosen, empty on cancel.
QString ExecDialog(QFileDialog* dialog)
{
    const QPointer<QFileDialog> guard(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!guard)
        return QString();
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    return accepted && !files.isEmpty() ? files.front() : QString();
}

void OpenSaveDialog(QFileDialog* dialog, std::function<void(const QString& path)> chosen)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen = std::move(chosen)](const QString& path) {
        if (!path.isEmpty() && chosen)
            chosen(path);
    });
    dialog->open();
}

// `chosen`, after the kind has taken the file's folder as its own.
std::function<void(const QString&)> RememberingFolder(Settings& settings, FileKind kind,
                                                      std::function<void(const QString&)> chosen)
{
    return [&settings, kind, chosen = std::move(chosen)](const QString& path) {
        RememberFolderOf(settings, kind, path);
        if (chosen)
            chosen(path);
    };
}

} // namespace

QString FileKindFilter(FileKind kind)
{
    switch (kind) {
    case FileKind::ModbusConfiguration:
    case FileKind::AsciiItems:
    case FileKind::SearchList:
        return QStringLiteral("Comma Separated Files(*.csv);;All Files(*.*)");
    case FileKind::SearchReport:
    case FileKind::Log:
        break;
    }
    return QStringLiteral("Text Files(*.txt);;All Files(*.*)");
}

QString FilterSuffix(const QString& filter)
{
    static const QRegularExpression firstPattern(QStringLiteral(R"(\(\s*\*\.([A-Za-z0-9]+)[\s;)])"));
    const QRegularExpressionMatch match = firstPattern.match(filter.section(QStringLiteral(";;"), 0, 0));
    return match.hasMatch() ? match.captured(1) : QString();
}

QString RememberedFolder(const Settings& settings, FileKind kind)
{
    return settings.Read(FolderKey(kind));
}

void RememberFolderOf(Settings& settings, FileKind kind, const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (folder != RememberedFolder(settings, kind))
        settings.Save(FolderKey(kind), folder);
}

QString ChooseSaveFileName(QWidget* parent, Settings& settings, FileKind kind, const QString& caption)
{
    const QString path =
        ExecDialog(NewSaveDialog(parent, caption, FileKindFilter(kind), true, RememberedFolder(settings, kind)));
    if (!path.isEmpty())
        RememberFolderOf(settings, kind, path);
    return path;
}

QString ChooseOpenFileName(QWidget* parent, Settings& settings, FileKind kind, const QString& caption,
                           const QString& firstFolder)
{
    const QString folder = RememberedFolder(settings, kind);
    auto* dialog = new QFileDialog(parent, caption, folder.isEmpty() ? firstFolder : folder, FileKindFilter(kind));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    const QString path = ExecDialog(dialog);
    if (!path.isEmpty())
        RememberFolderOf(settings, kind, path);
    return path;
}

void AskSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                     std::function<void(const QString& path)> chosen)
{
    OpenSaveDialog(NewSaveDialog(parent, caption, filter, true), std::move(chosen));
}

void AskSaveFileName(QWidget* parent, Settings& settings, FileKind kind, const QString& caption,
                     std::function<void(const QString& path)> chosen)
{
    OpenSaveDialog(NewSaveDialog(parent, caption, FileKindFilter(kind), true, RememberedFolder(settings, kind)),
                   RememberingFolder(settings, kind, std::move(chosen)));
}

void AskAppendFileName(QWidget* parent, Settings& settings, FileKind kind, const QString& caption,
                       const QString& appendQuestion, std::function<void(const QString& path)> chosen)
{
    QPointer<QWidget> owner = parent;
    chosen = RememberingFolder(settings, kind, std::move(chosen));
    OpenSaveDialog(NewSaveDialog(parent, caption, FileKindFilter(kind), false, RememberedFolder(settings, kind)),
                   [owner, caption, appendQuestion, chosen = std::move(chosen)](const QString& path) {
                       if (!QFileInfo(path).isFile()) {
                           chosen(path);
                           return;
                       }
                       if (!owner)
                           return;
                       auto* box = new QMessageBox(QMessageBox::Question, caption,
                                                   appendQuestion.arg(QDir::toNativeSeparators(path)),
                                                   QMessageBox::Yes | QMessageBox::No, owner);
                       box->setDefaultButton(QMessageBox::No);
                       box->setAttribute(Qt::WA_DeleteOnClose);
                       QObject::connect(box, &QMessageBox::finished, box, [box, path, chosen](int) {
                           if (box->clickedButton() == box->button(QMessageBox::Yes))
                               chosen(path);
                       });
                       box->open();
                   });
}
