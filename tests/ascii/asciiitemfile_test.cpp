#include "ascii/asciiitemfile.h"

#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Format = AsciiItemFileFormat;

struct LineRow {
    const char* source;
    Format format;
    const char* line;
    std::optional<QStringList> tags; // nothing: the line ends the reading as a failure
};

class AsciiItemFileTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& content, const QString& name = QStringLiteral("items.csv"))
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    QTemporaryDir dir;
};

} // namespace

TEST(AsciiItemLines, EachFormatKeepsItsOwnRules)
{
    const LineRow rows[] = {
        // Modbus file: two dots, the whole line is the name
        {"two dots", Format::Modbus, "TANK.LEVEL.PV", QStringList{"TANK.LEVEL.PV"}},
        {"more dots, quotes and commas stay", Format::Modbus, "\"A.B\",C.D", QStringList{"\"A.B\",C.D"}},
        {"one dot", Format::Modbus, "TANK.LEVEL", std::nullopt},
        {"empty line", Format::Modbus, "", std::nullopt},
        // Explorer file: [TAG], then fields 2-5 with a comma after field 5
        {"all four fields", Format::Explorer, "[TAG],Dev,Grp,Item,PV,x", QStringList{"Dev.Grp_Item.PV"}},
        {"any case, quotes removed", Format::Explorer, "[tag],\"Dev\",\"Grp\",\"Item\",\"PV\",",
         QStringList{"Dev.Grp_Item.PV"}},
        {"empty field 3 leaves out its underscore", Format::Explorer, "[TAG],Dev,,Item,PV,", QStringList{"Dev.Item.PV"}},
        {"no comma after field 5", Format::Explorer, "[TAG],Dev,Grp,Item,PV", QStringList{}},
        {"too few fields", Format::Explorer, "[TAG],Dev", QStringList{}},
        {"another section", Format::Explorer, "[DEVICE],Dev,Grp,Item,PV,", QStringList{}},
        {"a quoted first field begins with a quote, not [", Format::Explorer, "\"[TAG]\",Dev,Grp,Item,PV,", std::nullopt},
        {"not beginning with [", Format::Explorer, "TAG,Dev,Grp,Item,PV,", std::nullopt},
        // OPC item file: "[item]" exactly, the fourth field ended by a comma, else the last field
        {"fourth field", Format::OpcItem, "[item],Server,Group,TANK.LEVEL,rest,more", QStringList{"TANK.LEVEL"}},
        {"quotes removed", Format::OpcItem, "[item],\"S\",\"G\",\"TANK.LEVEL\",", QStringList{"TANK.LEVEL"}},
        {"no comma after the fourth: the last field", Format::OpcItem, "[item],S,G,TANK.LEVEL",
         QStringList{"TANK.LEVEL"}},
        {"fewer fields: the last field", Format::OpcItem, "[item],S,TANK", QStringList{"TANK"}},
        {"a longer first field: the last field", Format::OpcItem, "[item]x,S,G,N,last", QStringList{"last"}},
        {"ending in a comma names nothing", Format::OpcItem, "[item],S,", QStringList{}},
        {"upper case is not [item]", Format::OpcItem, "[ITEM],S,G,TANK.LEVEL,", std::nullopt},
        {"blank first", Format::OpcItem, " [item],S,G,N,", std::nullopt},
    };
    for (const LineRow& row : rows)
        EXPECT_EQ(AsciiItemLineTags(QString::fromLatin1(row.line), row.format), row.tags) << row.source;
}

TEST_F(AsciiItemFileTest, AModbusFileFailingOnItsThirdLineKeepsTheFirstTwo)
{
    const AsciiItemFileRead read =
        ReadAsciiItemFile(Write("TANK.LEVEL.PV\r\nTANK.TEMP.PV\r\nPUMP.STATE\r\nVALVE.POS.PV\r\n"), Format::Modbus);
    EXPECT_FALSE(read.error);
    EXPECT_FALSE(read.complete);
    EXPECT_EQ(read.tags, QStringList({"TANK.LEVEL.PV", "TANK.TEMP.PV"}));
    EXPECT_EQ(read.failedLine, 3);
    EXPECT_FALSE(read.lineTooLong);
}

TEST_F(AsciiItemFileTest, AFailureNamesItsLineWhateverTheLineEnds)
{
    const struct {
        Format format;
        QByteArray content;
        qsizetype failedLine; // 0: the whole file was read
    } rows[] = {
        {Format::Modbus, "A.B.C\rD.E.F\nG.H.I\r\nX\r\n", 4},
        {Format::Modbus, "A.B.C\r\n\r\nD.E.F", 2},
        {Format::Explorer, "[TAG],a,b,c,d,\nTAG,a,b,c,d,", 2},
        {Format::OpcItem, "[ITEM],S,G,N,", 1},
        {Format::OpcItem, "[item],S,G,N,\n[item],S,G,M,", 0},
    };
    for (const auto& row : rows) {
        const AsciiItemFileRead read = ReadAsciiItemFile(Write(row.content), row.format);
        EXPECT_EQ(read.failedLine, row.failedLine) << row.content.constData();
        EXPECT_EQ(read.complete, row.failedLine == 0) << row.content.constData();
    }
}

