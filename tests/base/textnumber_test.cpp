#include "base/textnumber.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

TEST(NumericFields, AreCorrectedAsTheyAreTyped)
{
    const std::pair<const char*, const char*> rows[] = {
        {"", ""},       {"5", "5"},     {"99", "99"},   {"100", "99"}, {"150000000000000000000", "99"},
        {"abc", "0"},   {"5a", "0"},    {"-", "0"},     {"-3", "-3"},  {" 12 ", " 12 "},
        {"99.5", "99"}, {"12.5", "12.5"}, {".", "0"},
    };
    for (const auto& [typed, shown] : rows)
        EXPECT_EQ(CorrectedNumberText(QString::fromLatin1(typed), 99), QString::fromLatin1(shown)) << typed;
}
