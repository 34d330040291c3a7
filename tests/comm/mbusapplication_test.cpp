// The application layer's header readers and manufacturer code: pure, by tables.
#include "comm/mbusapplication.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

} // namespace

TEST(MBusApplication, VariableHeaderFieldsAsFarAsTheBytesReach)
{
    // identification 12345678, manufacturer 0442h, version 02h, medium 02h (electricity),
    // access 55h, status 00h, signature 0000h
    const VariableHeader whole = ReadVariableHeader(Hex("78563412 4204 02 02 55 00 0000 0413"));
    EXPECT_EQ(whole.identification, 0x12345678u);
    EXPECT_EQ(whole.manufacturer, 0x0442);
    EXPECT_EQ(whole.version, 0x02);
    EXPECT_EQ(whole.medium, 0x02);
    EXPECT_EQ(whole.accessNumber, 0x55);
    EXPECT_EQ(whole.status, 0x00);
    EXPECT_EQ(whole.signature, 0x0000);

    const VariableHeader cut = ReadVariableHeader(Hex("78563412 42"));
    EXPECT_EQ(cut.identification, 0x12345678u);
    EXPECT_FALSE(cut.manufacturer);
    EXPECT_FALSE(cut.signature);
    EXPECT_FALSE(ReadVariableHeader({}).identification);
}

TEST(MBusApplication, FixedHeaderIdentificationInEitherOrder)
{
    // identification, access 01h, status 00h, medium and units 1300h
    const FixedHeader lsbFirst = ReadFixedHeader(Hex("02005055 01 00 0013"), false);
    EXPECT_EQ(IdentificationText(*lsbFirst.identification), "55500002");
    EXPECT_EQ(lsbFirst.accessNumber, 0x01);
    EXPECT_EQ(lsbFirst.mediumUnit, 0x1300);
    EXPECT_EQ(IdentificationText(*ReadFixedHeader(Hex("55000002 01 80"), true).identification), "55000002");
    EXPECT_FALSE(ReadFixedHeader(Hex("55000002 01 80"), true).mediumUnit);
}

TEST(MBusApplication, ManufacturerLettersPackFiveBitsEach)
{
    EXPECT_EQ(ManufacturerCode(QStringLiteral("ABC")), 0x0443); // 1 << 10 | 2 << 5 | 3
    EXPECT_EQ(ManufacturerCode(QStringLiteral("KVX")), 0x2ED8); // 11 << 10 | 22 << 5 | 24
    EXPECT_EQ(ManufacturerCode(QStringLiteral("ZZZ")), 0x6B5A);
    EXPECT_FALSE(ManufacturerCode(QStringLiteral("kvx")));
    EXPECT_FALSE(ManufacturerCode(QStringLiteral("AB")));
    EXPECT_FALSE(ManufacturerCode(QStringLiteral("A1B")));

    EXPECT_EQ(ManufacturerLetters(0x0442), "ABB");
    EXPECT_EQ(ManufacturerLetters(0), "");
    EXPECT_EQ(ManufacturerText(0x2ED8), "2ED8");
}