TEST_F(AsciiItemFileTest, EachFormatLoadsAWholeFile)
{
    struct Row {
        Format format;
        QByteArray content;
        QStringList tags;
    };
    const Row rows[] = {
        {Format::Modbus, "A.B.C\nD.E.F", {"A.B.C", "D.E.F"}},
        {Format::Explorer, "[PROJECT],x\r\n[TAG],Dev,Grp,Item,PV,1\r\n[TAG],Dev,,Item,SP,1\r\n",
         {"Dev.Grp_Item.PV", "Dev.Item.SP"}},
        {Format::OpcItem, "[item],S,G,TANK.LEVEL,1\r[item],S,G,TANK.TEMP\r", {"TANK.LEVEL", "TANK.TEMP"}},
        {Format::Modbus, "", {}},
    };
    for (const Row& row : rows) {
        const AsciiItemFileRead read = ReadAsciiItemFile(Write(row.content), row.format);
        EXPECT_TRUE(read.complete) << row.content.constData();
        EXPECT_FALSE(read.error);
        EXPECT_EQ(read.tags, row.tags) << row.content.constData();
    }
}

TEST_F(AsciiItemFileTest, BadInputEndsTheReadingWithoutHarm)
{
    // an empty line in the middle is a line without dots
    EXPECT_EQ(ReadAsciiItemFile(Write("A.B.C\r\n\r\nD.E.F\r\n"), Format::Modbus).tags, QStringList({"A.B.C"}));

    // NUL bytes are characters like any other
    const AsciiItemFileRead nul = ReadAsciiItemFile(Write(QByteArray("A.\0B.C\n\0\0\n", 10)), Format::Modbus);
    EXPECT_FALSE(nul.complete);
    ASSERT_EQ(nul.tags.size(), 1);
    EXPECT_EQ(nul.tags.front(), QString::fromLatin1("A.\0B.C", 6));

    // a 10 MB line: read whole, judged like any other
    const QByteArray longName = "A." + QByteArray(10 * 1024 * 1024, 'x') + ".C";
    const AsciiItemFileRead big = ReadAsciiItemFile(Write(longName + "\r\nD.E.F\r\n"), Format::Modbus);
    EXPECT_TRUE(big.complete);
    ASSERT_EQ(big.tags.size(), 2);
    EXPECT_EQ(big.tags.front().size(), longName.size());
    const AsciiItemFileRead bigExplorer = ReadAsciiItemFile(Write(QByteArray(10 * 1024 * 1024, '[')), Format::Explorer);
    EXPECT_TRUE(bigExplorer.complete);
    EXPECT_TRUE(bigExplorer.tags.isEmpty());

    // missing commas: the Explorer name needs the one after field 5, the OPC line falls back to its last field
    EXPECT_TRUE(ReadAsciiItemFile(Write("[TAG] Dev Grp Item PV\n"), Format::Explorer).tags.isEmpty());
    EXPECT_EQ(ReadAsciiItemFile(Write("[item] S G TANK.LEVEL\n"), Format::OpcItem).tags,
              QStringList({"[item] S G TANK.LEVEL"}));

    // bytes above 127 come back as the same bytes
    const AsciiItemFileRead high = ReadAsciiItemFile(Write("T\xFCr.Temp.PV\n"), Format::Modbus);
    ASSERT_EQ(high.tags.size(), 1);
    EXPECT_EQ(high.tags.front().toLatin1(), QByteArray("T\xFCr.Temp.PV"));
}

TEST_F(AsciiItemFileTest, ANameBeyondTheMostAFileMayHoldEndsTheReading)
{
    QByteArray content;
    for (qsizetype i = 0; i < kMostAsciiItemNames; ++i)
        content += "A.B." + QByteArray::number(i) + "\r\n";
    EXPECT_TRUE(ReadAsciiItemFile(Write(content), Format::Modbus).complete);
    const AsciiItemFileRead read = ReadAsciiItemFile(Write(content + "A.B.C\r\n"), Format::Modbus);
    EXPECT_FALSE(read.complete);
    EXPECT_TRUE(read.tooManyNames);
    EXPECT_EQ(read.failedLine, kMostAsciiItemNames + 1);
    EXPECT_EQ(read.tags.size(), kMostAsciiItemNames);
}

TEST_F(AsciiItemFileTest, SavingWritesOneLineAName)
{
    const QString path = Write("old content that is replaced, much longer than the new one");
    EXPECT_FALSE(WriteAsciiItemFile(path, {QStringLiteral("TANK.LEVEL.PV"), QString::fromLatin1("T\xFCr.Temp.PV")}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("TANK.LEVEL.PV\r\nT\xFCr.Temp.PV\r\n"));
    // what was saved loads again
    EXPECT_EQ(ReadAsciiItemFile(path, Format::Modbus).tags,
              QStringList({QStringLiteral("TANK.LEVEL.PV"), QString::fromLatin1("T\xFCr.Temp.PV")}));
}

TEST_F(AsciiItemFileTest, FilesThatCannotBeUsedGiveTheirClassicError)
{
    const AsciiItemFileRead missing = ReadAsciiItemFile(dir.filePath(QStringLiteral("none.csv")), Format::Modbus);
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->number, 53);
    EXPECT_TRUE(missing.tags.isEmpty());

    const std::optional<FileError> noFolder = WriteAsciiItemFile(dir.filePath(QStringLiteral("no/such/items.csv")), {"A"});
    ASSERT_TRUE(noFolder);
    EXPECT_EQ(noFolder->number, 76);
    EXPECT_EQ(noFolder->Message(), "The following error has occurred:\r\nErr # 76 - Path not found");

    const std::optional<FileError> folder = WriteAsciiItemFile(dir.path(), {"A"});
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->number, 75);
}
