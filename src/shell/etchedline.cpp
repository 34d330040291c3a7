#include "etchedline.h"

#include <QPainter>

EtchedLine::EtchedLine(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(2);
}

QSize EtchedLine::sizeHint() const
{
    return {10, 2};
}

void EtchedLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(QColor(128, 128, 128), 0));
    painter.drawLine(0, 0, width(), 0);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawLine(0, 1, width(), 1);
}
