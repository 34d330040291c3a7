// The value rows: register numbers, word orders, and where each row's value
// lies in the register data (two bytes per register, as received).
#include "modbus/modbusrows.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

enum Type { INT16 = 0, UINT16 = 1, INT32 = 2, UINT32 = 3, INT64 = 4, UINT64 = 5, FLOAT = 6, DFLOAT = 7, CHAR2 = 8,
            CHAR6 = 10, CHAR16 = 15 };

ModbusValueRows RowsOfTypes(std::initializer_list<int> types)
{
    ModbusValueRows rows;
    size_t i = 0;
    for (const int type : types) {
        rows[i].typeCode = type;
        rows[i].orders = ModbusWordOrders(type);
        ++i;
    }
    return rows;
}

QStringList Registers(const ModbusValueRows& rows)
{
    QStringList registers;
    for (const ModbusValueRow& row : rows)
        registers << row.registerText;
    return registers;
}

TEST(ModbusTypesTest, RegistersAndWordOrdersPerType)
{
    struct Row {
        const char* name;
        int registers;
        QStringList orders;
    } rows[] = {
        {"INT16", 1, {"AB", "BA"}},
        {"UINT16", 1, {"AB", "BA"}},
        {"INT32", 2, {"ABCD", "DCBA", "CDAB", "BADC"}},
        {"UINT32", 2, {"ABCD", "DCBA", "CDAB", "BADC"}},
        {"INT64", 4, {"ABCD", "DCBA"}},
        {"UINT64", 4, {"ABCD", "DCBA"}},
        {"FLOAT", 2, {"ABCD", "DCBA", "CDAB", "BADC"}},
        {"DFLOAT", 4, {"ABCD", "DCBA", "CDAB", "BADC"}},
        {"CHAR2", 1, {"ABCD"}},
        {"CHAR10", 5, {"ABCD"}},
        {"CHAR16", 8, {"ABCD"}},
        {"REAL", 0, {}},
        {"int16", 0, {}}, // names are compared exactly
        {"", 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ModbusRegistersPerType(QString::fromLatin1(row.name)), row.registers);
        EXPECT_EQ(ModbusWordOrders(QString::fromLatin1(row.name)), row.orders);
    }
    EXPECT_EQ(ModbusTypeNames().size(), 16);
    EXPECT_EQ(ModbusTypeNames().indexOf("CHAR6"), 10);
}

