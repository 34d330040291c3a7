#pragma once

#include <QString>

// The n-th field (from 0) of a text split at the separator; empty when the
// text has fewer fields. The last field runs to the end of the text.
QString GetField(const QString& text, int n, const QString& separator);

// A byte as two upper-case hex digits ("0A"), as logs, addresses and record
// lines write it.
QString Hex2(quint8 byte);

// A field of a comma-separated line: quoted, with its quotes doubled, when it
// holds a comma, a quote or a line break.
QString CsvField(const QString& text);
