#include "savefiledialog.h"

#include <QFileDialog>

void AskSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                     std::function<void(const QString& path)> chosen)
{
    auto* dialog = new QFileDialog(parent, caption, QString(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [chosen = std::move(chosen)](const QString& path) {
        if (!path.isEmpty() && chosen)
            chosen(path);
    });
    dialog->open();
}
