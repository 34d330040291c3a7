// The shipped language files must hold every text the program shows, in
// both languages, so that no window ever shows "Invalid Text (n)".
#include "shell/language.h"

#include "testenvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

const QStringList kShipped = {QStringLiteral("001"), QStringLiteral("049")};

// Every text id the program's windows, pages and messages use, including
// those built from a base and an offset (header 610 + option, ...).
QSet<int> ProgramTextIds()
{
    const std::pair<int, int> ranges[] = {
        {10, 10},     {20, 20},     {30, 30},     {40, 40},     {50, 50},     {60, 60},     {100, 105},
        {110, 116},   {130, 132},   {135, 138},   {150, 162},   {164, 192},   {194, 213},   {220, 225},
        {230, 264},   {280, 287},   {300, 302},   {350, 351},   {360, 364},   {370, 370},   {400, 409},
        {500, 507},   {510, 513},   {550, 550},   {610, 615},   {620, 625},   {630, 635},   {640, 683},
        {690, 696},   {700, 709},   {720, 729},   {740, 740},   {750, 756},   {760, 776},   {780, 780},
        {800, 827},   {829, 844},   {900, 902},   {1000, 1021}, {1100, 1122}, {1200, 1203}, {1320, 1325},
        {1340, 1344}, {1360, 1363}, {1380, 1380},
    };
    QSet<int> ids;
    for (const auto& [first, last] : ranges) {
        for (int id = first; id <= last; ++id)
            ids.insert(id);
    }
    return ids;
}

QSet<int> IdsInFile(const QString& number)
{
    QSet<int> ids;
    LanguageEntry entry;
    for (const QString& line : ShippedLanguageText(number).split(u'\n')) {
        if (ParseLanguageLine(line, entry))
            ids.insert(entry.id);
    }
    return ids;
}

// Every .cpp and .h file under the given folders of the source tree, by
// path relative to it.
QList<std::pair<QString, QString>> SourceFiles(const QStringList& folders)
{
    QList<std::pair<QString, QString>> files;
    const QDir root(QStringLiteral(OSTRAND_SOURCE_DIR));
    for (const QString& folder : folders) {
        QDirIterator it(root.filePath(folder), {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                files.append({root.relativeFilePath(file.fileName()), QString::fromUtf8(file.readAll())});
        }
    }
    return files;
}

// Ids the sources name: the constants of the text headers (searchtexts.h, ...).
QSet<int> IdsInSources()
{
    QSet<int> ids;
    const QRegularExpression name(QStringLiteral(R"(constexpr int k\w+ = (\d+);)"));
    for (const auto& [path, source] : SourceFiles({QStringLiteral("src"), QStringLiteral("cli")})) {
        if (!path.endsWith(QStringLiteral("texts.h")))
            continue;
        for (auto match = name.globalMatch(source); match.hasNext();)
            ids.insert(match.next().captured(1).toInt());
    }
    return ids;
}

QString Missing(const QSet<int>& wanted, const QSet<int>& present)
{
    QList<int> missing = (wanted - present).values();
    std::sort(missing.begin(), missing.end());
    QStringList text;
    for (int id : missing)
        text << QString::number(id);
    return text.join(u' ');
}

} // namespace

TEST(ShippedLanguages, HoldEveryTextTheProgramUses)
{
    const QSet<int> wanted = ProgramTextIds() + IdsInSources();
    ASSERT_GT(IdsInSources().size(), 50); // the scan itself works
    for (const QString& number : kShipped) {
        const QSet<int> present = IdsInFile(number);
        EXPECT_EQ(Missing(wanted, present), QString()) << "missing in Ostrand_Language." << number.toStdString();
    }
}

TEST(ShippedLanguages, HoldTheSameIdsAndNoStrayEquals)
{
    EXPECT_EQ(IdsInFile(kShipped[0]), IdsInFile(kShipped[1]));
    for (const QString& number : kShipped) {
        for (const QString& line : ShippedLanguageText(number).split(u'\n')) {
            // a second "=" would cut the text short
            EXPECT_LE(line.count(u'='), 1) << number.toStdString() << ": " << line.toStdString();
        }
    }
}

TEST(ShippedLanguages, AreListedByName)
{
    TestEnvironment environment;
    const QList<LanguageChoice> choices = ListLanguageFiles(environment.AppPath());
    ASSERT_EQ(choices.size(), 2);
    EXPECT_EQ(choices[0].number, 1);
    EXPECT_EQ(choices[0].name, QStringLiteral("English"));
    EXPECT_EQ(choices[1].number, 49);
    EXPECT_EQ(choices[1].name, QStringLiteral("Deutsch"));
}
