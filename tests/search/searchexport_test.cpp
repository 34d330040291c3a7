// The CSV file and the text report of a search's rows, line by line as
// their layout gives them, and the classic error of a file that cannot be
// written.
#include "search/searchexport.h"

#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const SearchExportHeader kHeader{QStringLiteral("24.12.2025 13:05:09"), QStringLiteral("UDP: 127.0.0.1:10001")};

SearchResultRow Row(SearchIcon icon, std::initializer_list<const char*> texts)
{
    SearchResultRow row;
    row.icon = icon;
    int number = 1;
    for (const char* text : texts)
        row.Text(number++) = QString::fromLatin1(text);
    return row;
}

// A secondary scan: a collision, a mask nobody answered, one meter read
// (the decoded texts of 78 56 34 12, 42 04, 02, 02 after CI 72h) and one
// selected that sent no data.
QList<SearchResultRow> SecondaryRows()
{
    return {
        Row(SearchIcon::Fault, {"1FFFFFFF", "", "Collision"}),
        Row(SearchIcon::Neutral, {"0FFFFFFF", "", "--"}),
        Row(SearchIcon::Answered,
            {"12345678", "5", "Ok", "Ok", "12345678", "ABB (0442h)", "2 (02h)", "Electricity (02h)", "Delta"}),
        Row(SearchIcon::Fault, {"66600001", "", "Ok", "--"}),
    };
}

QStringList Data(const QStringList& csv)
{
    return csv.mid(3);
}

TEST(SearchExport, CsvHeaderNamesVersionTimeAndConnection)
{
    const QStringList lines = SearchCsvLines({}, kHeader, true, QStringLiteral("FFFF"));
    EXPECT_EQ(lines, QStringList({"#Saved from Kalvix D-Ura Zuzod Ededev version 3.1.2      24.12.2025 13:05:09",
                                  "#Portsettings: UDP: 127.0.0.1:10001", "#IdNumber,Manufacturer,Version,Medium"}));
}

TEST(SearchExport, CsvLinesTakeTheIdentificationFromTheReplyOrTheProbeAndSkipTheExcludedMaker)
{
    const struct {
        bool fromReply;
        const char* exclude;
        QStringList data;
    } rows[] = {
        // unread rows have no identification: three commas alone; the
        // selected meter that sent no data keeps the address it was selected by
        {true, "FFFF", {",,,", ",,,", "12345678,0442,02,02", "66600001,,,"}},
        {false, "FFFF", {"1FFFFFFF,,,", "0FFFFFFF,,,", "12345678,0442,02,02", "66600001,,,"}},
        // an empty exclude text matches every row without a manufacturer code
        {false, "", {"12345678,0442,02,02"}},
        {true, "0442", {",,,", ",,,", "66600001,,,"}},
        {true, "0442 ", {",,,", ",,,", "12345678,0442,02,02", "66600001,,,"}}, // compared exactly
    };
    for (const auto& row : rows)
        EXPECT_EQ(Data(SearchCsvLines(SecondaryRows(), kHeader, row.fromReply, QString::fromLatin1(row.exclude))), row.data)
            << row.fromReply << " '" << row.exclude << "'";
}

TEST(SearchExport, ARowGivesTheSecondaryAddressOfTheOneMeterItNames)
{
    QList<SearchResultRow> rows = SecondaryRows();
    rows << Row(SearchIcon::Neutral, {"12345670", "", "--"});
    const struct {
        int row;
        bool fromReply;
        const char* address; // nothing for no meter
    } cases[] = {
        {0, false, nullptr}, // a collision
        {1, true, nullptr},
        {2, true, "12345678.0442.02.02"},
        {3, false, "66600001.FFFF.FF.FF"}, // selected, sent no data
        {4, false, nullptr},               // a whole number nobody answered
    };
    for (const auto& c : cases) {
        const std::optional<SecondaryAddress> address = RowSecondaryAddress(rows[c.row], c.fromReply);
        EXPECT_EQ(address ? address->Text() : QString(), QString::fromLatin1(c.address)) << c.row;
    }
}

