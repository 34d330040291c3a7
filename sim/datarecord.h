#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// Encoding of the values of EN 13757-3 data records, as a meter puts them
// after its header. The data field (low nibble of the first DIF) says how
// many bytes follow and whether they are binary or BCD.

// Bytes of the data field; nothing for the codes without a fixed size
// (8h selection, Dh variable length, Fh special functions).
std::optional<int> DataFieldSize(quint8 dif);

// The value in the data field of the DIF, least significant byte first;
// nothing (and the reason in error) when it does not fit or the field holds no number.
std::optional<QByteArray> EncodeRecordValue(quint8 dif, qint64 value, QString* error);

// Type G date (2 bytes) and type F date and time (4 bytes); years 2000-2099.
std::optional<QByteArray> EncodeDateG(const QDate& date, QString* error);
std::optional<QByteArray> EncodeDateTimeF(const QDateTime& dateTime, QString* error);

// Value as BCD of `bytes` bytes, least significant byte first; nothing when
// negative or too many digits.
std::optional<QByteArray> EncodeBcd(qint64 value, int bytes);
