#pragma once

#include "fileerror.h"

class QWidget;

// The box that ends a file command that failed: "Open Error" or "Save
// Error" with the icon for errors and the classic error text.
void ShowFileErrorDialog(QWidget* parent, const QString& title, const FileError& error);
