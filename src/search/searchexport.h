#pragma once

#include "searchresultrow.h"

#include "base/fileerror.h"
#include "features/featureprotocol.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The two files a search's rows are saved in: a comma-separated list of
// secondary addresses (input for reading the meters later) and a
// column-aligned report of the whole list.

// What heads both files.
struct SearchExportHeader {
    QString savedAt;      // the date, a blank, the time
    QString portsettings; // the connection the search used
};

// The report's columns are this many characters wide.
constexpr int kReportColumnWidth = 14;

// Right-aligned in the width; a longer text is kept whole.
QString PadLeftToWidth(const QString& text, int width);

// The CSV file's lines. identificationFromReply: the identification is the
// decoded one (text 5), otherwise the address or mask probed (text 1). Rows
// whose manufacturer code equals exclude are left out.
QStringList SearchCsvLines(const QList<SearchResultRow>& rows, const SearchExportHeader& header,
                           bool identificationFromReply, const QString& exclude);

// The secondary address of the meter a row lists, as its CSV line gives it
// (manufacturer, version and medium empty where the row has none): nothing
// unless a meter answered in the row and it names the meter by its whole
// identification number.
std::optional<SecondaryAddress> RowSecondaryAddress(const SearchResultRow& row, bool identificationFromReply);

// The report's lines: header, the nine column captions, every row, closing rule.
QStringList SearchReportLines(const QList<SearchResultRow>& rows, const QStringList& captions,
                              const SearchExportHeader& header);

// Writes the lines, each ended by CR LF: the CSV file is created or
// replaced, the report appended to what the file holds. The classic error
// when the file cannot be opened or written.
enum class ExportWrite { Replace, Append };
std::optional<FileError> SaveSearchExport(const QString& path, const QStringList& lines, ExportWrite mode);
