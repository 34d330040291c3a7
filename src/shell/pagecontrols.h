#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class QLineEdit;
class QPushButton;
class QWidget;

// Small helpers for building the controls of a page.

// The widget, given its object name: the control's documented name.
template <typename Widget>
Widget* Named(Widget* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// A command button with its object name and caption (the caption may come
// later, from the language file). Enter in a field does not press it: only
// the button a window makes its default answers Enter.
QPushButton* CommandButton(QWidget* parent, const QString& name, const QString& caption = QString());

// Makes a text box just wide enough for the given number of digits (hex
// digits included) in its own font, so short fields such as an address or a
// version stay small at any scaling.
void FitWidthToDigits(QLineEdit* field, int digits);

// Marks a field whose entry was refused with a red background, or takes the
// mark away again.
void MarkRefused(QLineEdit* field, bool refused);
bool IsMarkedRefused(const QLineEdit* field);

// The timeouts dialogs store whole numbers of milliseconds only: marks every
// field (given with the name the user knows it by) that holds anything else,
// unmarks the others, puts the cursor in the first refused one, and gives
// their names; nothing when all are good.
QStringList RefuseNonWholeMilliseconds(const QList<std::pair<QLineEdit*, QString>>& fields);
