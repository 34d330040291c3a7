#include "windowplacement.h"

#include <algorithm>

namespace {

// The start of a span of the given length that lies within [first, first +
// room), as close to the wanted start as that allows.
int FitSpan(int wanted, int length, int first, int room)
{
    return std::clamp(wanted, first, first + room - length);
}

} // namespace

QRect PlaceBeside(const QRect& neighbour, const QSize& wanted, const QRect& available)
{
    if (!available.isValid())
        return {QPoint(neighbour.right() + 1, neighbour.top()), wanted};
    const QSize size = wanted.boundedTo(available.size());
    const int left = FitSpan(neighbour.right() + 1, size.width(), available.left(), available.width());
    const int top = FitSpan(neighbour.top(), size.height(), available.top(), available.height());
    return {QPoint(left, top), size};
}

QRect MakeRoomOnTheRight(const QRect& window, int width, const QRect& available)
{
    if (!available.isValid())
        return window;
    const int overflow = window.right() + width - available.right();
    if (overflow <= 0)
        return window;
    return window.translated(-std::min(overflow, window.left() - available.left()), 0);
}

QRect PlaceBesideUncovered(const QRect& neighbour, const QSize& wanted, int minimumWidth, const QRect& available)
{
    QSize size = wanted;
    if (available.isValid()) {
        const int room = available.right() - neighbour.right();
        if (room >= minimumWidth)
            size.setWidth(std::min(size.width(), room));
    }
    return PlaceBeside(neighbour, size, available);
}

QRect KeepOnScreen(const QRect& window, const QRect& available)
{
    if (!available.isValid())
        return window;
    const QSize size = window.size().boundedTo(available.size());
    return {QPoint(FitSpan(window.left(), size.width(), available.left(), available.width()),
                   FitSpan(window.top(), size.height(), available.top(), available.height())),
            size};
}
