#include "modbusmap.h"

#include "jsonreader.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <bit>
#include <cmath>
#include <map>

namespace {

constexpr int kRegisterSpace = 65536;

struct KindName {
    const char* key;
    ModbusValue::Kind kind;
    int bytes;
    double min;
    double max;
};

// Whole numbers that JSON carries exactly; the 64-bit kinds take texts beyond them.
constexpr double kExactInJson = 9007199254740992.0; // 2^53

const KindName kKinds[] = {
    {"int16", ModbusValue::Kind::Int16, 2, -32768.0, 32767.0},
    {"uint16", ModbusValue::Kind::UInt16, 2, 0.0, 65535.0},
    {"int32", ModbusValue::Kind::Int32, 4, -2147483648.0, 2147483647.0},
    {"uint32", ModbusValue::Kind::UInt32, 4, 0.0, 4294967295.0},
    {"int64", ModbusValue::Kind::Int64, 8, -kExactInJson, kExactInJson},
    {"uint64", ModbusValue::Kind::UInt64, 8, 0.0, kExactInJson},
    {"float", ModbusValue::Kind::Float, 4, -3.4028234663852886e38, 3.4028234663852886e38},
    {"double", ModbusValue::Kind::Double, 8, -1.7976931348623157e308, 1.7976931348623157e308},
};

const KindName* KindOf(ModbusValue::Kind kind)
{
    for (const KindName& name : kKinds) {
        if (name.kind == kind)
            return &name;
    }
    return nullptr;
}

QByteArray BigEndian(quint64 value, int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
    return out;
}

// A 64-bit value given as a number or, beyond 2^53, as a decimal text.
void ReadInteger64(ObjectReader& reader, const KindName& kind, ModbusValue& value)
{
    const QJsonValue json = reader.Value(QString::fromLatin1(kind.key));
    if (json.isString()) {
        bool ok = false;
        value.integer = kind.kind == ModbusValue::Kind::UInt64
                            ? static_cast<qint64>(json.toString().toULongLong(&ok))
                            : json.toString().toLongLong(&ok);
        if (!ok)
            reader.Fail(QString::fromLatin1(kind.key), QStringLiteral("must be a whole number"));
        return;
    }
    double number = 0;
    reader.Integer(QString::fromLatin1(kind.key), static_cast<long long>(kind.min), static_cast<long long>(kind.max),
                   number);
    value.integer = static_cast<qint64>(number);
}

QByteArray Words(ObjectReader& reader)
{
    const QJsonValue json = reader.Value(QStringLiteral("words"));
    if (!json.isArray() || json.toArray().isEmpty())
        reader.Fail(QStringLiteral("words"), QStringLiteral("must be a list of register values 0-65535"));
    QByteArray bytes;
    for (const QJsonValue& word : json.toArray()) {
        const double number = word.toDouble(-1);
        if (!word.isDouble() || number < 0 || number > 65535 || std::floor(number) != number)
            reader.Fail(QStringLiteral("words"), QStringLiteral("must be a list of register values 0-65535"));
        bytes += BigEndian(static_cast<quint64>(number), 2);
    }
    return bytes;
}

ModbusValue ReadValue(const QJsonValue& json, const QString& path)
{
    ObjectReader reader(json, path);
    ModbusValue value;
    reader.Integer(QStringLiteral("register"), 0, kRegisterSpace - 1, value.firstRegister);
    if (!reader.Has(QStringLiteral("register")))
        reader.Fail(QStringLiteral("register"), QStringLiteral("is missing"));

    int given = 0;
    if (reader.Has(QStringLiteral("words"))) {
        value.bytes = Words(reader);
        ++given;
    }
    if (reader.Has(QStringLiteral("hex"))) {
        value.bytes = reader.Hex(QStringLiteral("hex"));
        if (value.bytes.isEmpty() || value.bytes.size() % 2 != 0)
            reader.Fail(QStringLiteral("hex"), QStringLiteral("must fill whole registers (two bytes each)"));
        ++given;
    }
    if (const std::optional<QString> text = reader.Text(QStringLiteral("text"))) {
        value.bytes = text->toLatin1();
        if (value.bytes.isEmpty())
            reader.Fail(QStringLiteral("text"), QStringLiteral("must not be empty"));
        if (value.bytes.size() % 2 != 0)
            value.bytes.append('\0'); // the last register is filled up
        ++given;
    }
    for (const KindName& kind : kKinds) {
        const QString key = QString::fromLatin1(kind.key);
        if (!reader.Has(key))
            continue;
        value.kind = kind.kind;
        if (kind.kind == ModbusValue::Kind::Int64 || kind.kind == ModbusValue::Kind::UInt64) {
            ReadInteger64(reader, kind, value);
        } else if (kind.kind == ModbusValue::Kind::Float || kind.kind == ModbusValue::Kind::Double) {
            const QJsonValue number = reader.Value(key);
            if (!number.isDouble())
                reader.Fail(key, QStringLiteral("must be a number"));
            value.number = number.toDouble();
        } else {
            reader.Integer(key, static_cast<long long>(kind.min), static_cast<long long>(kind.max), value.number);
        }
        ++given;
    }
    if (given != 1)
        reader.Fail(QString(), QStringLiteral("needs exactly one of words, hex, text, int16, uint16, int32, uint32, "
                                              "int64, uint64, float, double"));

    if (const std::optional<QString> order = reader.Text(QStringLiteral("order"))) {
        const bool shortValue = value.kind == ModbusValue::Kind::Int16 || value.kind == ModbusValue::Kind::UInt16;
        const QStringList allowed = value.kind == ModbusValue::Kind::Bytes
                                        ? QStringList()
                                        : shortValue ? QStringList{QStringLiteral("AB"), QStringLiteral("BA")}
                                                     : QStringList{QStringLiteral("ABCD"), QStringLiteral("DCBA"),
                                                                   QStringLiteral("CDAB"), QStringLiteral("BADC")};
        if (!allowed.contains(*order))
            reader.Fail(QStringLiteral("order"), allowed.isEmpty() ? QStringLiteral("only numbers have a word order")
                                                                   : QStringLiteral("must be one of ") +
                                                                         allowed.join(QStringLiteral(", ")));
        value.order = *order;
    }
    if (reader.Has(QStringLiteral("step"))) {
        const QJsonValue step = reader.Value(QStringLiteral("step"));
        if (!step.isDouble() || value.kind == ModbusValue::Kind::Bytes)
            reader.Fail(QStringLiteral("step"), QStringLiteral("must be a number, and only numbers change"));
        value.step = step.toDouble();
    }
    if (value.firstRegister + value.Registers() > kRegisterSpace)
        reader.Fail(QStringLiteral("register"), QStringLiteral("the value runs past register 65535"));
    reader.RejectUnknownKeys();
    return value;
}

QList<ModbusValue> ReadTable(ObjectReader& reader, const QString& key)
{
    const QJsonValue json = reader.Value(key);
    if (json.isUndefined())
        return {};
    if (!json.isArray())
        reader.Fail(key, QStringLiteral("must be a list of values"));
    QList<ModbusValue> values;
    std::map<int, int> taken; // register -> index of the value holding it
    const QJsonArray list = json.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString path = reader.Path(QStringLiteral("%1[%2]").arg(key).arg(i));
        const ModbusValue value = ReadValue(list.at(i), path);
        for (int r = value.firstRegister; r < value.firstRegister + value.Registers(); ++r) {
            if (taken.count(r))
                throw ConfigError{path + QStringLiteral(": register %1 is given twice").arg(r)};
            taken[r] = static_cast<int>(i);
        }
        values.append(value);
    }
    return values;
}

