#include "busconfig.h"

#include "datarecord.h"
#include "gatewayslave.h"
#include "jsonreader.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

// A full bus (250 meters, each with a whole frame of records) takes a few
// hundred kilobytes; the JSON tree of a file takes several times its size.
constexpr qint64 kLargestBusFile = 4 * 1024 * 1024;

// Header bytes before the records of a CI 72h reply.
constexpr int kVariableHeaderLength = 12;

int Baud(ObjectReader& reader, const QString& key, int fallback)
{
    int baud = fallback;
    reader.Integer(key, 1, 1000000, baud);
    if (!IsBusBaud(baud))
        reader.Fail(key, QStringLiteral("must be one of 300, 600, 1200, 2400, 4800, 9600, 19200, 38400"));
    return baud;
}

Faults ReadFaults(const QJsonValue& value, const QString& path)
{
    Faults faults;
    if (value.isUndefined())
        return faults;
    ObjectReader reader(value, path);
    int delay = 0;
    int gap = static_cast<int>(faults.pieceGap.count());
    reader.Integer(QStringLiteral("delayMs"), 0, 600000, delay);
    reader.Integer(QStringLiteral("pieceGapMs"), 0, 60000, gap);
    reader.Integer(QStringLiteral("split"), 1, 261, faults.split);
    reader.Bool(QStringLiteral("silent"), faults.silent);
    reader.Bool(QStringLiteral("wrongChecksum"), faults.wrongChecksum);
    reader.Bool(QStringLiteral("wrongAck"), faults.wrongAck);
    reader.Bool(QStringLiteral("garbage"), faults.garbage);
    reader.Bool(QStringLiteral("byteByByte"), faults.byteByByte);
    reader.RejectUnknownKeys();
    faults.delay = std::chrono::milliseconds(delay);
    faults.pieceGap = std::chrono::milliseconds(gap);
    return faults;
}

LineTiming ReadTiming(const QJsonValue& value, const QString& path)
{
    LineTiming timing;
    if (value.isUndefined())
        return timing;
    ObjectReader reader(value, path);
    if (const std::optional<QString> mode = reader.Text(QStringLiteral("mode"))) {
        if (*mode != QLatin1String("instant") && *mode != QLatin1String("line"))
            reader.Fail(QStringLiteral("mode"), QStringLiteral("must be \"instant\" or \"line\""));
        timing.instant = *mode == QLatin1String("instant");
    }
    reader.Integer(QStringLiteral("turnaroundBits"), 0, 100000, timing.turnaroundBits);
    reader.RejectUnknownKeys();
    return timing;
}

// DIF or VIF with its extensions: every byte but the last has bit 7 set.
QByteArray FieldWithExtensions(ObjectReader& reader, const QString& key)
{
    if (!reader.Has(key))
        reader.Fail(key, QStringLiteral("is missing"));
    const QByteArray bytes = reader.Hex(key);
    if (bytes.isEmpty())
        reader.Fail(key, QStringLiteral("is empty"));
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (((static_cast<quint8>(bytes[i]) & 0x80) != 0) != (i + 1 < bytes.size()))
            reader.Fail(key, QStringLiteral("extension bits (bit 7) do not match the number of bytes"));
    return bytes;
}

QByteArray ReadRecord(const QJsonValue& value, const QString& path)
{
    ObjectReader reader(value, path);
    if (reader.Has(QStringLiteral("hex"))) {
        const QByteArray bytes = reader.Hex(QStringLiteral("hex"));
        reader.RejectUnknownKeys();
        return bytes;
    }
    const QByteArray dif = FieldWithExtensions(reader, QStringLiteral("dif"));
    const QByteArray vif = FieldWithExtensions(reader, QStringLiteral("vif"));
    const auto dataField = static_cast<quint8>(dif[0]);
    QString error;
    std::optional<QByteArray> data;
    QString valueKey;
    if (reader.Has(QStringLiteral("value"))) {
        valueKey = QStringLiteral("value");
        qint64 number = 0;
        reader.Integer(valueKey, -(1LL << 53), 1LL << 53, number);
        data = EncodeRecordValue(dataField, number, &error);
    } else if (const std::optional<QString> date = reader.Text(QStringLiteral("date"))) {
        valueKey = QStringLiteral("date");
        if (DataFieldSize(dataField) != 2)
            reader.Fail(QStringLiteral("dif"), QStringLiteral("a date needs a 2-byte data field (x2h)"));
        data = EncodeDateG(QDate::fromString(*date, Qt::ISODate), &error);
    } else if (const std::optional<QString> dateTime = reader.Text(QStringLiteral("dateTime"))) {
        valueKey = QStringLiteral("dateTime");
        if (DataFieldSize(dataField) != 4)
            reader.Fail(QStringLiteral("dif"), QStringLiteral("a date and time needs a 4-byte data field (x4h)"));
        data = EncodeDateTimeF(QDateTime::fromString(*dateTime, Qt::ISODate), &error);
    } else {
        reader.Fail(QString(), QStringLiteral("needs \"value\", \"date\", \"dateTime\" or \"hex\""));
    }
    if (!data)
        reader.Fail(valueKey, error);
    reader.RejectUnknownKeys();
    return dif + vif + *data;
}

