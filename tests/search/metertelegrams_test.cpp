// The decoding of meter replies into result rows, against the telegram
// corpus in tests/data/meter-telegrams (see its README), and the code taken
// back out of a column text.
#include "search/meterdecoding.h"
#include "search/searchresultrow.h"

#include "base/language.h"

#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kCorpus = QStringLiteral(OSTRAND_SOURCE_DIR "/tests/data/meter-telegrams/");

QString ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// The bytes of a .hex file: pairs of hex digits, "#" to the end of a line is comment.
QByteArray TelegramBytes(const QString& path)
{
    QByteArray bytes;
    for (QString line : ReadText(path).split(u'\n')) {
        line = line.section(u'#', 0, 0);
        for (const QString& pair : line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
            bool ok = false;
            const uint value = pair.toUInt(&ok, 16);
            EXPECT_TRUE(ok && pair.size() == 2) << path.toStdString() << ": " << pair.toStdString();
            bytes.append(static_cast<char>(value));
        }
    }
    return bytes;
}

QStringList Telegrams(const QString& folder)
{
    return QDir(kCorpus + folder).entryList({QStringLiteral("*.hex")}, QDir::Files, QDir::Name);
}

// A row as a scan has it before decoding: texts 1, 3 and 4 filled, the rest
// holding what an earlier decode may have left.
SearchResultRow RowBeforeDecoding()
{
    SearchResultRow row;
    row.icon = SearchIcon::Answered;
    for (int text = 1; text <= SearchResultRow::kTextCount; ++text)
        row.Text(text) = QStringLiteral("before %1").arg(text);
    return row;
}

TEST(MeterTelegrams, EveryGoodTelegramDecodesIntoItsExpectedRow)
{
    const QStringList telegrams = Telegrams(QStringLiteral("good"));
    ASSERT_GE(telegrams.size(), 10) << "the corpus is missing";
    for (const QString& name : telegrams) {
        SCOPED_TRACE(name.toStdString());
        const QString rowPath = kCorpus + QStringLiteral("good/") + QString(name).replace(QStringLiteral(".hex"), QStringLiteral(".row"));
        ASSERT_TRUE(QFile::exists(rowPath)) << "no expected row beside the telegram";

        SearchResultRow expected = RowBeforeDecoding();
        for (const QString& line : ReadText(rowPath).split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype equals = line.indexOf(u'=');
            ASSERT_GT(equals, 0) << line.toStdString();
            const int text = line.left(equals).toInt();
            ASSERT_TRUE(text == 2 || (text >= 5 && text <= 9)) << "decoding writes texts 2 and 5-9 only";
            expected.Text(text) = line.mid(equals + 1);
        }

        SearchResultRow row = RowBeforeDecoding();
        EXPECT_TRUE(ExtractMeterData(TelegramBytes(kCorpus + QStringLiteral("good/") + name), row));
        EXPECT_EQ(row.icon, SearchIcon::Answered);
        for (int text = 1; text <= SearchResultRow::kTextCount; ++text)
            EXPECT_EQ(row.Text(text), expected.Text(text)) << "text " << text;
    }
}

TEST(MeterTelegrams, EveryBrokenTelegramLeavesTheRowAsItWas)
{
    const QStringList telegrams = Telegrams(QStringLiteral("broken"));
    ASSERT_GE(telegrams.size(), 8) << "the corpus is missing";
    for (const QString& name : telegrams) {
        SCOPED_TRACE(name.toStdString());
        SearchResultRow row = RowBeforeDecoding();
        EXPECT_FALSE(ExtractMeterData(TelegramBytes(kCorpus + QStringLiteral("broken/") + name), row));
        EXPECT_EQ(row, RowBeforeDecoding());
    }
}

TEST(MeterTelegrams, ParseListXTakesTheCodeBetweenTheLastParenthesisAndTheLastHexMark)
{
    const struct {
        const char* text;
        int field;
        const char* code;
    } rows[] = {
        {"ABB (0442h)", 6, "0442"},
        {"5 (05h)", 7, "05"},
        {"Heat (inlet) (0Ch)", 8, "0C"},
        {"Cooling (outlet) (0Ah)", 8, "0A"},
        {"Reserved (34)", 8, ""},
        {"N/A", 6, ""},
        {"Fixed", 9, ""},
        {"--", 3, ""},
        {"", 6, ""},
        {" (0000h)", 6, "0000"},
        {"x (5h)", 7, ""},                 // a one-character code is no code
        {"A(B)C (12h)", 5, "A(B)C (12h)"}, // the identification column comes back whole
        {"12345678", 5, "12345678"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseListX(QString::fromLatin1(row.text), row.field), QString::fromLatin1(row.code)) << row.text;
}

TEST(MeterTelegrams, DeviceTextsFollowTheMakersVersionRanges)
{
    const struct {
        const char* letters;
        int version;
        const char* text;
    } rows[] = {
        {"ABB", 2, "Delta"},       {"ABB", 3, "Odin"},        {"ABB", 4, "Delta Single"},
        {"ABB", 5, "Delta Plus"},  {"ABB", 11, "Odin Single"}, {"ABB", 6, "ABB N/A"},
        {"REL", 0, "REL N/A"},     {"REL", 1, "PadPuls M1"},  {"REL", 15, "PadPuls M1"},
        {"REL", 16, "PadPuls M4"}, {"REL", 31, "PadPuls M4"}, {"REL", 32, "PadIn4"},
        {"REL", 47, "PadIn4"},     {"REL", 48, "ANDi1..4"},   {"REL", 63, "ANDi1..4"},
        {"REL", 64, "PadPuls M2"}, {"REL", 79, "PadPuls M2"}, {"REL", 80, "REL N/A"},
        {"REL", 255, "REL N/A"},   {"KVX", 1, "Birch"},       {"KVX", 2, "KVX N/A"},
        {"abb", 2, "N/A"},         {"", 2, "N/A"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MeterDeviceText(QString::fromLatin1(row.letters), row.version), QString::fromLatin1(row.text))
            << row.letters << ' ' << row.version;
}

TEST(MeterTelegrams, TheWindowShowsTheDecodersWordsInTheLanguage)
{
    Language german;
    german.AppendEntries(ShippedLanguageText(QStringLiteral("049")));
    const struct {
        int field;
        const char* text;
        const char* shown;
    } rows[] = {
        {rowtext::kMedium, "Water (07h)", "Wasser (07h)"},
        {rowtext::kMedium, "Cooling (outlet) (0Ah)", "K\u00e4lte (R\u00fccklauf) (0Ah)"},
        {rowtext::kMedium, "Reserved for valve (21h)", "Reserviert f\u00fcr Ventil (21h)"},
        {rowtext::kMedium, "Reserved (34)", "Reserviert (34)"},
        {rowtext::kMedium, "N/A", "k. A."},
        {rowtext::kMedium, "Water (08h)", "Water (08h)"}, // not the name of its code: no decoder's text
        {rowtext::kDevice, "Fixed", "Feste Struktur"},
        {rowtext::kDevice, "ABB N/A", "ABB k. A."},
        {rowtext::kDevice, "Delta Plus", "Delta Plus"},
        {rowtext::kSelection, "Ok", "OK"},
        {rowtext::kSelection, "Bad data", "Fehlerhafte Daten"},
        {rowtext::kSelection, "--", "--"},
        {rowtext::kManufacturer, "ABB (0442h)", "ABB (0442h)"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ShownRowText(german, row.field, QString::fromLatin1(row.text)), QString::fromUtf8(row.shown)) << row.text;
}

} // namespace
