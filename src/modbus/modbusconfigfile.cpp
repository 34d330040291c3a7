#include "modbusconfigfile.h"

#include "modbusrows.h"
#include "base/textencoding.h"
#include "base/textnumber.h"

#include <cmath>
#include <limits>
#include <variant>

namespace {

constexpr int kOverflow = 6;
constexpr int kTypeMismatch = 13;
constexpr int kSubscriptOutOfRange = 9;
constexpr int kInvalidPropertyValue = 380;
constexpr int kInputPastEndOfFile = 62;

// Row fields before the description, which takes the rest of the line.
constexpr int kRowFieldsBeforeDescription = 5;

const QString kCrLf = QStringLiteral("\r\n");

QString TrueFalse(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString Line(const QStringList& fields)
{
    QString line;
    for (const QString& field : fields)
        line += field + u',';
    return line + kCrLf;
}

// A field read as a whole number, as the classic runtime converts it.
std::variant<int, FileError> WholeNumber(const QString& field)
{
    if (!IsNumber(field))
        return ClassicFileError(kTypeMismatch);
    bool ok = false;
    const double value = std::nearbyint(field.trimmed().toDouble(&ok)); // ties to even
    if (!ok || !std::isfinite(value) || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        return ClassicFileError(kOverflow);
    return static_cast<int>(value);
}

// A list position that must lie below the list's length.
std::variant<int, FileError> ListIndex(const QString& field, int listLength)
{
    auto number = WholeNumber(field);
    if (const int* index = std::get_if<int>(&number); index && (*index < 0 || *index >= listLength))
        return ClassicFileError(kInvalidPropertyValue);
    return number;
}

// "True" or "False" in any case, or a number: 0 is false, anything else true.
std::variant<bool, FileError> TruthValue(const QString& field)
{
    const QString word = field.trimmed();
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (!IsNumber(word))
        return ClassicFileError(kTypeMismatch);
    return LeadingDecimal(word) != 0.0;
}

std::variant<ModbusConfigRequest, FileError> ReadRequest(const QStringList& fields)
{
    ModbusConfigRequest request;
    const auto autoRegister = ListIndex(fields.value(0), 2);
    if (const auto* error = std::get_if<FileError>(&autoRegister))
        return *error;
    const auto rtu = TruthValue(fields.value(1));
    if (const auto* error = std::get_if<FileError>(&rtu))
        return *error;
    const auto tcp = TruthValue(fields.value(2));
    if (const auto* error = std::get_if<FileError>(&tcp))
        return *error;
    const auto function = ListIndex(fields.value(3), 2);
    if (const auto* error = std::get_if<FileError>(&function))
        return *error;
    request.autoRegister = std::get<int>(autoRegister) == 1;
    // Selecting the TCP option deselects the RTU one; with neither the page reads RTU.
    request.framing = std::get<bool>(tcp) ? modbus::Framing::Tcp : modbus::Framing::Rtu;
    request.functionIndex = std::get<int>(function);
    request.slaveAddress = fields.value(4);
    request.firstRegister = fields.value(5);
    request.registerCount = fields.value(6);
    return request;
}

std::variant<ModbusConfigRow, FileError> ReadRow(const QStringList& fields)
{
    ModbusConfigRow row;
    const auto type = ListIndex(fields.value(0), static_cast<int>(ModbusTypeNames().size()));
    if (const auto* error = std::get_if<FileError>(&type))
        return *error;
    row.typeCode = std::get<int>(type);
    const auto order = ListIndex(fields.value(1), static_cast<int>(ModbusWordOrders(row.typeCode).size()));
    if (const auto* error = std::get_if<FileError>(&order))
        return *error;
    row.orderCode = std::get<int>(order);
    row.registerText = fields.value(2);
    row.bytesText = fields.value(3);
    row.valueText = fields.value(4);
    row.description = fields.value(kRowFieldsBeforeDescription);
    return row;
}

// A CHAR value may hold commas and double quotes: written as \, and \" (as
// the value already writes a backslash as \\), so that they survive the
// splitting at commas and the dropping of quotes.
QString EscapedValue(const QString& value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == u',' || c == u'"')
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

// A row line: the fields before the description end at a comma that no
// backslash escapes (\, and \" stand for the characters, any other pair
// after a backslash stays as it is, so files written before read the same);
// the description takes the rest of the line as it stands.
QStringList SplitRowFields(const QString& line)
{
    QStringList fields;
    QString field;
    qsizetype i = 0;
    for (; i < line.size() && fields.size() < kRowFieldsBeforeDescription; ++i) {
        const QChar c = line[i];
        if (c == u'\\' && i + 1 < line.size()) {
            const QChar next = line[++i];
            if (next != u',' && next != u'"')
                field += c;
            field += next;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else if (c != u'"') {
            field += c;
        }
    }
    if (fields.size() < kRowFieldsBeforeDescription) {
        if (!field.isEmpty() || !line.endsWith(u','))
            fields << field; // the last field counts without a comma after it
        return fields;
    }
    // A description is free text and is written as it stands, commas
    // included: it takes the rest of the line.
    fields << SplitModbusConfigFields(line.mid(i)).join(u',');
    return fields;
}

// The file's lines, each without its line end; a file that ends with a
// line end has no empty line after it, nor do blank lines at its end count.
QStringList Lines(const QString& text)
{
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

QByteArray FormatModbusConfiguration(const ModbusConfiguration& configuration)
{
    const ModbusConfigRequest& request = configuration.request;
    const bool tcp = request.framing == modbus::Framing::Tcp;
    QString text = kModbusConfigMarker + kCrLf;
    text += Line({QString::number(request.autoRegister ? 1 : 0), TrueFalse(!tcp), TrueFalse(tcp),
                  QString::number(request.functionIndex), request.slaveAddress, request.firstRegister,
                  request.registerCount});
    for (const ModbusConfigRow& row : configuration.rows)
        text += Line({QString::number(row.typeCode), QString::number(row.orderCode), row.registerText, row.bytesText,
                      EscapedValue(row.valueText), row.description});
    return text.toUtf8();
}

QStringList SplitModbusConfigFields(const QString& line)
{
    QStringList fields = line.split(u',');
    if (line.endsWith(u',')) // the comma ends the last field; nothing follows it
        fields.removeLast();
    for (QString& field : fields)
        field.remove(u'"');
    return fields;
}

ModbusConfigLoad ParseModbusConfiguration(const QByteArray& content)
{
    ModbusConfigLoad load;
    const QStringList lines = Lines(DecodeText(content));
    const QString first = lines.value(0);
    load.recognised = first == kModbusConfigMarker || first == kModbusConfigMarker + u',';
    if (!load.recognised)
        return load;
    if (lines.size() < 2) {
        load.error = ClassicFileError(kInputPastEndOfFile);
        return load;
    }
    auto request = ReadRequest(SplitModbusConfigFields(lines[1]));
    if (auto* error = std::get_if<FileError>(&request)) {
        load.error = *error;
        return load;
    }
    load.request = std::get<ModbusConfigRequest>(request);
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (load.rows.size() == kModbusValueRows) {
            load.error = ClassicFileError(kSubscriptOutOfRange);
            return load;
        }
        auto row = ReadRow(SplitRowFields(lines[i]));
        if (auto* error = std::get_if<FileError>(&row)) {
            load.error = *error;
            return load;
        }
        load.rows.append(std::get<ModbusConfigRow>(row));
    }
    return load;
}
