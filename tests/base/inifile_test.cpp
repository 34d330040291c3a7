#include "base/inifile.h"
#include "base/inifilelocation.h"
#include "base/settingkeys.h"
#include "base/textnumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>

namespace {

QString Read(const QString& content, const char* section, const char* key, const char* fallback = "dflt")
{
    return IniLookup(content, QString::fromLatin1(section), QString::fromLatin1(key), QString::fromLatin1(fallback));
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(IniLookup, MatchesSectionAndKeyWithoutRegardToCase)
{
    const QString content = QStringLiteral("[ip]\nbustimeout=2500\n[Debug]\n  MaxDebugLines = 20 \n");
    EXPECT_EQ(Read(content, "IP", "BusTimeOut"), QStringLiteral("2500"));
    EXPECT_EQ(Read(content, "IP", "BusTimeout"), QStringLiteral("2500"));
    EXPECT_EQ(Read(content, "DEBUG", "maxdebuglines"), QStringLiteral("20"));
}

TEST(IniLookup, MissingSectionOrKeyGivesTheDefault)
{
    const QString content = QStringLiteral("[IP]\nBusDelay=10\n");
    EXPECT_EQ(Read(content, "ModBus", "BusDelay"), QStringLiteral("dflt"));
    EXPECT_EQ(Read(content, "IP", "BusTimeOut"), QStringLiteral("dflt"));
    EXPECT_EQ(Read(QString(), "IP", "BusDelay"), QStringLiteral("dflt"));
    // a key of another section does not leak into the one asked for
    EXPECT_EQ(Read(QStringLiteral("[A]\nk=1\n[B]\n"), "B", "k"), QStringLiteral("dflt"));
}

TEST(IniLookup, JunkLinesAreSkipped)
{
    const QString content = QStringLiteral("garbage without equals\n\x01\x02\n;BusDelay=1\n[IP\nBusDelay=77\n=novalue\n"
                                           "[]\n[IP]\nScanTimeOut=1500\r\n");
    // "[IP" without the bracket still names the section, as the classic reader does
    EXPECT_EQ(Read(content, "IP", "BusDelay"), QStringLiteral("77"));
    EXPECT_EQ(Read(content, "IP", "ScanTimeOut"), QStringLiteral("dflt")); // only the first [IP] counts
}

TEST(IniLookup, QuotesAndBlanksAreRemovedAndLongValuesCut)
{
    EXPECT_EQ(Read(QStringLiteral("[S]\nk = \"quoted value\" \n"), "S", "k"), QStringLiteral("quoted value"));
    EXPECT_EQ(Read(QStringLiteral("[S]\nk='x'\n"), "S", "k"), QStringLiteral("x"));
    EXPECT_EQ(Read(QStringLiteral("[S]\nk=\n"), "S", "k"), QString());
    const QString longValue(5000, u'7');
    EXPECT_EQ(Read(QStringLiteral("[S]\nk=") + longValue + u'\n', "S", "k").size(), 2047);
}

TEST(IniValues, NumbersAreTakenFromTheLeadingDigits)
{
    EXPECT_EQ(LeadingNumber(u"3000ms"), 3000);
    EXPECT_EQ(LeadingNumber(u"abc"), 0);
    EXPECT_EQ(LeadingNumber(u""), 0);
    EXPECT_EQ(LeadingNumber(u"  42 "), 42);
    EXPECT_EQ(LeadingNumber(u"-5x"), -5);
    // Beyond 64 bits the number stops at the limit instead of wrapping round.
    constexpr qint64 highest = std::numeric_limits<qint64>::max();
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    EXPECT_EQ(LeadingNumber(u"9223372036854775807"), highest);
    EXPECT_EQ(LeadingNumber(u"9223372036854775808"), highest);
    EXPECT_EQ(LeadingNumber(u"99999999999999999999999999ms"), highest);
    EXPECT_EQ(LeadingNumber(u"-9223372036854775807"), -highest);
    EXPECT_EQ(LeadingNumber(u"-99999999999999999999999999"), lowest);
}

TEST(IniReplace, ReplacesAnExistingKeyInPlace)
{
    const QString before = QStringLiteral("; timings\n[IP]\nBusDelay=50\nBusTimeOut=3000\n[Debug]\nPollInterval=1\n");
    const QString after = IniReplace(before, QStringLiteral("ip"), QStringLiteral("bustimeout"), QStringLiteral("900"));
    EXPECT_EQ(after, QStringLiteral("; timings\n[IP]\nBusDelay=50\nBusTimeOut=900\n[Debug]\nPollInterval=1\n"));
}

TEST(IniReplace, AddsKeysAndSectionsWhereTheyBelong)
{
    QString content = QStringLiteral("[IP]\r\nBusDelay=50\r\n\r\n[Debug]\r\nPollInterval=1\r\n");
    content = IniReplace(content, QStringLiteral("IP"), QStringLiteral("OpenTimeOut"), QStringLiteral("7"));
    content = IniReplace(content, QStringLiteral("Search"), QStringLiteral("CollisionPrimDelay"), QStringLiteral("9"));
    EXPECT_EQ(content, QStringLiteral("[IP]\r\nBusDelay=50\r\nOpenTimeOut=7\r\n\r\n[Debug]\r\nPollInterval=1\r\n"
                                      "\r\n[Search]\r\nCollisionPrimDelay=9\r\n"));
    EXPECT_EQ(IniReplace(QString(), QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v")),
              QStringLiteral("[A]\nk=v\n"));
}

TEST(IniFile, WriteCreatesTheFileAndReadFindsIt)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
    EXPECT_EQ(ini.ReadNumber(ini::IP_BusTimeOut), 3000); // no file: the default
    ini.Write(ini::IP_BusTimeOut, QStringLiteral("1234ms"));
    ini.Write(ini::Debug_MaxDebugLines, QStringLiteral("20"));
    EXPECT_EQ(ini.ReadNumber(ini::IP_BusTimeOut), 1234);
    EXPECT_EQ(ini.ReadIniValue(QStringLiteral("debug"), QStringLiteral("MAXDEBUGLINES"), QString()), QStringLiteral("20"));
    EXPECT_EQ(FileBytes(ini.Path()), QByteArray("[IP]\nBusTimeOut=1234ms\n\n[Debug]\nMaxDebugLines=20\n"));
}

TEST(IniFile, HandEditedFileIsReadAndKeptInItsEncoding)
{
    // A Windows editor saves UTF-16 with a byte order mark; rewriting it as
    // UTF-8 (or appending UTF-8 to it) would destroy it for both readers.
    const auto utf16 = [](const char16_t* text, bool little) {
        QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (const char16_t* c = text; *c; ++c) {
            const char high = static_cast<char>(*c >> 8), low = static_cast<char>(*c & 0xFF);
            bytes += little ? QByteArray{&low, 1} + QByteArray{&high, 1} : QByteArray{&high, 1} + QByteArray{&low, 1};
        }
        return bytes;
    };
    const char16_t* before16 = u"; Zeitwerte f\u00FCr die Anlage\r\n[IP]\r\nPingDelay=250\r\n";
    const char16_t* after16 = u"; Zeitwerte f\u00FCr die Anlage\r\n[IP]\r\nPingDelay=250\r\nNumberOfPings=2\r\n";
    const struct {
        const char* encoding;
        QByteArray before;
        QByteArray after;
    } rows[] = {
        {"Windows-1252", "; Zeitwerte f\xFCr die Anlage\r\n[IP]\r\nPingDelay=250\r\n",
         "; Zeitwerte f\xFCr die Anlage\r\n[IP]\r\nPingDelay=250\r\nNumberOfPings=2\r\n"},
        {"UTF-8", "; Zeitwerte f\xC3\xBCr die Anlage\r\n[IP]\r\nPingDelay=250\r\n",
         "; Zeitwerte f\xC3\xBCr die Anlage\r\n[IP]\r\nPingDelay=250\r\nNumberOfPings=2\r\n"},
        {"UTF-8 with mark", "\xEF\xBB\xBF[IP]\nPingDelay=250\n", "\xEF\xBB\xBF[IP]\nPingDelay=250\nNumberOfPings=2\n"},
        {"UTF-16LE", utf16(before16, true), utf16(after16, true)},
        {"UTF-16BE", utf16(before16, false), utf16(after16, false)},
    };
    for (const auto& row : rows) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Ostrand.INI"));
        WriteBytes(path, row.before);
        IniFile ini(path);
        EXPECT_EQ(ini.ReadNumber(ini::IP_PingDelay), 250) << row.encoding;
        EXPECT_FALSE(ini.Write(ini::IP_NumberOfPings, QStringLiteral("2"))) << row.encoding;
        EXPECT_EQ(FileBytes(path), row.after) << row.encoding;
        EXPECT_EQ(ini.ReadNumber(ini::IP_NumberOfPings), 2) << row.encoding;
    }
}

TEST(IniFile, AFileThatCannotBeKeptIsSaidAndItsWritesFail)
{
    QTemporaryDir dir;
    IniFile missingFolder(dir.filePath(QStringLiteral("missing-folder/Ostrand.INI")));
    const std::optional<FileError> refused = missingFolder.Write(ini::IP_BusDelay, QStringLiteral("5"));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->number, 76);
    ASSERT_TRUE(missingFolder.Problem());
    EXPECT_EQ(missingFolder.Problem()->number, 76);
    EXPECT_EQ(missingFolder.ReadNumber(ini::IP_BusDelay), 50);
    EXPECT_FALSE(QFile::exists(missingFolder.Path()));

