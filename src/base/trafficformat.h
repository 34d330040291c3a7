#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a line of the communication log shows.
enum class TrafficKind : qint16 { Received = 0, Sent = 1, Text = 2 };

// Bytes per hex line and the width of a line's data field.
constexpr int kTrafficBytesPerLine = 16;
constexpr int kTrafficDataWidth = 66;

// The millisecond tick count as the log has always shown it: a 32-bit count
// read as signed, with 2147483647 added when it reads negative.
qint64 TrafficTick(quint32 rawTick);

// " H:MM:SS.mmm" and the kind's marker (" <- ", " -> " or four blanks); the
// hours are not reduced modulo 24.
QString TrafficStamp(qint64 tick, TrafficKind kind);

// The lines one call adds: the first starts with the time of day and the
// stamp, the others are indented to the same column. Bytes give one line per
// 16, space-filled to 66 characters; bytes of the Text kind give one line,
// a character a byte. Empty data gives no line.
QStringList TrafficLines(const QString& timeOfDay, qint64 tick, const QByteArray& data, TrafficKind kind);

// A note as one Text line, its characters as they are; empty text gives no
// line.
QStringList TrafficTextLines(const QString& timeOfDay, qint64 tick, const QString& text);
