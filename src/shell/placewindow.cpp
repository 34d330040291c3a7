#include "placewindow.h"

#include "base/windowplacement.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>

int TitleBarWidth(const QWidget& window)
{
    QFont font = QApplication::font();
    font.setBold(true);
    const int barHeight = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QFontMetrics(font).horizontalAdvance(window.windowTitle()) + 5 * barHeight;
}

QMargins Decoration(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect inside = window.geometry();
    return {inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
            frame.bottom() - inside.bottom()};
}

void ShowBeside(QWidget& window, const QWidget& neighbour)
{
    if (!window.isVisible()) {
        window.setMinimumWidth(std::max(window.minimumWidth(), TitleBarWidth(window)));
        const QMargins decoration = Decoration(neighbour);
        const QSize wanted = window.sizeHint().expandedTo(window.minimumSize()).grownBy(decoration);
        const QScreen* screen = neighbour.screen();
        const QRect frame
            = PlaceBeside(neighbour.frameGeometry(), wanted, screen ? screen->availableGeometry() : QRect());
        window.move(frame.topLeft());
        window.resize(frame.size().shrunkBy(decoration));
    }
    window.show();
    window.raise();
    window.activateWindow();
}
