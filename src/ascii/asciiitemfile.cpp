#include "asciiitemfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// No item name is this long; a longer line is not an item file's.
constexpr qsizetype kLongestLine = 64 * 1024 * 1024;
constexpr qint64 kChunk = 64 * 1024;

const QString kExplorerTag = QStringLiteral("[TAG]");
const QString kOpcItem = QStringLiteral("[item]");

QStringList Fields(const QString& line)
{
    QStringList fields = line.split(u',');
    for (QString& field : fields)
        field.remove(u'"');
    return fields;
}

bool IsFirstField(const QStringList& fields, const QString& marker)
{
    return fields.front().compare(marker, Qt::CaseInsensitive) == 0;
}

std::optional<QStringList> ModbusLineTags(const QString& line)
{
    if (line.count(u'.') < 2)
        return std::nullopt;
    return QStringList{line};
}

// [TAG],a,b,c,d, gives "a.b_c.d" ("a.c.d" when b is empty); the name counts
// only once the comma after d is there.
std::optional<QStringList> ExplorerLineTags(const QString& line)
{
    if (!line.startsWith(u'['))
        return std::nullopt;
    const QStringList fields = Fields(line);
    if (!IsFirstField(fields, kExplorerTag) || fields.size() < 6)
        return QStringList();
    QString name = fields[1] + u'.';
    if (!fields[2].isEmpty())
        name += fields[2] + u'_';
    name += fields[3] + u'.' + fields[4];
    return QStringList{name};
}

// [item],a,b,NAME, gives NAME and the line ends there; otherwise the field
// at the end of the line is a name.
std::optional<QStringList> OpcLineTags(const QString& line)
{
    if (!line.startsWith(kOpcItem))
        return std::nullopt;
    const QStringList fields = Fields(line);
    const QString name = IsFirstField(fields, kOpcItem) && fields.size() >= 5 ? fields[3] : fields.back();
    // A line ending in a comma leaves an empty field, which names nothing.
    if (name.isEmpty())
        return QStringList();
    return QStringList{name};
}

// Where the line that starts at `from` ends: its CR or LF, or the end of the bytes.
qsizetype LineEnd(QByteArrayView bytes, qsizetype from)
{
    const char* const begin = bytes.data() + from;
    qsizetype length = bytes.size() - from;
    for (const char end : {'\r', '\n'}) {
        if (const void* found = std::memchr(begin, end, static_cast<size_t>(length)))
            length = static_cast<const char*>(found) - begin;
    }
    return from + length;
}

} // namespace

std::optional<QStringList> AsciiItemLineTags(const QString& line, AsciiItemFileFormat format)
{
    switch (format) {
    case AsciiItemFileFormat::Modbus:
        return ModbusLineTags(line);
    case AsciiItemFileFormat::Explorer:
        return ExplorerLineTags(line);
    case AsciiItemFileFormat::OpcItem:
        return OpcLineTags(line);
    }
    return std::nullopt;
}

// Every byte is one character: a name goes back onto the wire as it stood.
bool AsciiItemFileParser::Take(const QByteArray& line)
{
    std::optional<QStringList> tags = AsciiItemLineTags(QString::fromLatin1(line), m_Format);
    ++m_Lines;
    m_Read.tooManyNames = tags && m_Read.tags.size() + tags->size() > kMostAsciiItemNames;
    m_Stopped = !tags || m_Read.tooManyNames;
    if (m_Stopped)
        m_Read.failedLine = m_Lines;
    else
        m_Read.tags += std::move(*tags);
    return !m_Stopped;
}

// CR LF, LF and CR each end a line.
bool AsciiItemFileParser::Feed(QByteArrayView bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (m_Stopped)
            return false;
        if (std::exchange(m_AfterCr, false) && bytes[at] == '\n') {
            ++at; // the LF of a CR LF
            continue;
        }
        // A line's characters go over in one piece, not a byte at a time.
        const qsizetype end = LineEnd(bytes, at);
        m_Line.append(bytes.sliced(at, end - at));
        if (end == bytes.size())
            break;
        m_AfterCr = bytes[end] == '\r';
        Take(std::exchange(m_Line, QByteArray()));
        at = end + 1;
    }
    if (m_Line.size() > kLongestLine) { // not a line of an item file
        m_Stopped = true;
        m_Read.failedLine = m_Lines + 1;
        m_Read.lineTooLong = true;
    }
    return !m_Stopped;
}

AsciiItemFileRead AsciiItemFileParser::Finish()
{
    if (!m_Stopped && !m_Line.isEmpty())
        Take(m_Line);
    m_Read.complete = !m_Stopped;
    return m_Read;
}

AsciiItemFileRead ReadAsciiItemFile(const QString& path, AsciiItemFileFormat format)
{
    AsciiItemFileRead read;
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        read.error = FileErrorOf(file, errno);
        return read;
    }
    AsciiItemFileParser parser(format);
    while (!file.atEnd()) {
        errno = 0;
        const QByteArray chunk = file.read(kChunk);
        if (file.error() != QFileDevice::NoError) {
            read.error = FileErrorOf(file, errno);
            return read;
        }
        if (!parser.Feed(chunk))
            break;
    }
    return parser.Finish();
}

QByteArray AsciiItemFileContent(const QStringList& tags)
{
    QByteArray content;
    for (const QString& tag : tags)
        content += tag.toLatin1() + "\r\n";
    return content;
}

std::optional<FileError> WriteAsciiItemFile(const QString& path, const QStringList& tags)
{
    return WriteWholeFile(path, AsciiItemFileContent(tags));
}
