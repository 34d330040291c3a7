// The command line itself: the help of the whole tool and of one command,
// usage errors, and where the texts come from.
#include "cliargs.h"
#include "clicommands.h"
#include "climanpage.h"
#include "clirunner.h"

#include <QCommandLineParser>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

CliRun Cli(const QStringList& arguments)
{
    static QTemporaryDir dir; // a program folder without language files
    return RunCli(arguments, dir.path());
}

} // namespace

TEST(CliUsageTest, HelpListsTheCommandsAndEachCommandItsOwnOptions)
{
    const CliRun all = Cli({QStringLiteral("--help")});
    EXPECT_EQ(all.status, 0);
    for (const char* command : {"mbus-send", "mbus-init", "mbus-identify", "mbus-read", "mbus-set-address",
                                "mbus-set-speed", "mbus-app-reset", "discover", "ping", "record-read", "record-write", "set-ip"})
        EXPECT_EQ(all.out.count(QStringLiteral("\n  %1 ").arg(QLatin1String(command))), 1) << command;

    const CliRun send = Cli({QStringLiteral("mbus-send"), QStringLiteral("--help")});
    EXPECT_EQ(send.status, 0);
    EXPECT_TRUE(send.out.contains(QLatin1String("--ci HH")));
    EXPECT_TRUE(send.out.contains(QLatin1String("--udp HOST[:PORT]")));
    EXPECT_FALSE(send.out.contains(QLatin1String("--record"))) << "another command's option";
    EXPECT_FALSE(send.out.contains(QLatin1String("--scan-timeout")));

    const CliRun ping = Cli({QStringLiteral("--json"), QStringLiteral("ping"), QStringLiteral("--help")});
    EXPECT_TRUE(ping.out.contains(QLatin1String("--count N")));
    EXPECT_FALSE(ping.out.contains(QLatin1String("--udp"))) << "ping takes no transport";
}

TEST(CliUsageTest, AnotherCommandsOptionIsAUsageError)
{
    const CliRun run = Cli({QStringLiteral("mbus-send"), QStringLiteral("--record"), QStringLiteral("1"),
                            QStringLiteral("10 40 01 41 16")});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("record"))) << run.err.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("no-such-command")}).status, 2);
    EXPECT_EQ(Cli({}).status, 2);
}

// Two options of one name (a command's own beside a global one) make the
// parser warn and take only the first: the command's would never be seen.
TEST(CliUsageTest, EveryCommandsOptionsParseWithoutAWarning)
{
    static QStringList warnings;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            warnings << text;
    });
    QList<CommandOptions> all;
    for (const CliCommand& command : CliCommands())
        all << command.options;
    for (const CommandOptions& command : all) {
        warnings.clear();
        QCommandLineParser parser;
        CliArgs args;
        ParseCliArgs({QStringLiteral("ostrand-cli"), command.name, QStringLiteral("--help")}, all, parser, args);
        EXPECT_TRUE(warnings.isEmpty()) << command.name.toStdString() << ": " << warnings.join(u'|').toStdString();
    }
    qInstallMessageHandler(previous);
}

TEST(CliUsageTest, VersionWithACommandIsAUsageErrorNotTheVersion)
{
    const CliRun run = Cli({QStringLiteral("scan-secondary"), QStringLiteral("--udp"), QStringLiteral("127.0.0.1:9"),
                            QStringLiteral("--version"), QStringLiteral("12")});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("--meter-version"))) << run.err.toStdString();
}

