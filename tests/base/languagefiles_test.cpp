// The shipped language files must hold every text the program shows, in
// both languages, so that no window ever shows "Invalid Text (n)".
#include "base/language.h"

#include "testenvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
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
        {1340, 1344}, {1360, 1363}, {1380, 1380}, {1400, 1445}, {1450, 1497},
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

// The source with its comments and string and character literals blanked
// (same length, same lines), so that what is left is code.
QString CodeOnly(const QString& source)
{
    QString code = source;
    const qsizetype n = code.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = code[i];
        qsizetype end = i + 1;
        if (c == u'/' && i + 1 < n && code[i + 1] == u'/') {
            end = code.indexOf(u'\n', i);
            end = end < 0 ? n : end;
        } else if (c == u'/' && i + 1 < n && code[i + 1] == u'*') {
            end = code.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? n : end + 2;
        } else if ((c == u'"' || c == u'\'') && !(c == u'\'' && i > 0 && code[i - 1].isDigit())) {
            while (end < n && code[end] != c)
                end += code[end] == u'\\' ? 2 : 1;
            end = std::min(end + 1, n);
        } else {
            i = end;
            continue;
        }
        for (qsizetype k = i; k < end; ++k) {
            if (code[k] != u'\n')
                code[k] = u' ';
        }
        i = end;
    }
    return code;
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

// The bare numbers in text calls (Text(684)), as "file:line: call".
QStringList BareTextNumbers(const QString& path, const QString& source)
{
    // the calls that take a text number, and which argument holds it
    static const QHash<QString, int> kCalls = {{QStringLiteral("GetLanguageText"), 0},
                                               {QStringLiteral("Text"), 0},
                                               {QStringLiteral("text"), 0},
                                               {QStringLiteral("MissingReplyText"), 0},
                                               {QStringLiteral("SocketWarningText"), 1},
                                               {QStringLiteral("Warn"), 0},
                                               {QStringLiteral("Refused"), 1}};
    static const QRegularExpression call(QStringLiteral(R"((\.|->)?\b(\w+)\s*\()"));
    // a number of two digits or more that is not compared with (text numbers start at 10)
    static const QRegularExpression number(QStringLiteral(R"((?<![\w.<>=!]|[<>=!]\s)\b\d{2,}\b(?![\w.]))"));
    const QString code = CodeOnly(source);
    QStringList bare;
    for (auto it = call.globalMatch(code); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const auto wanted = kCalls.constFind(match.captured(2));
        // a widget's text(column) is no text call
        if (wanted == kCalls.cend() || (match.captured(2) == QStringLiteral("text") && !match.captured(1).isEmpty()))
            continue;
        // the wanted argument, up to its comma or the closing bracket
        int depth = 0;
        int argument = 0;
        qsizetype start = match.capturedEnd();
        for (qsizetype i = start; i < code.size(); ++i) {
            const QChar c = code[i];
            const bool ends = depth == 0 && (c == u',' || c == u')');
            if (ends && argument == *wanted) {
                if (code.mid(start, i - start).contains(number)) {
                    const qsizetype from = match.capturedStart(2);
                    const int line = static_cast<int>(code.left(from).count(u'\n')) + 1;
                    bare << QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(source.mid(from, i + 1 - from));
                }
                break;
            }
            if (ends && c == u')')
                break;
            if (ends) {
                ++argument;
                start = i + 1;
            } else if (c == u'(' || c == u'[' || c == u'{') {
                ++depth;
            } else if (c == u')' || c == u']' || c == u'}') {
                --depth;
            }
        }
    }
    return bare;
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

// A text is asked for by its name (featuretext::kNoReply), never by a bare
// number: the names say which text a line shows, and the headers that hold
// them are what the test above checks against the language files.
TEST(ProgramSources, AskForTextsByName)
{
    QStringList bare;
    for (const auto& [path, source] :
         SourceFiles({QStringLiteral("src"), QStringLiteral("cli"), QStringLiteral("bench")}))
        bare << BareTextNumbers(path, source);
    EXPECT_EQ(bare.join(u'\n'), QString());
}

TEST(ProgramSources, BareTextNumbersAreFound)
{
    const QString source = QStringLiteral("a(Text(684));\nb(m_Language.GetLanguageText(on ? 110 : kOff));\n"
                                          "c(SocketWarningText(language, 242, why));\n");
    EXPECT_EQ(BareTextNumbers(QStringLiteral("x.cpp"), source).size(), 3);
    const QString named = QStringLiteral("a(Text(featuretext::kNoReply).arg(12));\n// Text(684)\n"
                                         "b(GetLanguageText(n < 10 ? kA : kB));\nc(row->text(10));\n"
                                         "d(Text(\"684\"));\n");
    EXPECT_EQ(BareTextNumbers(QStringLiteral("x.cpp"), named), QStringList());
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
