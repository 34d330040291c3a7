// What the feature operations take from a reply's header, and how they
// build a secondary address: pure, by tables.
#include "features/featureprotocol.h"
#include "features/slaveidentification.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

} // namespace

TEST(SlaveIdentification, HeaderFieldsByCi)
{
    const struct {
        const char* where;
        const char* frame;
        const char* address, *id, *manufacturer, *letters, *version, *medium;
        bool fixed, truncated;
    } rows[] = {
        // user data 78 56 34 12, 42 04, 02, 02 after CI 72h: the meter of the identification examples
        {"variable structure", "68 0B 0B 68 08 05 72 78563412 4204 02 02 23 16", "5", "12345678", "0442", "ABB", "02", "02", false, false},
        {"manufacturer 0000h", "68 0B 0B 68 08 05 72 78563412 0000 02 02 23 16", "5", "12345678", "0000", "", "02", "02", false, false},
        {"CI 76h", "68 0B 0B 68 08 01 76 01000000 D82E 02 0E 23 16", "1", "00000001", "2ED8", "KVX", "02", "0E", false, false},
        {"fixed structure", "68 13 13 68 08 09 73 02005055 0100 0013 34120000 56000000 23 16", "9", "55500002", "FFFF", "", "FF", "FF", true, false},
        {"fixed structure, MSB first", "68 13 13 68 08 09 77 55000002 0180 E97E 0000000C 00000135 23 16", "9", "55000002", "FFFF", "", "FF", "FF", true, false},
        // CI 72h with 5 data bytes: the identification, nothing more
        {"variable, cut short", "68 08 08 68 08 05 72 78563412 42 23 16", "5", "12345678", "", "", "", "", false, true},
        {"fixed, cut short", "68 05 05 68 08 05 73 7856 23 16", "5", "", "FFFF", "", "FF", "FF", true, true},
        {"another CI", "68 0B 0B 68 08 05 78 78563412 4204 02 02 23 16", "5", "", "", "", "", "", false, false},
        // 68h 00h 00h 68h CS 16h: a complete frame by its length rule, with neither A nor CI
        {"L = 0", "68 00 00 68 00 16", "22", "", "", "", "", "", false, false},
        {"nothing", "", "", "", "", "", "", "", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        const SlaveIdentification id = DecodeSlaveIdentification(Hex(row.frame));
        EXPECT_EQ(id.address, row.address);
        EXPECT_EQ(id.id, row.id);
        EXPECT_EQ(id.manufacturer, row.manufacturer);
        EXPECT_EQ(id.letters, row.letters);
        EXPECT_EQ(id.version, row.version);
        EXPECT_EQ(id.medium, row.medium);
        EXPECT_EQ(id.fixedStructure, row.fixed);
        EXPECT_EQ(id.truncated, row.truncated);
    }
}

TEST(SlaveIdentification, BirchV2BusValuesAtPositions29And34)
{
    // positions 1-7: 68 L L 68 C A CI; 8-19: the header; 20-35 records; CS; 16
    const QByteArray frame = Hex("681F1F68 08 FA 72 01002420 D82E 02 0E 00 00 0000"
                                 "0C78 01002420 02FD48 6D01 02FD58 9CFF 00 16");
    ASSERT_EQ(frame.size(), 37);
    const SlaveIdentification id = DecodeSlaveIdentification(frame);
    EXPECT_TRUE(IsBirchV2(id));
    const std::optional<BusValues> values = BirchV2BusValues(frame);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->voltage, "36.5"); // 016Dh = 365 tenths
    EXPECT_EQ(values->current, "-10");  // FF9Ch = -100 tenths

    // the current's second byte would be the checksum: not read as a value
    EXPECT_FALSE(BirchV2BusValues(frame.left(36)));

    SlaveIdentification other = id;
    other.version = QStringLiteral("01");
    EXPECT_FALSE(IsBirchV2(other));
    other = id;
    other.manufacturer = QStringLiteral("2ED9");
    EXPECT_FALSE(IsBirchV2(other));
}

TEST(SecondaryAddress, NormaliseSecondaryId)
{
    const struct {
        const char* typed;
        int width;
        const char* normalised;
    } rows[] = {
        {"12*4", 8, "FFFF12F4"}, {"", 8, "FFFFFFFF"}, {"12345678", 8, "12345678"}, {"123456789", 8, "23456789"},
        {"1a-2f 3", 8, "FFFF12F3"}, {"**", 4, "FFFF"}, {"12", 4, "FF12"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NormaliseSecondaryId(QString::fromLatin1(row.typed), row.width), row.normalised) << row.typed;
}

TEST(SecondaryAddress, SelectionBytesLeastSignificantFirst)
{
    const struct {
        const char *id, *manufacturer, *version, *medium;
        const char* bytes; // nullptr: refused
    } rows[] = {
        {"12345678", "2C2D", "01", "07", "78563412 2D2C 01 07"},
        // fewer digits are padded with F (any digit) on the left
        {"12", "2D", "", "", "12FFFFFF 2DFF FF FF"},
        {"FFFFFFF5", "", "2", "", "F5FFFFFF FFFF F2 FF"},
        {"1G", "", "", "", nullptr},
        {"", "2C2D", "0x", "", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.id);
        const std::optional<QByteArray> bytes = SecondaryAddressBytes(
            QString::fromLatin1(row.id), QString::fromLatin1(row.manufacturer), QString::fromLatin1(row.version),
            QString::fromLatin1(row.medium));
        if (!row.bytes) {
            EXPECT_FALSE(bytes);
            continue;
        }
        ASSERT_TRUE(bytes);
        EXPECT_EQ(bytes->toHex().toUpper(), QByteArray(row.bytes).replace(' ', ""));
    }
}
