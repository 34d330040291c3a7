#pragma once

#include <QString>

#include <functional>

class QWidget;
class Settings;

// The kinds of file the program saves and loads. Each has its filter, and
// its dialogs open in the folder its last file went to or came from, so a
// file saved is found again by the Load dialog of its kind.
enum class FileKind {
    ModbusConfiguration,
    AsciiItems,
    SearchList,   // the search results as CSV
    SearchReport, // the search results as a text report; shares the list's folder
    Log,
};

// The kind's files first, then all files ("Text Files(*.txt);;All Files(*.*)").
QString FileKindFilter(FileKind kind);

// The extension of the filter's first pattern ("Text Files(*.csv);;All
// Files(*.*)" gives "csv"); empty when that pattern takes any name.
QString FilterSuffix(const QString& filter);

// Where the kind's dialogs open: the folder of its last file; empty before one.
QString RememberedFolder(const Settings& settings, FileKind kind);
void RememberFolderOf(Settings& settings, FileKind kind, const QString& path);

// Asks where to save, as a modal dialog. A name typed without an extension
// gets the filter's, and a file of that name is offered for replacing.
// Empty when the user cancels.
QString ChooseSaveFileName(QWidget* parent, Settings& settings, FileKind kind, const QString& caption);

// Asks for an existing file to load, as a modal dialog; `firstFolder` is
// where it opens while the kind has no folder yet. Empty when the user cancels.
QString ChooseOpenFileName(QWidget* parent, Settings& settings, FileKind kind, const QString& caption,
                           const QString& firstFolder = QString());

// Asks where to save without holding the caller. The dialog is modal to its
// window, but no nested event loop runs for it: a device operation that is
// waiting for a reply meanwhile (the log window's poll, a scan) goes on
// while the user picks a folder, where a modal loop would hold its wait
// until the dialog closed. `chosen` runs with the file once the user has
// picked one; nothing runs when they cancel.
void AskSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                     std::function<void(const QString& path)> chosen);
// The same for a file of a kind, in the kind's folder.
void AskSaveFileName(QWidget* parent, Settings& settings, FileKind kind, const QString& caption,
                     std::function<void(const QString& path)> chosen);

// The same for a save that adds to the end of the file: an existing file is
// not offered for replacing; the user is asked `appendQuestion` (with %1 for
// the file) instead, and `chosen` runs only on Yes.
void AskAppendFileName(QWidget* parent, Settings& settings, FileKind kind, const QString& caption,
                       const QString& appendQuestion, std::function<void(const QString& path)> chosen);
