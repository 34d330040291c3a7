#include "buttonstyle.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>

QSize RoomyButtonStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                                         const QWidget* widget) const
{
    QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
    if (type != CT_PushButton || !option)
        return size;
    const QFontMetrics metrics = widget ? widget->fontMetrics() : option->fontMetrics;
    const int character = metrics.averageCharWidth();
    const int classicWidth = 50 * character / 4; // 50 dialog units of a quarter character each
    size.setWidth(std::max(size.width() + 2 * character, classicWidth));
    return size;
}

void UseRoomyButtons(QApplication& application)
{
    application.setStyle(new RoomyButtonStyle); // the application takes it; based on the platform's style
}
