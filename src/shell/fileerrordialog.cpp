#include "fileerrordialog.h"

#include <QMessageBox>

void ShowFileErrorDialog(QWidget* parent, const QString& title, const FileError& error)
{
    QMessageBox box(QMessageBox::Critical, title, error.Message(), QMessageBox::Ok, parent);
    box.exec();
}

void ShowFileErrorBox(QWidget* parent, const QString& title, const FileError& error)
{
    auto* box = new QMessageBox(QMessageBox::Critical, title, error.Message(), QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
