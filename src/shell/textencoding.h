#pragma once

#include <QByteArray>
#include <QString>

// Files people edit by hand arrive as UTF-8 or in the old Western code page.
// Valid UTF-8 is read as UTF-8, anything else as Windows-1252.
QString DecodeText(const QByteArray& bytes);

// Windows-1252 to Unicode; the five unassigned bytes map to the C1 controls.
QString DecodeWindows1252(const QByteArray& bytes);
