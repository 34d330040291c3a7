#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The M-Bus application layer (EN 13757-3) as this program sends and reads
// it: the CI field, the header that opens a meter's RSP_UD and the
// manufacturer code. Bytes in, values out; the frame around them is
// mbusframe's.
namespace mbus {

// Control information field values of requests.
constexpr quint8 kCiApplicationReset = 0x50;
constexpr quint8 kCiDataSend = 0x51;
constexpr quint8 kCiSelectSlave = 0x52;
// The bus speed commands: B8h 300 baud, each next one twice as fast, BFh 38400 baud.
constexpr quint8 kCiFirstSpeed = 0xB8;
constexpr quint8 kCiLastSpeed = 0xBF;
// The line speeds a gateway's record and its meters use, by the index the
// record keeps (and the speed command adds to B8h).
inline const QList<int> kLineSpeeds = {300, 600, 1200, 2400, 4800, 9600};

// Control information field values of a meter's RSP_UD.
constexpr quint8 kCiVariableReply = 0x72;
constexpr quint8 kCiFixedReply = 0x73;
// The same with their numbers sent most significant byte first.
constexpr quint8 kCiVariableReplyMsbFirst = 0x76;
constexpr quint8 kCiFixedReplyMsbFirst = 0x77;

// Identification (4), manufacturer (2), version, medium, access number,
// status, signature (2).
constexpr int kVariableHeaderBytes = 12;
// Identification (4), access number, status, the medium and unit bytes (2).
constexpr int kFixedHeaderBytes = 8;

} // namespace mbus

// The CI announces the variable data structure (72h, 76h).
bool IsVariableStructure(quint8 ci);

// The CI announces the fixed data structure (73h, 77h).
bool IsFixedStructure(quint8 ci);

// The header that opens the user data of a variable-structure reply, as far
// as its bytes arrived: a field whose bytes did not all arrive stays empty.
// Every field is read least significant byte first.
struct VariableHeader {
    std::optional<quint32> identification; // the BCD digits as they read: 12345678h for "12345678"
    std::optional<quint16> manufacturer;
    std::optional<quint8> version;
    std::optional<quint8> medium;
    std::optional<quint8> accessNumber;
    std::optional<quint8> status;
    std::optional<quint16> signature;
};
VariableHeader ReadVariableHeader(const QByteArray& userData);

// The header of the fixed data structure, before its two counters, as far as
// its bytes arrived. Its identification arrives most significant byte first
// when msbFirst (CI 77h).
struct FixedHeader {
    std::optional<quint32> identification;
    std::optional<quint8> accessNumber;
    std::optional<quint8> status;
    // The medium and unit byte of counter 1 (low byte) and counter 2 (high byte).
    std::optional<quint16> mediumUnit;
};
FixedHeader ReadFixedHeader(const QByteArray& userData, bool msbFirst);

// The identification as its eight digits, most significant first.
QString IdentificationText(quint32 identification);

// The three letters of a manufacturer code: each letter in five bits, the
// first one highest, as the character 64 + its bits; codes beyond A-Z are
// taken as they come. Empty for 0.
QString ManufacturerLetters(quint16 code);

// The code of three letters A-Z; nothing for any other text.
std::optional<quint16> ManufacturerCode(const QString& letters);

// The four hex digits of a manufacturer code, as the header shows it.
QString ManufacturerText(quint16 code);
