#include "searchexport.h"
#include "base/fileappend.h"

#include "meterdecoding.h"

#include "base/version.h"

#include <QRegularExpression>

namespace {

const QString kSelectionOk = QStringLiteral("Ok");

// Eight hex digits without a wildcard F: a selection that named one meter.
bool IsCompleteSecondaryAddress(const QString& probed)
{
    static const QRegularExpression address(QStringLiteral("^[0-9A-E]{8}$"));
    return address.match(probed).hasMatch();
}

// The identification a row's CSV line starts with.
QString RowIdentification(const SearchResultRow& row, bool identificationFromReply)
{
    const QString identification =
        identificationFromReply ? row.Text(rowtext::kIdentification) : row.Text(rowtext::kProbed);
    // A meter that took its selection but sent no data is still known by
    // the address that selected it.
    if (identification.isEmpty() && row.Text(rowtext::kSelection) == kSelectionOk
        && IsCompleteSecondaryAddress(row.Text(rowtext::kProbed)))
        return row.Text(rowtext::kProbed);
    return identification;
}

const QString kSavedFrom = QStringLiteral("Saved from Kalvix D-Ura Zuzod Ededev version ");
constexpr int kReportRuleWidth = 130;

QString SavedFromLine(const SearchExportHeader& header)
{
    return kSavedFrom + kVersionText + QStringLiteral("      ") + header.savedAt;
}

} // namespace

QString PadLeftToWidth(const QString& text, int width)
{
    return text.rightJustified(width, u' ', false);
}

QStringList SearchCsvLines(const QList<SearchResultRow>& rows, const SearchExportHeader& header,
                           bool identificationFromReply, const QString& exclude)
{
    QStringList lines;
    lines << u'#' + SavedFromLine(header);
    lines << QStringLiteral("#Portsettings: ") + header.portsettings;
    lines << QStringLiteral("#IdNumber,Manufacturer,Version,Medium");
    for (const SearchResultRow& row : rows) {
        const QString manufacturer = ParseListX(row.Text(rowtext::kManufacturer), rowtext::kManufacturer);
        if (manufacturer == exclude)
            continue;
        lines << RowIdentification(row, identificationFromReply) + u',' + manufacturer + u','
                + ParseListX(row.Text(rowtext::kVersion), rowtext::kVersion) + u','
                + ParseListX(row.Text(rowtext::kMedium), rowtext::kMedium);
    }
    return lines;
}

std::optional<SecondaryAddress> RowSecondaryAddress(const SearchResultRow& row, bool identificationFromReply)
{
    static const QRegularExpression wholeId(QStringLiteral("^[0-9]{8}$"));
    const QString id = RowIdentification(row, identificationFromReply);
    const bool answered = row.icon == SearchIcon::Answered || row.Text(rowtext::kSelection) == kSelectionOk;
    if (!answered || !wholeId.match(id).hasMatch())
        return std::nullopt;
    return SecondaryAddress{id, ParseListX(row.Text(rowtext::kManufacturer), rowtext::kManufacturer),
                            ParseListX(row.Text(rowtext::kVersion), rowtext::kVersion),
                            ParseListX(row.Text(rowtext::kMedium), rowtext::kMedium)};
}

QStringList SearchReportLines(const QList<SearchResultRow>& rows, const QStringList& captions,
                              const SearchExportHeader& header)
{
    const QString rule(kReportRuleWidth, u'-');
    const auto columns = [](const auto& texts) {
        QString line;
        for (const QString& text : texts)
            line += PadLeftToWidth(text, kReportColumnWidth) + u' ';
        return line;
    };
    QStringList lines;
    lines << QStringLiteral("ADDRESS INFO");
    lines << SavedFromLine(header);
    lines << QStringLiteral("Portsettings: ") + header.portsettings;
    lines << rule;
    lines << columns(captions);
    for (const SearchResultRow& row : rows)
        lines << columns(row.texts);
    lines << rule;
    lines << QString();
    return lines;
}

std::optional<FileError> SaveSearchExport(const QString& path, const QStringList& lines, ExportWrite mode)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return mode == ExportWrite::Append ? AppendToFile(path, bytes) : WriteWholeFile(path, bytes);
}
