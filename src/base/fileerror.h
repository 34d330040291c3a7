#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>

class QFileDevice;

// A failed file command as the program has always reported it: the classic
// runtime error number and its description ("Err # 53 - File not found").
struct FileError {
    int number = 0;
    QString description;

    // "The following error has occurred:" CR LF "Err # " number " - " description,
    // the text of the "Open Error" and "Save Error" boxes.
    QString Message() const;
};

// The error of that classic number, with its standard description.
FileError ClassicFileError(int number);

// The classic error for a system error number (errno) of a file operation on
// the given path; the path tells a missing file (53) from a missing folder (76).
FileError FileErrorFromSystem(int systemError, const QString& path);

// The error of a failed open, read, write or flush on the file. Pass errno as
// read right after the failed call; without it (0) the file's own error kind
// and what is found at its path decide.
FileError FileErrorOf(const QFileDevice& file, int systemError);

// Writes the bytes to the file, replacing it; the error when that fails. The
// new content goes to a file beside it that then takes its name, so a crash
// or a kill in the middle leaves the old file or the new one, never a part.
std::optional<FileError> WriteWholeFile(const QString& path, const QByteArray& content);
// The file's bytes, or the error of opening or reading it.
std::variant<QByteArray, FileError> ReadWholeFile(const QString& path);
