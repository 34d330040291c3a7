#include "jsonreader.h"

ObjectReader::ObjectReader(const QJsonValue& value, QString path) : m_Path(std::move(path))
{
    if (!value.isObject())
        Fail(QString(), QStringLiteral("must be an object"));
    m_Object = value.toObject();
}

void ObjectReader::Fail(const QString& key, const QString& what) const
{
    const QString where = key.isEmpty() ? m_Path : Path(key);
    throw ConfigError{(where.isEmpty() ? QString() : where + QStringLiteral(": ")) + what};
}

QString ObjectReader::Path(const QString& key) const
{
    return m_Path.isEmpty() ? key : m_Path + QLatin1Char('.') + key;
}

QJsonValue ObjectReader::Value(const QString& key)
{
    m_Used.insert(key);
    return m_Object.value(key);
}

void ObjectReader::Bool(const QString& key, bool& out)
{
    const QJsonValue value = Value(key);
    if (value.isUndefined())
        return;
    if (!value.isBool())
        Fail(key, QStringLiteral("must be true or false"));
    out = value.toBool();
}

std::optional<QString> ObjectReader::Text(const QString& key)
{
    const QJsonValue value = Value(key);
    if (value.isUndefined())
        return std::nullopt;
    if (!value.isString())
        Fail(key, QStringLiteral("must be a text"));
    return value.toString();
}

QByteArray ObjectReader::Hex(const QString& key)
{
    const QString text = Text(key).value_or(QString()).remove(QLatin1Char(' '));
    for (const QChar c : text) {
        const char16_t u = c.toUpper().unicode();
        if (!(u >= u'0' && u <= u'9') && !(u >= u'A' && u <= u'F'))
            Fail(key, QStringLiteral("must be hexadecimal digits"));
    }
    if (text.size() % 2 != 0)
        Fail(key, QStringLiteral("must have an even number of hexadecimal digits"));
    return QByteArray::fromHex(text.toLatin1());
}

void ObjectReader::RejectUnknownKeys() const
{
    for (auto it = m_Object.begin(); it != m_Object.end(); ++it)
        if (!m_Used.contains(it.key()))
            Fail(it.key(), QStringLiteral("unknown key"));
}
