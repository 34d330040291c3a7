#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// Numbers typed by people or written in hand-edited files are read the
// forgiving way: leading blanks are skipped, the leading number is taken and
// whatever follows it is ignored ("3000ms" is 3000, "abc" is 0).

// The leading integer of the text (optional sign, decimal digits); 0 when the
// text does not start with one. Saturates instead of overflowing.
qint64 LeadingNumber(QStringView text);

// The leading decimal number including a fraction ("12.5" is 12.5); 0 when
// there is none.
double LeadingDecimal(QStringView text);

// The leading decimal rounded to the nearest integer, ties to even, as long
// as it fits a signed 32-bit number; nothing otherwise.
std::optional<qint32> LeadingRoundedInt32(QStringView text);

// Whether a numeric field holds a number: an optionally signed decimal
// number, blanks around it allowed.
bool IsNumber(QStringView text);

// A numeric field corrected as it is typed: a number above the maximum
// becomes the maximum, anything but a number becomes "0", empty stays empty.
QString CorrectedNumberText(const QString& text, std::optional<qint64> maximum);

// Whether the text (blanks around it allowed) starts with a decimal digit: a
// hand-edited time that does not, such as "abc", "" or "-5", is no time at all.
bool StartsWithDigit(QStringView text);

// What the timeouts dialogs store: a whole number of milliseconds (at most
// nine digits), blanks around it allowed.
bool IsWholeMilliseconds(QStringView text);