    // a folder where the file should be: the defaults are read, and nothing can be kept
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Ostrand.INI")));
    IniFile folder(dir.filePath(QStringLiteral("Ostrand.INI")));
    ASSERT_TRUE(folder.Problem());
    EXPECT_EQ(folder.Problem()->number, 75);
    EXPECT_TRUE(folder.Write(ini::IP_BusDelay, QStringLiteral("5")));
    EXPECT_EQ(folder.ReadNumber(ini::IP_BusDelay), 50);

    EXPECT_FALSE(IniFile(dir.filePath(QStringLiteral("usable.INI"))).Problem());
}

TEST(IniFile, AnInstalledProgramKeepsItsFileInTheUsersFolderStartedFromTheShippedOne)
{
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("usr/bin/"));
    const QString shipped = root.filePath(QStringLiteral("usr/share/ostrand/Ostrand.INI"));
    const QString user = root.filePath(QStringLiteral("home/.config/Ostrand"));
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(QFileInfo(shipped).path()));
    WriteBytes(shipped, "[IP]\r\nBusTimeOut=4321\r\nBusDelay=7\r\n");
    ASSERT_TRUE(QFile::setPermissions(shipped, QFileDevice::ReadOwner | QFileDevice::ReadOther));

    IniFile installed = IniFileFor(bin, user);
    EXPECT_EQ(installed.Path(), QDir(user).filePath(QStringLiteral("Ostrand.INI")));
    EXPECT_EQ(installed.ReadNumber(ini::IP_BusTimeOut), 4321) << "the shipped values until the user changes one";
    installed.Write(ini::IP_BusDelay, QStringLiteral("9"));
    EXPECT_EQ(FileBytes(installed.Path()), "[IP]\r\nBusTimeOut=4321\r\nBusDelay=9\r\n");
    EXPECT_FALSE(QFile::exists(bin + QStringLiteral("Ostrand.INI"))) << "nothing among the programs";
    EXPECT_EQ(FileBytes(shipped), "[IP]\r\nBusTimeOut=4321\r\nBusDelay=7\r\n");
    EXPECT_EQ(IniFileFor(bin, user).ReadNumber(ini::IP_BusDelay), 9) << "the next start keeps the change";

    // a folder of its own (a build, a portable copy) keeps the file beside the program
    QTemporaryDir portable;
    EXPECT_EQ(IniFileFor(portable.path() + u'/', user).Path(), portable.filePath(QStringLiteral("Ostrand.INI")));
}