quint32 ReadIdentification(ObjectReader& reader)
{
    const QString key = QStringLiteral("id");
    const QJsonValue value = reader.Value(key);
    QString digits;
    if (value.isString())
        digits = value.toString();
    else if (value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= 99999999
             && std::floor(value.toDouble()) == value.toDouble())
        digits = QString::number(static_cast<qint64>(value.toDouble()));
    else
        reader.Fail(key, value.isUndefined() ? QStringLiteral("is missing")
                                              : QStringLiteral("must be up to 8 decimal digits"));
    if (digits.isEmpty() || digits.size() > 8
        || std::any_of(digits.begin(), digits.end(), [](QChar c) { return c < QLatin1Char('0') || c > QLatin1Char('9'); }))
        reader.Fail(key, QStringLiteral("must be up to 8 decimal digits"));
    // The decimal digits read as hexadecimal are the BCD value.
    return digits.toUInt(nullptr, 16);
}

constexpr double kMostCounter = 99999999; // eight BCD digits

quint32 Bcd(ObjectReader& reader, const QString& key, qint64 value)
{
    const std::optional<QByteArray> bcd = EncodeBcd(value, 4);
    if (!bcd)
        reader.Fail(key, QStringLiteral("must be 0 to 99999999"));
    quint32 packed = 0;
    for (int i = 3; i >= 0; --i)
        packed = packed << 8 | static_cast<quint8>((*bcd)[i]);
    return packed;
}

// The fixed structure's medium/unit field carries the medium's four bits in
// bits 6-7 of its two bytes (bits 0-1 in the first, 2-3 in the second), the
// two units in bits 0-5. A master that selects by the medium it read must
// find the meter's own, so the bits come from "medium"; a field that gives
// other medium bits contradicts the file and is refused.
quint16 FixedMediumUnit(ObjectReader& reader, const QByteArray& bytes, quint8 medium)
{
    const auto first = static_cast<quint8>(bytes[0]);
    const auto second = static_cast<quint8>(bytes[1]);
    const int given = (first >> 6) | (second >> 6) << 2;
    if (medium > 0x0F)
        reader.Fail(QStringLiteral("medium"), QStringLiteral("must be 0 to 15 with the fixed structure"));
    if (given != 0 && given != medium)
        reader.Fail(QStringLiteral("mediumUnit"),
                    QStringLiteral("holds medium %1 in its bits 6-7, but medium is %2").arg(given).arg(medium));
    const auto low = static_cast<quint8>((first & 0x3F) | (medium & 0x03) << 6);
    const auto high = static_cast<quint8>((second & 0x3F) | (medium >> 2 & 0x03) << 6);
    return static_cast<quint16>(low | high << 8);
}

void ReadFixedStructure(ObjectReader& reader, MeterConfig& meter)
{
    QByteArray bytes(2, '\0');
    if (reader.Has(QStringLiteral("mediumUnit"))) {
        bytes = reader.Hex(QStringLiteral("mediumUnit"));
        if (bytes.size() != 2)
            reader.Fail(QStringLiteral("mediumUnit"), QStringLiteral("must be 2 bytes (4 hexadecimal digits)"));
    }
    if (meter.fixedStructure)
        meter.fixedMediumUnit = FixedMediumUnit(reader, bytes, meter.medium);
    const QJsonValue counters = reader.Value(QStringLiteral("counters"));
    if (counters.isUndefined())
        return;
    const QString key = QStringLiteral("counters");
    if (!counters.isArray() || counters.toArray().size() != 2)
        reader.Fail(key, QStringLiteral("must be a list of two numbers"));
    for (int i = 0; i < 2; ++i) {
        const double number = counters.toArray().at(i).toDouble(-1);
        if (!(number >= 0) || std::floor(number) != number)
            reader.Fail(key, QStringLiteral("must be a list of two numbers"));
        // The range before the conversion: a double beyond 64 bits has no integer value.
        if (number > kMostCounter)
            reader.Fail(key, QStringLiteral("must be 0 to 99999999"));
        meter.fixedCounters[i] = Bcd(reader, key, static_cast<qint64>(number));
    }
}

