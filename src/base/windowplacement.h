#pragma once

#include <QRect>
#include <QSize>

// Where a window goes beside another: its left edge at the other's right
// edge, same top, but always wholly on the available part of the screen. Too
// little room on the right moves it left, over the other window if it must;
// a window larger than the screen is cut to the screen. All rectangles are
// frames (window decoration included).
QRect PlaceBeside(const QRect& neighbour, const QSize& wanted, const QRect& available);

// The window moved left, as far as needed and the screen allows, so that a
// window of the given width fits beside it on the right.
QRect MakeRoomOnTheRight(const QRect& window, int width, const QRect& available);

// Beside the neighbour as above, but narrowed to the room on its right when
// the window can be that narrow (at least minimumWidth), so that nothing of
// the neighbour is covered.
QRect PlaceBesideUncovered(const QRect& neighbour, const QSize& wanted, int minimumWidth, const QRect& available);

// A window where the user left it, moved and cut as little as needed to lie
// wholly on the available part of the screen.
QRect KeepOnScreen(const QRect& window, const QRect& available);