TEST(ModbusTypesTest, HexTextGroupsTwoBytesPerRegister)
{
    struct Row {
        QByteArray bytes;
        int n;
        const char* text;
    } rows[] = {
        {QByteArray::fromHex("414243444546"), 6, "4142 4344 4546"}, // CHAR6
        {QByteArray::fromHex("0102"), 2, "0102"},
        {QByteArray::fromHex("01020304"), 8, "0102 0304 "},          // data ended inside an 8-byte value
        {QByteArray::fromHex("010203"), 4, "0102 03"},
        {QByteArray::fromHex("ff"), 2, "FF"},
        {QByteArray(), 2, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ModbusHexText(row.bytes, row.n), QString::fromLatin1(row.text)) << row.text;
}

TEST(ModbusRowsTest, AutomaticRegisterNumbersFollowTheTypes)
{
    ModbusValueRows rows = RowsOfTypes({INT16, FLOAT, DFLOAT, CHAR6, INT16, INT16});
    UpdateModbusRows(rows, {true, "100", "20", {}});
    EXPECT_EQ(Registers(rows), QStringList({"100", "101", "103", "107", "110", "111"}));

    // Without a first register or a count nothing is counted.
    ModbusValueRows untouched = RowsOfTypes({INT16});
    UpdateModbusRows(untouched, {true, "", "20", {}});
    EXPECT_EQ(untouched[0].registerText, "");
}

TEST(ModbusRowsTest, ValuesFromTheRegisterDataByOffset)
{
    // Registers 100-105: INT16 -2, FLOAT 21.5 (41AC0000h) in CDAB, CHAR6 "ABCDEF" ... then the data ends.
    const QByteArray data = QByteArray::fromHex("FFFE" "0000" "41AC" "4142" "4344" "4546");
    ModbusValueRows rows = RowsOfTypes({INT16, FLOAT, CHAR6, INT16, INT32, INT16});
    rows[1].orderCode = 2; // CDAB
    UpdateModbusRows(rows, {true, "100", "6", data});

    EXPECT_EQ(rows[0].valueText, "-2");
    EXPECT_EQ(rows[0].bytesText, "FFFE");
    EXPECT_EQ(rows[1].valueText, "21.5");
    EXPECT_EQ(rows[1].bytesText, "0000 41AC");
    EXPECT_EQ(rows[2].valueText, "ABCDEF");
    EXPECT_EQ(rows[2].bytesText, "4142 4344 4546");
    // Register 106 and beyond start after the data: left as they were.
    EXPECT_EQ(rows[3].registerText, "106");
    EXPECT_EQ(rows[3].valueText, "");

    // A value that begins inside the data and ends beyond it gets the bytes there are.
    ModbusValueRows partial = RowsOfTypes({INT16, INT16, INT16, INT16, INT16, DFLOAT});
    UpdateModbusRows(partial, {true, "101", "5", data.mid(2)});
    EXPECT_EQ(partial[5].registerText, "106");
    ModbusValueRows late = RowsOfTypes({INT16, INT16, INT16, INT16, DFLOAT});
    UpdateModbusRows(late, {true, "101", "5", data.mid(2)});
    EXPECT_EQ(late[4].bytesText, "4546 "); // a blank after every second byte but the n-th
    EXPECT_FALSE(late[4].valueText.isEmpty());

    // Numbers beyond the register range name no register: no wrap onto register 0's bytes.
    const QString huge = QStringLiteral("-99999999999999999999");
    EXPECT_FALSE(ModbusRowBytes(huge, INT16, {true, huge, "6", data}));
    EXPECT_FALSE(ModbusRowBytes("99999999999999999999", INT16, {false, "100", "6", data}));
    ModbusValueRows beyond = RowsOfTypes({INT16, INT16, INT16, INT16, INT16, INT16});
    UpdateModbusRows(beyond, {true, "99999999999999999999", "6", data});
    EXPECT_EQ(beyond[5].registerText, "9223372036854775807");
    EXPECT_EQ(beyond[0].valueText, "");
}

TEST(ModbusRowsTest, TypedRegistersOutsideTheRequestTurnYellowAndShowNothing)
{
    const QByteArray data = QByteArray::fromHex("0001000200030004");
    ModbusValueRows rows = RowsOfTypes({INT16, INT16, INT16, INT16, INT16, INT16});
    const QString typed[] = {"99", "100", "103", "104", "", "102"};
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].registerText = typed[i];
        rows[i].bytesText = "old";
        rows[i].valueText = "old";
    }
    UpdateModbusRows(rows, {false, "100", "4", data});

    const bool yellow[] = {true, false, false, true, false, false};
    const char* values[] = {"", "1", "4", "", "old", "3"};
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].outOfRange, yellow[i]);
        EXPECT_EQ(rows[i].valueText, QString::fromLatin1(values[i]));
        EXPECT_EQ(rows[i].registerText, typed[i]); // typed numbers are kept
    }

    // Leaving a typed field judges that field alone.
    rows[3].registerText = "101";
    LeaveModbusRegister(rows, 3, {false, "100", "4", data});
    EXPECT_FALSE(rows[3].outOfRange);
    EXPECT_EQ(rows[3].valueText, "2");
    rows[2].registerText = "200";
    LeaveModbusRegister(rows, 2, {false, "100", "4", data});
    EXPECT_TRUE(rows[2].outOfRange);
    EXPECT_EQ(rows[2].valueText, "");
}

TEST(ModbusRowsTest, WordOrdersOfEveryRowGoBackToTheirFirstEntry)
{
    ModbusValueRows rows = RowsOfTypes({INT32, INT16, INT16, FLOAT, INT64, CHAR16});
    rows[0].orderCode = 3;
    rows[3].orderCode = 2;
    rows[4].orderCode = 1;
    rows[2].typeCode = FLOAT; // the choice in row 2
    FillModbusWordOrders(rows);
    for (const ModbusValueRow& row : rows)
        EXPECT_EQ(row.orderCode, 0);
    EXPECT_EQ(rows[2].orders, QStringList({"ABCD", "DCBA", "CDAB", "BADC"}));
    EXPECT_EQ(rows[5].orders, QStringList({"ABCD"}));

    ClearModbusRows(rows);
    for (const ModbusValueRow& row : rows) {
        EXPECT_EQ(row.typeCode, 0);
        EXPECT_EQ(row.orders, QStringList({"AB", "BA"}));
        EXPECT_TRUE(row.registerText.isEmpty() && row.description.isEmpty());
    }
}

} // namespace
