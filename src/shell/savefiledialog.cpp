#include "savefiledialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

namespace {

void OpenSaveDialog(QWidget* parent, const QString& caption, const QString& filter, bool confirmReplace,
                    std::function<void(const QString& path)> chosen)
{
    auto* dialog = new QFileDialog(parent, caption, QString(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !confirmReplace);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen = std::move(chosen)](const QString& path) {
        if (!path.isEmpty() && chosen)
            chosen(path);
    });
    dialog->open();
}

} // namespace

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
