#include "modalwatch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

std::shared_ptr<ModalWatch> AnswerNextModal(int button)
{
    auto watch = std::make_shared<ModalWatch>();
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto ticks = std::make_shared<int>(0);
    std::weak_ptr<ModalWatch> weak = watch; // a test that dropped its watch is no longer interested
    QObject::connect(timer, &QTimer::timeout, [timer, weak, button, ticks] {
        auto watch = weak.lock();
        QWidget* modal = QApplication::activeModalWidget();
        if (!watch || !modal) {
            if (!watch || ++*ticks > 500) { // nothing came within 5 s: stop watching
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        watch->seen = true;
        watch->title = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            watch->text = box->text();
            QAbstractButton* chosen = button >= 0 ? box->button(static_cast<QMessageBox::StandardButton>(button)) : nullptr;
            if (chosen)
                chosen->click();
            else
                box->close();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
    return watch;
}