ModbusSlave ReadSlave(const QJsonValue& json, const QString& path)
{
    ObjectReader reader(json, path);
    ModbusSlave slave;
    if (!reader.Has(QStringLiteral("address")))
        reader.Fail(QStringLiteral("address"), QStringLiteral("is missing"));
    reader.Integer(QStringLiteral("address"), 1, 247, slave.address);
    slave.holding = ReadTable(reader, QStringLiteral("holding"));
    slave.input = ReadTable(reader, QStringLiteral("input"));
    reader.RejectUnknownKeys();
    return slave;
}

ModbusValue Number(int firstRegister, ModbusValue::Kind kind, double number, const char* order = "ABCD",
                   double step = 0)
{
    ModbusValue value;
    value.firstRegister = firstRegister;
    value.kind = kind;
    value.number = number;
    value.integer = static_cast<qint64>(number);
    value.order = QString::fromLatin1(order);
    value.step = step;
    return value;
}

} // namespace

int ModbusValue::Registers() const
{
    if (kind == Kind::Bytes)
        return static_cast<int>(bytes.size() / 2);
    const KindName* name = KindOf(kind);
    return name ? name->bytes / 2 : 0;
}

QByteArray ModbusValue::BytesAfter(qint64 reads) const
{
    if (kind == Kind::Bytes)
        return bytes;
    const KindName* name = KindOf(kind);
    const double now = number + step * static_cast<double>(reads);
    QByteArray value;
    switch (kind) {
    case Kind::Float:
        value = BigEndian(std::bit_cast<quint32>(static_cast<float>(now)), 4);
        break;
    case Kind::Double:
        value = BigEndian(std::bit_cast<quint64>(now), 8);
        break;
    case Kind::Int64:
    case Kind::UInt64:
        value = BigEndian(static_cast<quint64>(integer) + static_cast<quint64>(std::llround(step * reads)), 8);
        break;
    default:
        // A whole number that has stepped past its type wraps round, as a counter does.
        value = BigEndian(static_cast<quint64>(std::llround(now)), name->bytes);
        break;
    }
    return InWordOrder(value, order);
}