TEST(SearchExport, CsvRowWithoutManufacturerCodeIsSkippedOnlyForAnEmptyExclude)
{
    const QList<SearchResultRow> rows = {
        Row(SearchIcon::Answered, {"9", "9", "Ok", "Ok", "55500002", "N/A", "N/A", "N/A", "Fixed"})};
    EXPECT_EQ(Data(SearchCsvLines(rows, kHeader, true, QStringLiteral("FFFF"))), QStringList({"55500002,,,"}));
    EXPECT_EQ(Data(SearchCsvLines(rows, kHeader, true, QString())), QStringList());
}

TEST(SearchExport, ReportRightAlignsEveryTextInFourteenColumns)
{
    const QStringList captions = {"Probed", "Prim. address", "SND_NKE", "REQ_UD2", "Ident. number",
                                  "Manufacturer", "Version", "Medium", "Device"};
    const QStringList lines = SearchReportLines(SecondaryRows().mid(2, 1), captions, kHeader);
    const QString rule(130, u'-');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], "ADDRESS INFO");
    EXPECT_EQ(lines[1], "Saved from Kalvix D-Ura Zuzod Ededev version 3.1.2      24.12.2025 13:05:09");
    EXPECT_EQ(lines[2], "Portsettings: UDP: 127.0.0.1:10001");
    EXPECT_EQ(lines[3], rule);
    EXPECT_EQ(lines[4], "        Probed  Prim. address        SND_NKE        REQ_UD2  Ident. number   Manufacturer"
                        "        Version         Medium         Device ");
    // "Electricity (02h)" is 17 characters: written whole, it pushes the last column 3 to the right
    EXPECT_EQ(lines[5], "      12345678              5             Ok             Ok       12345678    ABB (0442h)"
                        "        2 (02h) Electricity (02h)          Delta ");
    EXPECT_EQ(lines[6], rule);
    EXPECT_EQ(lines[7], QString());
}

TEST(SearchExport, ReportOfAnEmptyListIsItsFrame)
{
    const QStringList lines = SearchReportLines({}, QStringList(9, QStringLiteral("C")), kHeader);
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[5], QString(130, u'-'));
    EXPECT_EQ(lines[6], QString());
}

TEST(SearchExport, PaddingKeepsLongTextsWhole)
{
    EXPECT_EQ(PadLeftToWidth(QStringLiteral("Ok"), 14), QStringLiteral("            Ok"));
    EXPECT_EQ(PadLeftToWidth(QString(), 14), QString(14, u' '));
    EXPECT_EQ(PadLeftToWidth(QStringLiteral("A caption of twenty"), 14), QStringLiteral("A caption of twenty"));
}

TEST(SearchExport, CsvReplacesTheFileAndTheReportAppendsWithCrLf)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("meters.csv"));
    const QString txt = dir.filePath(QStringLiteral("meters.txt"));
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(SaveSearchExport(csv, {"a", "b"}, ExportWrite::Replace));
        EXPECT_FALSE(SaveSearchExport(txt, {"ADDRESS INFO", ""}, ExportWrite::Append));
    }
    QFile csvFile(csv);
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(csvFile.readAll(), QByteArray("a\r\nb\r\n"));
    QFile txtFile(txt);
    ASSERT_TRUE(txtFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(txtFile.readAll(), QByteArray("ADDRESS INFO\r\n\r\nADDRESS INFO\r\n\r\n"));
}

TEST(SearchExport, AFileThatCannotBeWrittenGivesTheClassicError)
{
    QTemporaryDir dir;
    const std::optional<FileError> missingFolder =
        SaveSearchExport(dir.filePath(QStringLiteral("gone/meters.csv")), {"a"}, ExportWrite::Replace);
    ASSERT_TRUE(missingFolder);
    EXPECT_EQ(missingFolder->number, 76);
    const std::optional<FileError> folder = SaveSearchExport(dir.path(), {"a"}, ExportWrite::Append);
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->Message().startsWith(QStringLiteral("The following error has occurred:\r\nErr # ")));
}

} // namespace
