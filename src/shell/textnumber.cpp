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
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 10 - 1;
    qint64 value = 0;
    for (; pos < text.size() && text[pos].isDigit() && text[pos].unicode() < 128; ++pos) {
        if (value > limit)
            continue; // saturate: keep the value, consume the digits
        value = value * 10 + (text[pos].unicode() - u'0');
    }
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

QString CorrectedNumericText(const QString& text, qint64 maximum)
{
    if (text.isEmpty())
        return text;
    // optionally signed, with or without a fraction, blanks around it
    static const QRegularExpression number(QStringLiteral(R"(^\s*[+-]?(\d+(\.\d*)?|\.\d+)\s*$)"));
    if (!number.match(text).hasMatch())
        return QStringLiteral("0");
    if (LeadingDecimal(text) > static_cast<double>(maximum))
        return QString::number(maximum);
    return text;
}
