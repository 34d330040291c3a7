#include "textnumber.h"

#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <limits>

namespace {

qsizetype SkipBlanks(QStringView text, qsizetype pos)
{
    while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t'))
        ++pos;
    return pos;
}

} // namespace

qint64 LeadingNumber(QStringView text)
{
    qsizetype pos = SkipBlanks(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    constexpr qint64 highest = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    bool saturated = false;
    for (; pos < text.size() && text[pos].isDigit() && text[pos].unicode() < 128; ++pos) {
        const int digit = text[pos].unicode() - u'0';
        if (saturated || value > (highest - digit) / 10) {
            saturated = true; // the digits go on, the value stays at its limit
            continue;
        }
        value = value * 10 + digit;
    }
    if (saturated)
        return negative ? std::numeric_limits<qint64>::min() : highest;
    return negative ? -value : value;
}

double LeadingDecimal(QStringView text)
{
    qsizetype pos = SkipBlanks(text, 0);
    const qsizetype start = pos;
    if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+'))
        ++pos;
    const auto isAsciiDigit = [&](qsizetype i) {
        return i < text.size() && text[i].unicode() >= u'0' && text[i].unicode() <= u'9';
    };
    while (isAsciiDigit(pos))
        ++pos;
    if (pos < text.size() && text[pos] == u'.') {
        ++pos;
        while (isAsciiDigit(pos))
            ++pos;
    }
    bool ok = false;
    const double value = text.mid(start, pos - start).toString().toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

std::optional<qint32> LeadingRoundedInt32(QStringView text)
{
    const double rounded = std::nearbyint(LeadingDecimal(text)); // default mode: ties to even
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

bool IsNumber(QStringView text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[+-]?(\d+(\.\d*)?|\.\d+)\s*$)"));
    return number.match(text.toString()).hasMatch();
}

QString CorrectedNumberText(const QString& text, std::optional<qint64> maximum)
{
    if (text.isEmpty())
        return text;
    if (!IsNumber(text))
        return QStringLiteral("0");
    if (maximum && LeadingDecimal(text) > static_cast<double>(*maximum))
        return QString::number(*maximum);
    return text;
}

bool StartsWithDigit(QStringView text)
{
    const QStringView trimmed = text.trimmed();
    return !trimmed.isEmpty() && trimmed.front().unicode() >= u'0' && trimmed.front().unicode() <= u'9';
}

bool IsWholeMilliseconds(QStringView text)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^\\s*\\d{1,9}\\s*$"));
    return wholeNumber.match(text.toString()).hasMatch();
}
