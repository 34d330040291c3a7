#pragma once

#include <QString>

class QLineEdit;

// Small helpers for building the controls of a page.

// The widget, given its object name: the control's documented name.
template <typename Widget>
Widget* Named(Widget* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// Makes a text box just wide enough for the given number of digits (hex
// digits included) in its own font, so short fields such as an address or a
// version stay small at any scaling.
void FitWidthToDigits(QLineEdit* field, int digits);
