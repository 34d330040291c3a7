#pragma once

#include "base/fileerror.h"

class QWidget;

// The "Open Error" or "Save Error" box of a failed file command, with the
// icon for errors.
void ShowFileErrorDialog(QWidget* parent, const QString& title, const FileError& error);

// The same box for a window that stays in use while a device operation
// runs: it opens modal to its window and returns at once, so a wait that is
// running below the caller is not held until the box is closed.
void ShowFileErrorBox(QWidget* parent, const QString& title, const FileError& error);
