#include "asciisettings.h"

#include "jsonreader.h"

#include <QJsonArray>

namespace {

AsciiTag ValueTag(const char* name, const char* value, int delayMs = 0)
{
    return {QByteArray(name), QByteArray(value), 0, std::chrono::milliseconds(delayMs)};
}

AsciiTag ErrorTag(const char* name, char letter)
{
    return {QByteArray(name), QByteArray(), letter, std::chrono::milliseconds(0)};
}

// Item names and values travel as bytes; the file holds them as text.
QByteArray Latin1(ObjectReader& reader, const QString& key, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF || c.unicode() == 0x02 || c.unicode() == 0x03)
            reader.Fail(key, QStringLiteral("must hold single-byte characters other than STX and ETX"));
    }
    return text.toLatin1();
}

AsciiTag ReadTag(const QJsonValue& value, const QString& path)
{
    ObjectReader reader(value, path);
    AsciiTag tag;
    const std::optional<QString> name = reader.Text(QStringLiteral("name"));
    if (!name || name->isEmpty())
        reader.Fail(QStringLiteral("name"), QStringLiteral("an item name is needed"));
    tag.name = Latin1(reader, QStringLiteral("name"), *name);
    tag.value = Latin1(reader, QStringLiteral("value"), reader.Text(QStringLiteral("value")).value_or(QString()));
    if (const std::optional<QString> error = reader.Text(QStringLiteral("error"))) {
        if (error->size() != 1 || error->front() < u'A' || error->front() > u'Z')
            reader.Fail(QStringLiteral("error"), QStringLiteral("must be one letter A-Z"));
        tag.error = static_cast<char>(error->front().unicode());
    }
    int delay = 0;
    reader.Integer(QStringLiteral("delayMs"), 0, 600000, delay);
    tag.delay = std::chrono::milliseconds(delay);
    reader.RejectUnknownKeys();
    return tag;
}

} // namespace

AsciiSettings DefaultAsciiSettings()
{
    AsciiSettings settings;
    settings.tags = {
        ValueTag("TANK.LEVEL", "12.5"),   ValueTag("TANK.TEMP", "21.4"), ValueTag("PUMP.STATE", "ON"),
        ValueTag("METER.VOLUME", "1234.567"), ValueTag("SLOW.ITEM", "42", 5000),
        // names as a Modbus item file holds them (sim/buses/sample-items.csv)
        ValueTag("PLANT.TANK.LEVEL", "12.5"), ValueTag("PLANT.TANK.TEMP", "21.4"),
        ValueTag("PLANT.PUMP.STATE", "ON"), ValueTag("PLANT.SLOW.ITEM", "42", 5000),
        ErrorTag("ERROR.D", 'D'),         ErrorTag("ERROR.M", 'M'),      ErrorTag("ERROR.T", 'T'),
        ErrorTag("ERROR.V", 'V'),         ErrorTag("ERROR.Q", 'Q'),
    };
    return settings;
}

AsciiSettings ReadAsciiSettings(const QJsonValue& value, const QString& path)
{
    if (value.isUndefined())
        return DefaultAsciiSettings();
    ObjectReader reader(value, path);
    AsciiSettings settings;
    reader.Integer(QStringLiteral("station"), 0, 99, settings.station);
    reader.Integer(QStringLiteral("maxTagLength"), 1, 65536, settings.maxTagLength);
    const QJsonValue tags = reader.Value(QStringLiteral("tags"));
    if (!tags.isUndefined() && !tags.isArray())
        reader.Fail(QStringLiteral("tags"), QStringLiteral("must be a list of items"));
    const QJsonArray list = tags.toArray();
    for (qsizetype i = 0; i < list.size(); ++i)
        settings.tags.append(ReadTag(list.at(i), reader.Path(QStringLiteral("tags[%1]").arg(i))));
    reader.RejectUnknownKeys();
    return settings;
}
