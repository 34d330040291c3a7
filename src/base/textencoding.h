#pragma once

#include <QByteArray>
#include <QString>

// Files people edit by hand arrive as UTF-8 or in the old Western code page,
// and from Windows editors as UTF-16 with a byte order mark. A mark decides;
// without one valid UTF-8 is read as UTF-8, anything else as Windows-1252.
QString DecodeText(const QByteArray& bytes);

// How a file's text was stored, so that a file the program changes keeps it.
enum class TextEncoding { Utf8, Utf8WithMark, Utf16LE, Utf16BE, Windows1252 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};
DecodedText DecodeTextKeepingEncoding(const QByteArray& bytes);

// The text stored as the encoding has it, its byte order mark included. A
// character Windows-1252 lacks makes the whole text UTF-8 instead, rather
// than lose it.
QByteArray EncodeText(const QString& text, TextEncoding encoding);

// Windows-1252 to Unicode; the five unassigned bytes map to the C1 controls.
QString DecodeWindows1252(const QByteArray& bytes);