MeterConfig ReadMeter(const QJsonValue& value, const QString& path, int busBaud)
{
    ObjectReader reader(value, path);
    MeterConfig meter;
    if (!reader.Has(QStringLiteral("address")))
        reader.Fail(QStringLiteral("address"), QStringLiteral("is missing"));
    reader.Integer(QStringLiteral("address"), 0, 250, meter.address);
    meter.id = ReadIdentification(reader);
    const QString letters = reader.Text(QStringLiteral("manufacturer")).value_or(QStringLiteral("SIM"));
    const std::optional<quint16> code = ManufacturerCode(letters);
    if (!code)
        reader.Fail(QStringLiteral("manufacturer"), QStringLiteral("must be three capital letters A-Z"));
    meter.manufacturer = *code;
    meter.version = 1;
    meter.medium = 0x07;
    reader.Integer(QStringLiteral("version"), 0, 255, meter.version);
    reader.Integer(QStringLiteral("medium"), 0, 255, meter.medium);
    meter.baud = Baud(reader, QStringLiteral("baud"), busBaud);
    reader.Integer(QStringLiteral("accessNumber"), 0, 255, meter.accessNumber);
    reader.Integer(QStringLiteral("status"), 0, 255, meter.status);
    reader.Integer(QStringLiteral("signature"), 0, 0xFFFF, meter.signature);
    reader.Bool(QStringLiteral("fixedStructure"), meter.fixedStructure);
    reader.Bool(QStringLiteral("answersReqUd2"), meter.answersReqUd2);
    ReadFixedStructure(reader, meter);
    const QJsonValue records = reader.Value(QStringLiteral("records"));
    if (!records.isUndefined() && !records.isArray())
        reader.Fail(QStringLiteral("records"), QStringLiteral("must be a list"));
    const QJsonArray recordList = records.toArray();
    for (qsizetype i = 0; i < recordList.size(); ++i)
        meter.records += ReadRecord(recordList.at(i), reader.Path(QStringLiteral("records[%1]").arg(i)));
    const qsizetype room = mbus::kMaxLongFrameData - kVariableHeaderLength;
    if (meter.records.size() > room)
        reader.Fail(QStringLiteral("records"),
                    QStringLiteral("%1 bytes, at most %2 fit in one frame").arg(meter.records.size()).arg(room));
    meter.faults = ReadFaults(reader.Value(QStringLiteral("faults")), reader.Path(QStringLiteral("faults")));
    reader.RejectUnknownKeys();
    return meter;
}

// A decimal number with one decimal, as tenths that fit 16 signed bits.
int Tenths(ObjectReader& reader, const QString& key, int fallback)
{
    const QJsonValue value = reader.Value(key);
    if (value.isUndefined())
        return fallback;
    const double tenths = value.toDouble(std::nan("")) * 10;
    if (!value.isDouble() || std::abs(tenths - std::round(tenths)) > 1e-6 || tenths < -32768 || tenths > 32767)
        reader.Fail(key, QStringLiteral("must be a number from -3276.8 to 3276.7 with at most one decimal"));
    return static_cast<int>(std::lround(tenths));
}

// The gateway's own slave; it draws nothing itself, the meters one unit load (1.5 mA) each.
MeterConfig ReadGatewaySlave(const QJsonValue& value, const QString& path, const BusConfig& bus)
{
    ObjectReader reader(value, path);
    GatewaySlaveConfig slave;
    slave.baud = bus.baud;
    reader.Integer(QStringLiteral("address"), 0, 250, slave.address);
    if (reader.Has(QStringLiteral("id")))
        slave.fabricationNumber = ReadIdentification(reader);
    slave.voltageTenths = Tenths(reader, QStringLiteral("busVoltage"), slave.voltageTenths);
    slave.currentTenths = Tenths(reader, QStringLiteral("busCurrent"), static_cast<int>(bus.meters.size()) * 15);
    reader.RejectUnknownKeys();
    return GatewaySlave(slave);
}