TEST(IniFile, TheShippedDefaultsAreTheProgramsOwn)
{
    const IniFile shipped(QStringLiteral(OSTRAND_SOURCE_DIR "/resources/Ostrand.INI"));
    const IniKey keys[] = {ini::IP_ScanTimeOut, ini::IP_UDPTimeOut, ini::IP_ResetTimeOut, ini::IP_WriteTimeOut,
        ini::IP_OpenTimeOut, ini::IP_SerialTimeOut, ini::IP_BusDelay, ini::IP_BusTimeOut, ini::IP_NumberOfPings,
        ini::IP_PingDelay, ini::IP_RebootDHCPDelay, ini::ModBus_BusDelay, ini::ModBus_BusTimeout,
        ini::ModBus_OpenTimeout, ini::MBusASCII_BusDelay, ini::MBusASCII_BusTimeout, ini::MBusASCII_OpenTimeout,
        ini::Debug_PollInterval, ini::Debug_MaxDebugLines, ini::Search_CollisionPrimDelay,
        ini::Search_CollisionSecDelay};
    for (const IniKey& key : keys) {
        const QString value = shipped.ReadIniValue(key.section, key.key, QStringLiteral("missing"));
        EXPECT_EQ(value, key.defaultValue) << key.section.toStdString() << '/' << key.key.toStdString();
    }
}
