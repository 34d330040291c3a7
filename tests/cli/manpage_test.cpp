// The manual page and docs/cli.md name the same long options, globally and
// per command. Options hidden from --help (and so from the page) are
// described in the document's prose, not in its option tables.
#include "clicommands.h"
#include "climanpage.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

using OptionsBySection = QMap<QString, QSet<QString>>;

const QString kGlobal = QStringLiteral("(global options)");
const QString kTransport = QStringLiteral("(transport options)");

QSet<QString> LongOptions(const QString& text)
{
    static const QRegularExpression option(QStringLiteral("--([a-z0-9][a-z0-9-]*)"));
    QSet<QString> names;
    for (const QRegularExpressionMatch& match : option.globalMatch(text))
        names.insert(match.captured(1));
    return names;
}

// The page's ".B" line after each ".TP", under GLOBAL OPTIONS or a command's ".SS".
OptionsBySection ManPageOptions(const QString& page)
{
    OptionsBySection sections;
    QString section;
    QString previous;
    for (QString line : page.split(u'\n')) {
        line.replace(QLatin1String("\\-"), QLatin1String("-"));
        if (line.startsWith(QLatin1String(".SH ")) || line.startsWith(QLatin1String(".SS "))) {
            section = line.startsWith(QLatin1String(".SS ")) ? line.mid(4).trimmed()
                : line == QLatin1String(".SH GLOBAL OPTIONS") ? kGlobal
                                                              : QString();
            if (!section.isEmpty())
                sections[section]; // a command without options is listed too
        } else if (!section.isEmpty() && previous == QLatin1String(".TP") && line.startsWith(QLatin1String(".B ")))
            sections[section] += LongOptions(line);
        previous = line;
    }
    return sections;
}

// The first cell of each table row under "Global options", "Transport
// options" or a command's heading; a cell naming the transport options
// stands for that table's options.
OptionsBySection DocumentOptions(const QString& text)
{
    static const QRegularExpression commandHeading(QStringLiteral("^### `([a-z0-9-]+)`$"));
    static const QRegularExpression firstCell(QStringLiteral("^\\|((?:[^|\\\\]|\\\\.)*)\\|"));
    OptionsBySection sections;
    QSet<QString> takeTransport;
    QString section;
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(u'#')) {
            const QRegularExpressionMatch command = commandHeading.match(line);
            section = command.hasMatch() ? command.captured(1)
                : line == QLatin1String("### Global options") ? kGlobal
                : line == QLatin1String("### Transport options") ? kTransport
                                                                 : QString();
            if (!section.isEmpty())
                sections[section]; // a command without options is listed too
            continue;
        }
        const QRegularExpressionMatch cell = firstCell.match(line);
        if (section.isEmpty() || !cell.hasMatch())
            continue;
        if (cell.captured(1).contains(QLatin1String("transport options")))
            takeTransport.insert(section);
        else
            sections[section] += LongOptions(cell.captured(1));
    }
    for (const QString& command : takeTransport)
        sections[command] += sections.value(kTransport);
    sections.remove(kTransport);
    return sections;
}

std::string Listed(const QSet<QString>& names)
{
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted.join(QStringLiteral(", ")).toStdString();
}

} // namespace

TEST(CliManPageTest, TheManualPageAndTheContractNameTheSameOptions)
{
    QList<CommandOptions> commands;
    for (const CliCommand& command : CliCommands())
        commands << command.options;
    const OptionsBySection page = ManPageOptions(CliManPage(commands, QStringLiteral("0")));

    QFile file(QStringLiteral(OSTRAND_SOURCE_DIR "/docs/cli.md"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const OptionsBySection document = DocumentOptions(QString::fromUtf8(file.readAll()));

    ASSERT_EQ(page.size(), commands.size() + 1) << "the page's commands and its global options";
    EXPECT_EQ(Listed(QSet<QString>(document.keyBegin(), document.keyEnd())),
              Listed(QSet<QString>(page.keyBegin(), page.keyEnd())));
    for (auto it = page.begin(); it != page.end(); ++it) {
        const QSet<QString> documented = document.value(it.key());
        EXPECT_EQ(Listed(it.value() - documented), "") << it.key().toStdString() << ": on the page, not in docs/cli.md";
        EXPECT_EQ(Listed(documented - it.value()), "") << it.key().toStdString() << ": in docs/cli.md, not on the page";
    }
}
