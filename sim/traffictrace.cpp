#include "traffictrace.h"

namespace {

QString Arrow(TrafficDirection direction)
{
    switch (direction) {
    case TrafficDirection::Received:
        return QStringLiteral("<-");
    case TrafficDirection::Sent:
        return QStringLiteral("->");
    case TrafficDirection::Dropped:
        return QStringLiteral("!!");
    }
    return {};
}

} // namespace

QString TrafficLine(const QDateTime& time, TrafficDirection direction, const QString& source,
                    const QByteArray& bytes)
{
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + QLatin1Char(' ') + Arrow(direction)
           + QLatin1Char(' ') + source + QLatin1Char(' ') + QString::fromLatin1(bytes.toHex(' ').toUpper());
}

bool TrafficTrace::Open(const QString& path, QString* error)
{
    m_File.close();
    m_File.setFileName(path);
    if (m_File.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return true;
    *error = QStringLiteral("cannot write trace file %1: %2").arg(path, m_File.errorString());
    return false;
}

void TrafficTrace::Write(TrafficDirection direction, const QString& source, const QByteArray& bytes)
{
    if (!m_File.isOpen())
        return;
    m_File.write(TrafficLine(QDateTime::currentDateTime(), direction, source, bytes).toUtf8() + '\n');
    m_File.flush();
}
