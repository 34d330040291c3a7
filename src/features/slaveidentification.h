#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What the header of a meter's reply to REQ_UD2 tells about the meter.
// Positions count from 1 at the first 68h of the long frame: byte 6 is the
// responding address, byte 7 the CI field, and the user data run from byte
// 8 to the byte before the checksum.
struct SlaveIdentification {
    QString address;         // the responding address in decimal; empty when the frame has no byte 6
    std::optional<quint8> ci;
    QString id;              // 8 hex digits, most significant first
    QString manufacturer;    // 4 hex digits
    QString letters;         // the manufacturer's three letters; empty for code 0
    QString version;         // 2 hex digits
    QString medium;          // 2 hex digits
    bool fixedStructure = false;
    // The CI promises fields that the user data are too short to hold; the
    // fields whose bytes did arrive are filled.
    bool truncated = false;
};

// Decodes the header of a reply; never reads past the bytes given.
// CI 72h/76h: the variable structure's identification, manufacturer,
// version and medium; CI 73h/77h: the fixed structure's identification, with
// "FFFF", "FF", "FF" for the rest; any other CI leaves the fields empty.
SlaveIdentification DecodeSlaveIdentification(const QByteArray& frame);

// A Birch V2 gateway answering as its own slave reports the bus voltage and
// current in its reply to REQ_UD2.
struct BusValues {
    QString voltage; // volts, plain decimal ("36.5")
    QString current; // milliamperes
};

// Whether the reply comes from a Birch V2 gateway: version "02" and the
// manufacturer code of "KVX".
bool IsBirchV2(const SlaveIdentification& identification);

// The bus voltage (frame positions 29-30) and current (34-35), each a
// 16-bit signed value, least significant byte first, in tenths. Nothing
// when the user data end before position 35.
std::optional<BusValues> BirchV2BusValues(const QByteArray& frame);
