#pragma once

#include <QString>

class Settings;

// How to reach the gateway, as the connection page left it in the settings.
struct ConnectionRequest {
    bool serial = false;
    // network
    QString host;
    quint16 port = 0;
    bool udp = true;
    // serial
    int portIndex = -1;       // 0 = COM1
    QString serialDevice;     // a device path given directly; takes precedence over portIndex
    QString lineSettings;     // "2400,E,8,1"
};

// Reads the request for a task. The M-Bus tasks always use E,8,1 whatever
// line settings are stored; the Modbus and ASCII tasks use the stored ones.
ConnectionRequest ConnectionRequestFromSettings(const Settings& settings, int task);

// The parts of a line settings text "baud,parity,databits,stopbits".
struct LineSettings {
    qint32 baud = 2400;
    QChar parity = u'E';
    int dataBits = 8;
    int stopBits = 1;
};
LineSettings ParseLineSettings(const QString& text);
