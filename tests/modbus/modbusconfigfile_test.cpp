// The saved Modbus page: the file's lines as laid out (marker, request line,
// one line per row, a comma after each line's last field, CR LF), and what
// loading makes of good, foreign and broken files.
#include "modbus/modbusconfigfile.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

using modbus::Framing;

namespace {

ModbusConfiguration SixRows()
{
    ModbusConfiguration configuration;
    configuration.request = {true, Framing::Tcp, 0, "1", "100", "10"};
    configuration.rows = {
        {2, 0, "100", "0000 0102", "258", "Flow"},
        {6, 2, "102", "0000 41AC", "21.5", "Temperature, outlet"},
        {10, 0, "104", "4142 4344 4546", "ABCDEF", ""},
        {0, 1, "107", "FFFE", "-257", "Status \"raw\""},
        {7, 3, "108", "", "", ""},
        // a CHAR value with a comma, double quotes and a backslash (which the value writes as \\)
        {15, 0, "112", "412C 2242 5C22", "A,\"B\\\\\"", "Name"},
    };
    return configuration;
}

TEST(ModbusConfigFileTest, WrittenExactlyAsLaidOut)
{
    ModbusConfiguration configuration;
    configuration.request = {true, Framing::Tcp, 0, "1", "100", "10"};
    configuration.rows = {{2, 0, "100", "0000 0102", "258", "Flow"}};
    EXPECT_EQ(FormatModbusConfiguration(configuration),
              QByteArray("WizardModbus\r\n"
                         "1,False,True,0,1,100,10,\r\n"
                         "2,0,100,0000 0102,258,Flow,\r\n"));

    configuration.request = {false, Framing::Rtu, 1, "247", "0", "2"};
    configuration.rows.clear();
    EXPECT_EQ(FormatModbusConfiguration(configuration), QByteArray("WizardModbus\r\n0,True,False,1,247,0,2,\r\n"));
}

TEST(ModbusConfigFileTest, ASavedPageLoadsBackWhole)
{
    const ModbusConfiguration saved = SixRows();
    const ModbusConfigLoad load = ParseModbusConfiguration(FormatModbusConfiguration(saved));
    ASSERT_TRUE(load.recognised);
    EXPECT_FALSE(load.error.has_value());
    ASSERT_TRUE(load.request.has_value());
    EXPECT_EQ(load.request->autoRegister, true);
    EXPECT_EQ(load.request->framing, Framing::Tcp);
    EXPECT_EQ(load.request->slaveAddress, "1");
    EXPECT_EQ(load.request->registerCount, "10");
    ASSERT_EQ(load.rows.size(), 6);
    for (qsizetype i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const ModbusConfigRow& row = load.rows[i];
        const ModbusConfigRow& expected = saved.rows[i];
        EXPECT_EQ(row.typeCode, expected.typeCode);
        EXPECT_EQ(row.orderCode, expected.orderCode);
        EXPECT_EQ(row.registerText, expected.registerText);
        EXPECT_EQ(row.bytesText, expected.bytesText);
        EXPECT_EQ(row.valueText, expected.valueText);
    }
    // A comma in a description survives; double quotes are dropped on reading.
    EXPECT_EQ(load.rows[1].description, "Temperature, outlet");
    EXPECT_EQ(load.rows[3].description, "Status raw");
}

TEST(ModbusConfigFileTest, BackslashesOfFilesWrittenBeforeReadAsTheyStand)
{
    const ModbusConfigLoad load = ParseModbusConfiguration(
        "WizardModbus\r\n1,False,True,0,1,100,10,\r\n15,0,100,5C41 01,\\\\A\\x01,C:\\,\r\n");
    ASSERT_EQ(load.rows.size(), 1);
    EXPECT_EQ(load.rows[0].valueText, "\\\\A\\x01");
    EXPECT_EQ(load.rows[0].description, "C:\\");
}

TEST(ModbusConfigFileTest, FieldsSplitAtCommasWithQuotesDropped)
{
    EXPECT_EQ(SplitModbusConfigFields("1,False,True,0,1,100,10,"),
              QStringList({"1", "False", "True", "0", "1", "100", "10"}));
    EXPECT_EQ(SplitModbusConfigFields("1,False,True,0,1,100,10"),
              QStringList({"1", "False", "True", "0", "1", "100", "10"}));
    EXPECT_EQ(SplitModbusConfigFields("\"a\",,b\"\""), QStringList({"a", "", "b"}));
    EXPECT_EQ(SplitModbusConfigFields(""), QStringList({""}));
}

TEST(ModbusConfigFileTest, RequestLineVariants)
{
    struct Row {
        const char* source;
        const char* line;
        bool autoRegister;
        Framing framing;
        int function;
        const char* count;
    } rows[] = {
        {"no trailing comma: the count is still read", "0,True,False,1,5,7,12", false, Framing::Rtu, 1, "12"},
        {"true and false in any case", "1,tRUE,fALSE,0,5,7,3,", true, Framing::Rtu, 0, "3"},
        {"numbers for the options: 0 false, others true", "1,0,-1,0,5,7,3,", true, Framing::Tcp, 0, "3"},
        {"neither option: RTU", "1,False,False,0,5,7,3,", true, Framing::Rtu, 0, "3"},
        {"quoted fields", "\"1\",\"False\",\"True\",\"1\",\"5\",\"7\",\"3\",", true, Framing::Tcp, 1, "3"},
        {"further fields are ignored", "1,False,True,0,5,7,3,x,y,", true, Framing::Tcp, 0, "3"},
        {"a line without a count", "1,False,True,0,5,7,", true, Framing::Tcp, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        const ModbusConfigLoad load = ParseModbusConfiguration(QByteArray("WizardModbus\r\n") + row.line + "\r\n");
        ASSERT_TRUE(load.request.has_value());
        EXPECT_FALSE(load.error.has_value());
        EXPECT_EQ(load.request->autoRegister, row.autoRegister);
        EXPECT_EQ(load.request->framing, row.framing);
        EXPECT_EQ(load.request->functionIndex, row.function);
        EXPECT_EQ(load.request->registerCount, QString::fromLatin1(row.count));
    }
}

TEST(ModbusConfigFileTest, ForeignFilesAreNotRead)
{
    for (const char* content : {"wizardmodbus\r\n1,False,True,0,1,100,10,\r\n", "", " WizardModbus\r\n",
                                "WizardAscii\r\n"}) {
        const ModbusConfigLoad load = ParseModbusConfiguration(QByteArray(content));
        EXPECT_FALSE(load.recognised) << content;
        EXPECT_FALSE(load.request.has_value());
        EXPECT_TRUE(load.rows.isEmpty());
    }
    // Files written with bare line feeds, or by an editor that starts UTF-8 with a byte order mark, are read all the same.
    EXPECT_TRUE(ParseModbusConfiguration("WizardModbus\n1,False,True,0,1,100,10,\n").request.has_value());
    EXPECT_TRUE(ParseModbusConfiguration("\xEF\xBB\xBFWizardModbus\r\n1,False,True,0,1,100,10,\r\n").request.has_value());
}

TEST(ModbusConfigFileTest, BrokenFilesStopWithTheClassicErrorKeepingWhatWasRead)
{
    const QByteArray head = "WizardModbus\r\n1,False,True,0,1,100,10,\r\n";
    const QByteArray row = "0,0,100,,,,\r\n";
    struct Row {
        const char* source;
        QByteArray content;
        int error;
        qsizetype rowsRead;
        bool requestRead;
    } rows[] = {
        {"a seventh row line", head + row.repeated(7), 9, 6, true},
        {"the marker alone", "WizardModbus\r\n", 62, 0, false},
        {"a type that is no number", head + row + "x,0,101,,,,\r\n", 13, 1, true},
        {"an empty type field", head + "\r\n" + row, 13, 0, true},
        {"type 16 does not exist", head + "16,0,100,,,,\r\n", 380, 0, true},
        {"INT16 has no word order 2", head + "0,2,100,,,,\r\n", 380, 0, true},
        {"a negative word order", head + "6,-1,100,,,,\r\n", 380, 0, true},
        {"function index 2", "WizardModbus\r\n1,False,True,2,1,100,10,\r\n", 380, 0, false},
        {"a check value of 2", "WizardModbus\r\n2,False,True,0,1,100,10,\r\n", 380, 0, false},
        {"an option that is neither a truth nor a number", "WizardModbus\r\n1,Yes,True,0,1,100,10,\r\n", 13, 0,
         false},
        {"missing fields in the request line", "WizardModbus\r\n1,False\r\n", 13, 0, false},
        {"a row line of a single field", head + "3\r\n", 13, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        const ModbusConfigLoad load = ParseModbusConfiguration(row.content);
        ASSERT_TRUE(load.error.has_value());
        EXPECT_EQ(load.error->number, row.error);
        EXPECT_EQ(load.rows.size(), row.rowsRead);
        EXPECT_EQ(load.request.has_value(), row.requestRead);
    }
    EXPECT_EQ(ClassicFileError(9).Message(), "The following error has occurred:\r\nErr # 9 - Subscript out of range");
    EXPECT_EQ(ClassicFileError(13).description, "Type mismatch");
    EXPECT_EQ(ClassicFileError(380).description, "Invalid property value");
}

TEST(ModbusConfigFileTest, HugeLinesAndBlankEndLines)
{
    // A 10 MB description is read as it stands; blank lines after the last row are no rows.
    const QByteArray huge(10 * 1024 * 1024, 'x');
    const QByteArray content = "WizardModbus\r\n1,False,True,0,1,100,10,\r\n0,0,100,,," + huge + ",\r\n\r\n\r\n";
    const ModbusConfigLoad load = ParseModbusConfiguration(content);
    EXPECT_FALSE(load.error.has_value());
    ASSERT_EQ(load.rows.size(), 1);
    EXPECT_EQ(load.rows[0].description.size(), huge.size());

    // A no-break space ends a file as a blank line does, in UTF-8 and in Windows-1252 alike.
    const QByteArray head = "WizardModbus\r\n1,False,True,0,1,100,10,\r\n0,0,100,,,";
    for (const QByteArray& tail : {QByteArray("\xC3\xA4,\r\n\xC2\xA0\r\n"), QByteArray("\xE4,\r\n\xA0\r\n")}) {
        const ModbusConfigLoad ended = ParseModbusConfiguration(head + tail);
        EXPECT_FALSE(ended.error.has_value());
        ASSERT_EQ(ended.rows.size(), 1);
        EXPECT_EQ(ended.rows[0].description, QString::fromUtf8("\xC3\xA4"));
    }

    // A 10 MB number does not fit: the classic overflow.
    const ModbusConfigLoad big = ParseModbusConfiguration("WizardModbus\r\n" + QByteArray(10 * 1024 * 1024, '7') +
                                                          ",False,True,0,1,100,10,\r\n");
    ASSERT_TRUE(big.error.has_value());
    EXPECT_EQ(big.error->number, 6);
}

} // namespace