BusConfig ReadBus(const QJsonValue& value)
{
    ObjectReader reader(value, QString());
    BusConfig config;
    config.baud = Baud(reader, QStringLiteral("baud"), config.baud);
    if (const std::optional<QString> collision = reader.Text(QStringLiteral("collision"))) {
        if (*collision != QLatin1String("garble") && *collision != QLatin1String("ack-merge"))
            reader.Fail(QStringLiteral("collision"), QStringLiteral("must be \"garble\" or \"ack-merge\""));
        config.collision = *collision == QLatin1String("garble") ? CollisionMode::Garble : CollisionMode::AckMerge;
    }
    config.timing = ReadTiming(reader.Value(QStringLiteral("timing")), QStringLiteral("timing"));
    config.faults = ReadFaults(reader.Value(QStringLiteral("faults")), QStringLiteral("faults"));
    config.config = ReadConfigSettings(reader.Value(QStringLiteral("config")), QStringLiteral("config"));
    config.modbus = ReadModbusMap(reader.Value(QStringLiteral("modbus")), QStringLiteral("modbus"));
    config.ascii = ReadAsciiSettings(reader.Value(QStringLiteral("ascii")), QStringLiteral("ascii"));
    const QJsonValue meters = reader.Value(QStringLiteral("meters"));
    if (!meters.isArray())
        reader.Fail(QStringLiteral("meters"), QStringLiteral("must be a list of meters"));
    const QJsonArray meterList = meters.toArray();
    for (qsizetype i = 0; i < meterList.size(); ++i)
        config.meters.append(ReadMeter(meterList.at(i), QStringLiteral("meters[%1]").arg(i), config.baud));
    const QJsonValue slave = reader.Value(QStringLiteral("gatewaySlave"));
    if (!slave.isUndefined())
        config.meters.append(ReadGatewaySlave(slave, QStringLiteral("gatewaySlave"), config));
    reader.RejectUnknownKeys();
    return config;
}

QString Position(const QByteArray& json, int offset)
{
    const QByteArray before = json.left(offset);
    const int line = static_cast<int>(before.count('\n')) + 1;
    const int column = static_cast<int>(before.size() - (before.lastIndexOf('\n') + 1)) + 1;
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

MeterConfig SmallMeter(quint8 address, quint32 id, const char* letters, quint8 medium)
{
    MeterConfig meter;
    meter.address = address;
    meter.id = id;
    meter.manufacturer = *ManufacturerCode(QString::fromLatin1(letters));
    meter.version = 1;
    meter.medium = medium;
    meter.accessNumber = address;
    QString error;
    meter.records = QByteArray::fromHex("0C13") + *EncodeBcd(12345 + address, 4) // volume, litres
                    + QByteArray::fromHex("426C") + *EncodeDateG(QDate(2024, 12, 31), &error); // due date
    return meter;
}

} // namespace

bool IsBusBaud(int baud)
{
    static const QList<int> kSpeeds = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};
    return kSpeeds.contains(baud);
}

BusConfigResult ParseBusConfig(const QByteArray& json, const QString& name)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return {std::nullopt, QStringLiteral("%1: %2: %3")
                                  .arg(name, Position(json, parseError.offset), parseError.errorString())};
    if (!document.isObject())
        return {std::nullopt, QStringLiteral("%1: the top level must be an object").arg(name)};
    try {
        return {ReadBus(document.object()), QString()};
    } catch (const ConfigError& error) {
        return {std::nullopt, QStringLiteral("%1: %2").arg(name, error.text)};
    }
}

BusConfigResult LoadBusConfig(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot read bus file %1: %2").arg(path, file.errorString())};
    // One byte past the limit tells a file that is too large, also one
    // (a pipe) whose size is not known beforehand.
    const QByteArray json = file.read(kLargestBusFile + 1);
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("cannot read bus file %1: %2").arg(path, file.errorString())};
    if (json.size() > kLargestBusFile)
        return {std::nullopt, QStringLiteral("bus file %1 is larger than %2 MiB, more than a bus file can need; not read")
                                  .arg(path)
                                  .arg(kLargestBusFile / (1024 * 1024))};
    return ParseBusConfig(json, path);
}

BusConfig DefaultBusConfig()
{
    BusConfig config;
    config.meters = {SmallMeter(1, 0x12345678, "SIM", 0x07), SmallMeter(2, 0x12345679, "SIM", 0x07),
                     SmallMeter(3, 0x23456789, "KVX", 0x04)};
    config.modbus = DefaultModbusMap();
    return config;
}
