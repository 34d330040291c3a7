#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>
#include <cmath>
#include <optional>

// The first problem found in a configuration, with the path of the value
// ("meters[2].id: must be up to 8 decimal digits").
struct ConfigError {
    QString text;
};

// Walks one JSON object; every problem is thrown as a ConfigError naming the
// path of the value. Keys nobody asked for are reported too, since they are
// mostly typing errors. An absent optional key leaves the output alone.
class ObjectReader {
public:
    ObjectReader(const QJsonValue& value, QString path);

    [[noreturn]] void Fail(const QString& key, const QString& what) const;
    QString Path(const QString& key) const;

    bool Has(const QString& key) { return !Value(key).isUndefined(); }
    QJsonValue Value(const QString& key);

    template<typename T>
    void Integer(const QString& key, long long min, long long max, T& out)
    {
        const QJsonValue value = Value(key);
        if (value.isUndefined())
            return;
        const double number = value.toDouble(std::nan(""));
        if (!value.isDouble() || std::floor(number) != number)
            Fail(key, QStringLiteral("must be a whole number"));
        // A limit near 2^63 rounds up as a double; 2^63 itself is out of range.
        constexpr double kBeyond64Bits = 9223372036854775808.0;
        if (number < static_cast<double>(min) || number > static_cast<double>(max) || number >= kBeyond64Bits)
            Fail(key, QStringLiteral("must be between %1 and %2").arg(min).arg(max));
        out = static_cast<T>(number);
    }

    void Bool(const QString& key, bool& out);
    std::optional<QString> Text(const QString& key);
    // Pairs of hexadecimal digits, blanks allowed between them.
    QByteArray Hex(const QString& key);

    void RejectUnknownKeys() const;

private:
    QString m_Path;
    QJsonObject m_Object;
    QSet<QString> m_Used;
};
