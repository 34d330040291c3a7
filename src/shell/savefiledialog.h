#pragma once

#include <QString>

#include <functional>

class QWidget;

// The extension of the filter's first pattern ("Text Files(*.csv);;All
// Files(*.*)" gives "csv"); empty when that pattern takes any name.
QString FilterSuffix(const QString& filter);

// Asks where to save, as a modal dialog. A name typed without an extension
// gets the filter's, and a file of that name is offered for replacing.
// Empty when the user cancels.
QString ChooseSaveFileName(QWidget* parent, const QString& caption, const QString& filter);

// Asks where to save without holding the caller. The dialog is modal to its
// window, but no nested event loop runs for it: a device operation that is
// waiting for a reply meanwhile (the log window's poll, a scan) goes on
// while the user picks a folder, where a modal loop would hold its wait
// until the dialog closed. `chosen` runs with the file once the user has
// picked one; nothing runs when they cancel.
void AskSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                     std::function<void(const QString& path)> chosen);

// The same for a save that adds to the end of the file: an existing file is
// not offered for replacing; the user is asked `appendQuestion` (with %1 for
// the file) instead, and `chosen` runs only on Yes.
void AskAppendFileName(QWidget* parent, const QString& caption, const QString& filter, const QString& appendQuestion,
                       std::function<void(const QString& path)> chosen);
