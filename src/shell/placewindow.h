#pragma once

#include <QMargins>

class QWidget;

// The width a window needs for its whole title in the title bar: the text
// (title bars often draw it bold) beside the icon, three buttons and a
// margin, each about as wide as the bar is high.
int TitleBarWidth(const QWidget& window);

// The decoration around a shown window's inside; a window of ours not yet
// shown gets the same, which is not known before it is shown.
QMargins Decoration(const QWidget& window);

// Shows a window of its own beside the one it was opened from, wholly on
// that one's screen and wide enough for its title, raised and active. A
// window already shown stays where the user put it.
void ShowBeside(QWidget& window, const QWidget& neighbour);
