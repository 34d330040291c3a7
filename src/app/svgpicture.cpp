#include "svgpicture.h"

#include <QPainter>
#include <QSvgRenderer>

SvgPicture::SvgPicture(const QString& resource, QSize logicalSize, QWidget* parent)
    : QWidget(parent)
    , m_Renderer(new QSvgRenderer(resource, this))
    , m_Size(logicalSize)
{
    setFixedSize(logicalSize);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SvgPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_Renderer->render(&painter, QRectF(QPointF(0, 0), QSizeF(size())));
}
