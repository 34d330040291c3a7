#pragma once

#include "base/fileerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

// The item files the ASCII page loads its list of item names from, in the
// order of the page's format options.
enum class AsciiItemFileFormat {
    Modbus = 0,   // one item name a line, with at least two dots
    Explorer = 1, // "[TAG]" lines whose fields make up the name
    OpcItem = 2,  // "[item]" lines whose fourth field is the name
};

// The item names one line gives, or nothing when the line does not belong
// in a file of that format (which ends the reading). A field is the text
// between commas with every double quote removed.
std::optional<QStringList> AsciiItemLineTags(const QString& line, AsciiItemFileFormat format);

// More names than any item file holds: a list that long could not be
// picked from, and filling it would hold the page for long.
constexpr qsizetype kMostAsciiItemNames = 50000;

// What reading a file gave: the names up to the first line that did not
// fit (complete is false then), or a file error. A line that does not fit
// breaks its format's rule (two dots, "[" first, "[item]" first), unless it
// is longer than any line of an item file or would give one name more than
// the most a file may have.
struct AsciiItemFileRead {
    QStringList tags;
    bool complete = false;
    qsizetype failedLine = 0; // the line that did not fit, counted from 1
    bool lineTooLong = false;
    bool tooManyNames = false;
    std::optional<FileError> error;
};

// Takes an item file's bytes in pieces of any size, as they are read, so
// that a file of any length is judged line by line without holding it.
class AsciiItemFileParser {
public:
    explicit AsciiItemFileParser(AsciiItemFileFormat format) : m_Format(format) {}

    // False once a line did not fit (or ran longer than any item file's
    // line): the reading ends there and further bytes are not looked at.
    bool Feed(QByteArrayView bytes);

    // The file ended: a last line without a line end counts too.
    AsciiItemFileRead Finish();

private:
    bool Take(const QByteArray& line);

    AsciiItemFileFormat m_Format;
    AsciiItemFileRead m_Read;
    QByteArray m_Line;
    qsizetype m_Lines = 0; // lines taken so far
    bool m_AfterCr = false;
    bool m_Stopped = false;
};

// Reads the file line by line (lines end in CR LF, LF or CR); every byte is
// one character, so the names go back onto the wire as they stood.
AsciiItemFileRead ReadAsciiItemFile(const QString& path, AsciiItemFileFormat format);

// One line per name, each ending in CR LF, a byte per character.
QByteArray AsciiItemFileContent(const QStringList& tags);

// Creates the file (replacing an existing one) with the names; the error
// when it cannot be written.
std::optional<FileError> WriteAsciiItemFile(const QString& path, const QStringList& tags);
