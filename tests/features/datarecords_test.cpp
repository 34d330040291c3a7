// The data record decoder against the corpus in tests/data/datarecords: every
// telegram beside its expected records, and every broken one with its error.
#include "features/datarecords.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kCorpus = QStringLiteral(OSTRAND_SOURCE_DIR "/tests/data/datarecords/");

QString ReadText(const QString& path, bool* found)
{
    QFile file(path);
    *found = file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

QStringList WithoutComments(const QString& text)
{
    QStringList lines;
    for (QString line : text.split(u'\n')) {
        line = line.left(line.indexOf(u'#') < 0 ? line.size() : line.indexOf(u'#')).trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

QByteArray HexFile(const QString& path)
{
    bool found = false;
    const QString hex = WithoutComments(ReadText(path, &found)).join(u' ').remove(u' ');
    return QByteArray::fromHex(hex.toLatin1());
}

// The decoder's result in the form of the expected files.
QStringList Described(const DataRecords& decoded)
{
    QStringList lines;
    if (!decoded.error.isEmpty())
        lines << QStringLiteral("telegram | ") + decoded.error;
    for (const DataRecord& record : decoded.records)
        lines << QStringList{QString::number(record.position), QString::number(record.storage),
                             QString::number(record.tariff), QString::number(record.subunit), record.function,
                             record.description, record.value, record.unit, record.error}
                     .join(QStringLiteral(" | "));
    if (decoded.moreRecordsFollow)
        lines << QStringLiteral("more records follow");
    return lines;
}

QStringList Expected(const QString& path, bool* found)
{
    QStringList lines;
    // Trailing blanks after the last separator are not significant.
    for (const QString& line : WithoutComments(ReadText(path, found)))
        lines << line;
    return lines;
}

QStringList Trimmed(QStringList lines)
{
    for (QString& line : lines)
        line = line.trimmed();
    return lines;
}

QStringList Telegrams(const QString& folder)
{
    return QDir(kCorpus + folder).entryList({QStringLiteral("*.hex")}, QDir::Files, QDir::Name);
}

void CheckFolder(const QString& folder, bool broken)
{
    const QStringList telegrams = Telegrams(folder);
    ASSERT_FALSE(telegrams.isEmpty()) << "no telegrams in " << folder.toStdString();
    for (const QString& name : telegrams) {
        SCOPED_TRACE((folder + name).toStdString());
        const QString base = kCorpus + folder + name.chopped(4);
        bool found = false;
        const QStringList expected = Expected(base + QStringLiteral(".expected"), &found);
        EXPECT_TRUE(found) << "the expected records are missing: " << (base + ".expected").toStdString();
        const DataRecords decoded = DecodeDataRecords(HexFile(base + QStringLiteral(".hex")));
        EXPECT_EQ(Trimmed(Described(decoded)), Trimmed(expected));
        const bool anyError = !decoded.error.isEmpty() ||
                              std::any_of(decoded.records.begin(), decoded.records.end(),
                                          [](const DataRecord& record) { return !record.error.isEmpty(); });
        EXPECT_EQ(anyError, broken);
    }
}

} // namespace

TEST(DataRecords, GoodTelegramsGiveTheirRecords)
{
    CheckFolder(QStringLiteral("good/"), false);
}

TEST(DataRecords, BrokenTelegramsGiveAnError)
{
    CheckFolder(QStringLiteral("broken/"), true);
}

// Every telegram cut short at every length is refused as a whole, and with
// any single byte of its records replaced it still decodes within its bytes:
// no crash and (under AddressSanitizer) no read past them.
TEST(DataRecords, EveryCutAndEveryChangedByteIsSurvived)
{
    for (const QString& folder : {QStringLiteral("good/"), QStringLiteral("broken/")}) {
        for (const QString& name : Telegrams(folder)) {
            const QByteArray frame = HexFile(kCorpus + folder + name);
            for (qsizetype size = 0; size < frame.size(); ++size) {
                const DataRecords decoded = DecodeDataRecords(frame.left(size));
                const bool lengthFits = size > 1 && size == static_cast<quint8>(frame[1]) + 6;
                if (!lengthFits) {
                    EXPECT_FALSE(decoded.error.isEmpty()) << name.toStdString() << " cut at " << size;
                }
            }
            for (qsizetype at = 19; at < frame.size() - 2; ++at) {
                for (const int value : {0x00, 0x0F, 0x1F, 0x7F, 0x80, 0xBF, 0xC9, 0xEF, 0xF7, 0xFB, 0xFC, 0xFD, 0xFF}) {
                    QByteArray changed = frame;
                    changed[at] = static_cast<char>(value);
                    const DataRecords decoded = DecodeDataRecords(changed);
                    for (const DataRecord& record : decoded.records)
                        EXPECT_LE(record.position + record.bytes.size(), frame.size() - 1) << name.toStdString();
                }
            }
        }
    }
}
