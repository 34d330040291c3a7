#include "textencoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <iterator>

namespace {

// 0x80-0x9F of Windows-1252; the rest of the page equals Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString DecodeWindows1252(const QByteArray& bytes)
{
    QString text;
    text.resize(bytes.size());
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kHighControls[byte - 0x80]) : QChar(byte);
    }
    return text;
}

DecodedText DecodeTextKeepingEncoding(const QByteArray& bytes)
{
    const auto decodeWith = [&bytes](QStringDecoder::Encoding encoding, qsizetype markLength) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        return QString(decoder.decode(QByteArrayView(bytes).sliced(markLength)));
    };
    if (bytes.startsWith("\xFF\xFE"))
        return {decodeWith(QStringDecoder::Utf16LE, 2), TextEncoding::Utf16LE};
    if (bytes.startsWith("\xFE\xFF"))
        return {decodeWith(QStringDecoder::Utf16BE, 2), TextEncoding::Utf16BE};
    const bool marked = bytes.startsWith("\xEF\xBB\xBF");
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes).sliced(marked ? 3 : 0));
    if (!utf8.hasError())
        return {text, marked ? TextEncoding::Utf8WithMark : TextEncoding::Utf8};
    return {DecodeWindows1252(bytes), TextEncoding::Windows1252};
}

QString DecodeText(const QByteArray& bytes)
{
    return DecodeTextKeepingEncoding(bytes).text;
}

QByteArray EncodeText(const QString& text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool little = encoding == TextEncoding::Utf16LE;
        QStringEncoder encoder(little ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE, QStringEncoder::Flag::Stateless);
        return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(text));
    }
    case TextEncoding::Utf8WithMark:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Windows1252: {
        QByteArray bytes;
        bytes.reserve(text.size());
        for (const QChar c : text) {
            const char16_t unicode = c.unicode();
            if (unicode < 0x80 || (unicode >= 0xA0 && unicode < 0x100)) {
                bytes.append(static_cast<char>(unicode));
                continue;
            }
            const char16_t* high = std::find(std::begin(kHighControls), std::end(kHighControls), unicode);
            if (high == std::end(kHighControls))
                return text.toUtf8();
            bytes.append(static_cast<char>(0x80 + (high - std::begin(kHighControls))));
        }
        return bytes;
    }
    case TextEncoding::Utf8:
        break;
    }
    return text.toUtf8();
}
