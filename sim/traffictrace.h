#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

enum class TrafficDirection {
    Received, // a frame from a client, on its way to the bus
    Sent,     // a reply to a client
    Dropped,  // bytes from a client that formed no frame
};

// "2024-05-01T10:00:00.123 <- udp:127.0.0.1:40000 10 40 01 41 16": time,
// direction as the client's log shows it (-> to the client), source, hex.
QString TrafficLine(const QDateTime& time, TrafficDirection direction, const QString& source,
                    const QByteArray& bytes);

// Writes every line at once, so the file is complete whenever the simulator stops.
class TrafficTrace {
public:
    bool Open(const QString& path, QString* error);
    void Write(TrafficDirection direction, const QString& source, const QByteArray& bytes);

private:
    QFile m_File;
};
