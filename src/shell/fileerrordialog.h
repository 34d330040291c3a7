#pragma once

#include "fileerror.h"

class QWidget;

// The "Open Error" or "Save Error" box of a failed file command, with the
// icon for errors.
void ShowFileErrorDialog(QWidget* parent, const QString& title, const FileError& error);
