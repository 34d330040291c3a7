#include "textfields.h"

QString GetField(const QString& text, int n, const QString& separator)
{
    if (n < 0 || separator.isEmpty())
        return n == 0 ? text : QString();
    qsizetype start = 0;
    for (int field = 0; field < n; ++field) {
        const qsizetype found = text.indexOf(separator, start);
        if (found < 0)
            return QString();
        start = found + separator.size();
    }
    const qsizetype end = text.indexOf(separator, start);
    return end < 0 ? text.mid(start) : text.mid(start, end - start);
}

QString Hex2(quint8 byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString CsvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}