QByteArray InWordOrder(const QByteArray& mostSignificantFirst, const QString& order)
{
    const QByteArray& in = mostSignificantFirst;
    QByteArray out = in;
    const qsizetype size = in.size();
    if (order == QLatin1String("BA") || order == QLatin1String("DCBA")) {
        std::reverse(out.begin(), out.end());
    } else if (order == QLatin1String("CDAB")) {
        for (qsizetype r = 0; r < size / 2; ++r) // the registers, last first
            out.replace(2 * r, 2, in.mid(size - 2 - 2 * r, 2));
    } else if (order == QLatin1String("BADC")) {
        for (qsizetype i = 0; i + 1 < size; i += 2)
            std::swap(out[i], out[i + 1]);
    }
    return out;
}

ModbusMap ReadModbusMap(const QJsonValue& value, const QString& path)
{
    ModbusMap map;
    if (value.isUndefined())
        return map;
    ObjectReader reader(value, path);
    const QJsonValue slaves = reader.Value(QStringLiteral("slaves"));
    if (!slaves.isUndefined() && !slaves.isArray())
        reader.Fail(QStringLiteral("slaves"), QStringLiteral("must be a list of slaves"));
    const QJsonArray list = slaves.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const ModbusSlave slave = ReadSlave(list.at(i), reader.Path(QStringLiteral("slaves[%1]").arg(i)));
        for (const ModbusSlave& earlier : map.slaves) {
            if (earlier.address == slave.address)
                reader.Fail(QStringLiteral("slaves[%1].address").arg(i), QStringLiteral("is given twice"));
        }
        map.slaves.append(slave);
    }
    const QJsonValue faults = reader.Value(QStringLiteral("faults"));
    if (!faults.isUndefined()) {
        ObjectReader faultReader(faults, reader.Path(QStringLiteral("faults")));
        faultReader.Bool(QStringLiteral("wrongTransactionId"), map.faults.wrongTransactionId);
        faultReader.Bool(QStringLiteral("badCrc"), map.faults.badCrc);
        faultReader.RejectUnknownKeys();
    }
    reader.RejectUnknownKeys();
    return map;
}

ModbusMap DefaultModbusMap()
{
    using Kind = ModbusValue::Kind;
    ModbusSlave slave;
    slave.address = 1;
    ModbusValue name;
    name.firstRegister = 110;
    name.bytes = QByteArrayLiteral("OSTRAND-SIM\0");
    slave.holding = {
        Number(100, Kind::Int16, -2),
        Number(101, Kind::Float, 21.5),
        Number(103, Kind::UInt32, 123456, "CDAB"),
        Number(105, Kind::Double, 1234.5678),
        Number(109, Kind::UInt16, 0, "AB", 1), // counts the reads
        name,
    };
    slave.input = {Number(0, Kind::Float, 20.0, "ABCD", 0.25), Number(2, Kind::Int32, -100000)};
    ModbusMap map;
    map.slaves = {slave};
    return map;
}