// Refused as typed, before a socket or a name lookup: only four decimal
// numbers 0-255, and at most one port.
TEST(CliUsageTest, AddressesAndMacsThatAreNotTypedAsTheRuleSaysAreUsageErrors)
{
    const QStringList bad = {QStringLiteral("127.1"), QStringLiteral("0x7f.0.0.1"), QStringLiteral("127.0.0.256"),
                             QStringLiteral("127.77.3.1."), QStringLiteral("127.0.0.1:10001:5"), QStringLiteral("localhost")};
    for (const QString& address : bad) {
        for (const QStringList& arguments : {QStringList{"mbus-send", "--udp", address, "10 40 01 41 16"},
                                             QStringList{"mbus-send", "--tcp", address, "10 40 01 41 16"},
                                             QStringList{"record-read", address},
                                             QStringList{"ping", address},
                                             QStringList{"discover", "--target", address},
                                             QStringList{"discover", "--adapter", address}}) {
            const CliRun run = Cli(arguments);
            EXPECT_EQ(run.status, 2) << arguments.join(u' ').toStdString() << "\n" << run.err.toStdString();
        }
    }
    for (const char* mac : {"00-20-4A-12-34-5G", "00-20-4A-12-34", "0020-4A-12-34-56-78"}) {
        const CliRun run = Cli({"set-ip", "--mac", mac, "--ip", "127.0.0.1", "--mask", "255.0.0.0", "--gateway",
                                "0.0.0.0", "--broadcast", "127.0.0.1:9"});
        EXPECT_EQ(run.status, 2) << mac << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("--mac"))) << run.err.toStdString();
    }
}

TEST(CliUsageTest, TextsComeFromBesideTheProgramWhenTheFolderHasNone)
{
    // record 0 of a gateway that does not answer: the failure names text 169
    const CliRun run = Cli({QStringLiteral("record-read"), QStringLiteral("127.0.0.1:9")});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.contains(QLatin1String("Invalid Text"))) << run.err.toStdString();
}

TEST(CliUsageTest, ADamagedLanguageFileOrAnINIFolderIsSaid)
{
    QTemporaryDir dir;
    QFile damaged(dir.filePath(QStringLiteral("Ostrand_Language.001")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("0=English\n\x01\x02\xFF garbage\n");
    damaged.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Ostrand.INI")));
    const CliRun run = RunCli({QStringLiteral("--language"), QStringLiteral("1"), QStringLiteral("record-read"),
                               QStringLiteral("127.0.0.1:9")},
                              dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QLatin1String("Ostrand_Language.001 holds no texts"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("Ostrand.INI cannot be read (it is a folder)"))) << run.err.toStdString();
}

TEST(CliUsageTest, TheManualPageIsMadeFromTheHelpTextsWithTroffKeptOut)
{
    // A command whose texts would be troff requests and escapes if copied as they are.
    const CommandOptions command{QStringLiteral("meter-poke"),
                                 {{QStringLiteral("level"), QStringLiteral("A path like C:\\bus."), QStringLiteral("N")}},
                                 QStringLiteral("HOST"),
                                 QStringLiteral(".dots start\n'quotes too"),
                                 CommandTransport::SerialOnly};
    const QString page = CliManPage({command}, QStringLiteral("9.8.7"));
    const QStringList expected = {
        QStringLiteral(".TH OSTRAND\\-CLI 1 \"\" \"ostrand 9.8.7\""),
        QStringLiteral("\n.SS meter\\-poke\n.B ostrand\\-cli meter\\-poke HOST\n.PP\n\\&.dots start\n\\&'quotes too\n"),
        QStringLiteral("\n.TP\n.B \\-\\-level N\nA path like C:\\ebus.\n"),
        QStringLiteral("\n.TP\n.B \\-\\-serial"), // the transport options the command takes
        QStringLiteral("\n.TP\n.B \\-\\-json\n"), // a global option
    };
    for (const QString& part : expected)
        EXPECT_TRUE(page.contains(part)) << part.toStdString() << "\nin\n" << page.toStdString();
    EXPECT_FALSE(page.contains(QLatin1String("\\-\\-man"))) << "hidden from --help, so from the page too";
    EXPECT_FALSE(page.contains(QLatin1String("\\-\\-udp"))) << "not a transport of this command";
}
