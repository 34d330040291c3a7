#include "savefiledialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>

namespace {

QFileDialog* NewSaveDialog(QWidget* parent, const QString& caption, const QString& filter, bool confirmReplace)
{
    auto* dialog = new QFileDialog(parent, caption, QString(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !confirmReplace);
    // A file saved as "plan" would not show under the Load dialog's filter.
    dialog->setDefaultSuffix(FilterSuffix(filter));
    return dialog;
}

void OpenSaveDialog(QWidget* parent, const QString& caption, const QString& filter, bool confirmReplace,
                    std::function<void(const QString& path)> chosen)
{
    QFileDialog* dialog = NewSaveDialog(parent, caption, filter, confirmReplace);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen = std::move(chosen)](const QString& path) {
        if (!path.isEmpty() && chosen)
            chosen(path);
    });
    dialog->open();
}

} // namespace

QString FilterSuffix(const QString& filter)
{
    static const QRegularExpression firstPattern(QStringLiteral(R"(\(\s*\*\.([A-Za-z0-9]+)[\s;)])"));
    const QRegularExpressionMatch match = firstPattern.match(filter.section(QStringLiteral(";;"), 0, 0));
    return match.hasMatch() ? match.captured(1) : QString();
}

QString ChooseSaveFileName(QWidget* parent, const QString& caption, const QString& filter)
{
    QFileDialog* dialog = NewSaveDialog(parent, caption, filter, true);
    const QPointer<QFileDialog> guard(dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!guard)
        return QString();
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    return accepted && !files.isEmpty() ? files.front() : QString();
}

void AskSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                     std::function<void(const QString& path)> chosen)
{
    OpenSaveDialog(parent, caption, filter, true, std::move(chosen));
}

void AskAppendFileName(QWidget* parent, const QString& caption, const QString& filter, const QString& appendQuestion,
                       std::function<void(const QString& path)> chosen)
{
    QPointer<QWidget> owner = parent;
    OpenSaveDialog(parent, caption, filter, false,
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
