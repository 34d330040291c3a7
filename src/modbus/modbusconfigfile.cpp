#include "modbusconfigfile.h"

#include "modbusrows.h"
#include "base/textencoding.h"
#include "base/textnumber.h"

#include <QStringDecoder>

#include <cmath>
#include <cstring>
#include <limits>
#include <variant>

namespace {

constexpr int kOverflow = 6;
constexpr int kTypeMismatch = 13;
constexpr int kSubscriptOutOfRange = 9;
constexpr int kInvalidPropertyValue = 380;
constexpr int kInputPastEndOfFile = 62;

// The fields of the request line that are read; further ones are ignored.
constexpr qsizetype kRequestFields = 7;

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

// The first fields of a line as SplitModbusConfigFields gives them (one
// more, empty, after a closing comma); those after them are not split off,
// however many a line holds.
QStringList FirstFields(QStringView line, qsizetype count)
{
    QStringList fields;
    for (qsizetype from = 0; fields.size() < count && from <= line.size();) {
        qsizetype comma = line.indexOf(u',', from);
        if (comma < 0)
            comma = line.size();
        fields << line.sliced(from, comma - from).toString().remove(u'"');
        from = comma + 1;
    }
    return fields;
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
QStringList SplitRowFields(QString line)
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
    // included: it takes the rest of the line, less its closing comma and
    // the double quotes. Cut from the line in place, as it may be long.
    line.remove(0, i);
    if (line.endsWith(u','))
        line.chop(1);
    fields << std::move(line.remove(u'"'));
    return fields;
}

// The file's lines as views over its bytes (or over its text, when a byte
// order mark says UTF-16), each decoded only when it is used: a file of any
// length is judged without a copy of every line. A file that ends with a
// line end has no empty line after it, nor do blank lines at its end count.
class ConfigLines {
public:
    explicit ConfigLines(const QByteArray& content)
    {
        if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF")) {
            m_Wide = true;
            m_Text = DecodeText(content);
            m_Size = m_Text.size();
        } else {
            const bool marked = content.startsWith("\xEF\xBB\xBF");
            const QByteArrayView bytes = QByteArrayView(content).sliced(marked ? 3 : 0);
            // The same choice as for the whole text: valid UTF-8 or else Windows-1252, mark and all.
            m_Utf8 = bytes.isValidUtf8();
            m_Bytes = m_Utf8 ? bytes : QByteArrayView(content);
            m_Size = m_Bytes.size();
        }
        m_Stop = LastContentEnd();
    }

    bool AtEnd() const { return m_At > m_Stop; }

    // The next line without its line end.
    QString Next()
    {
        const qsizetype end = LineEnd(m_At);
        QString line = Decoded(m_At, end);
        m_At = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        return line;
    }

private:
    bool Wide() const { return m_Wide; }

    bool IsLineEnd(qsizetype at) const { return Wide() ? m_Text[at] == u'\n' : m_Bytes[at] == '\n'; }

    qsizetype LineEnd(qsizetype from) const
    {
        if (Wide()) {
            const qsizetype end = m_Text.indexOf(u'\n', from);
            return end < 0 ? m_Size : end;
        }
        const void* end = std::memchr(m_Bytes.data() + from, '\n', static_cast<size_t>(m_Size - from));
        return end ? static_cast<const char*>(end) - m_Bytes.data() : m_Size;
    }

    QString Decoded(qsizetype from, qsizetype end) const
    {
        if (Wide())
            return m_Text.sliced(from, end - from);
        const QByteArrayView line = m_Bytes.sliced(from, end - from);
        if (m_Utf8) {
            // Only at the start of the text is a byte order mark dropped, as decoding it whole does.
            QStringDecoder decoder(QStringDecoder::Utf8, from == 0 ? QStringDecoder::Flag::Stateless
                                                                   : QStringDecoder::Flag::Stateless
                                                                         | QStringDecoder::Flag::ConvertInitialBom);
            return decoder.decode(line);
        }
        return DecodeWindows1252(QByteArray::fromRawData(line.data(), line.size()));
    }

    // Only white space, as trimming sees it; a line of plain ASCII is
    // judged without decoding it.
    bool Blank(qsizetype from, qsizetype end) const
    {
        if (Wide())
            return QStringView(m_Text).sliced(from, end - from).trimmed().isEmpty();
        for (qsizetype i = from; i < end; ++i) {
            const auto byte = static_cast<unsigned char>(m_Bytes[i]);
            if (byte >= 0x80)
                return Decoded(from, end).trimmed().isEmpty();
            if (byte != ' ' && (byte < '\t' || byte > '\r'))
                return false;
        }
        return true;
    }

    // Where the last line that is not blank ends (-1: there is none).
    qsizetype LastContentEnd() const
    {
        qsizetype end = m_Size;
        for (;;) {
            qsizetype start = end;
            while (start > 0 && !IsLineEnd(start - 1))
                --start;
            if (!Blank(start, end))
                return end;
            if (start == 0)
                return -1;
            end = start - 1;
        }
    }

    bool m_Wide = false;
    QString m_Text;
    QByteArrayView m_Bytes;
    bool m_Utf8 = true;
    qsizetype m_Size = 0;
    qsizetype m_At = 0;
    qsizetype m_Stop = 0;
};

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
    ConfigLines lines(content);
    const QString first = lines.AtEnd() ? QString() : lines.Next();
    load.recognised = first == kModbusConfigMarker || first == kModbusConfigMarker + u',';
    if (!load.recognised)
        return load;
    if (lines.AtEnd()) {
        load.error = ClassicFileError(kInputPastEndOfFile);
        return load;
    }
    auto request = ReadRequest(FirstFields(lines.Next(), kRequestFields));
    if (auto* error = std::get_if<FileError>(&request)) {
        load.error = *error;
        return load;
    }
    load.request = std::get<ModbusConfigRequest>(request);
    while (!lines.AtEnd()) {
        // the rows are full: a further line is an error whatever it holds
        if (load.rows.size() == kModbusValueRows) {
            load.error = ClassicFileError(kSubscriptOutOfRange);
            return load;
        }
        auto row = ReadRow(SplitRowFields(lines.Next()));
        if (auto* error = std::get_if<FileError>(&row)) {
            load.error = *error;
            return load;
        }
        load.rows.append(std::move(std::get<ModbusConfigRow>(row)));
    }
    return load;
}
