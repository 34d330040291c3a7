#pragma once

#include <QByteArray>
#include <QString>

// The value library: the Modbus RTU check value and the text of a register
// value. Pure functions; callers pass byte strings as received.
namespace valuelib {

// The size of the text buffer FillString writes into.
constexpr int kBufferSize = 260;

// Type codes, in the order of the Modbus page's type list.
enum TypeCode : int {
    kInt16 = 0,
    kUInt16 = 1,
    kInt32 = 2,
    kUInt32 = 3,
    kInt64 = 4,
    kUInt64 = 5,
    kFloat = 6,
    kDFloat = 7,
    kChar2 = 8, // kChar2 ... kChar16: 2, 4, ... 16 characters
    kChar16 = 15,
    kTypeCount = 16,
};

// Word order codes: the position of the order in a type's list. A letter
// names a byte of the value, A the most significant; the order lists the
// bytes as they arrive in the register data.
//   0 "AB" / "ABCD": as received, most significant byte first.
//   1 "BA" / "DCBA": every byte reversed, least significant first.
//   2 "CDAB": the 16-bit registers in reverse order, each register's bytes
//     most significant first. For an 8-byte value the four registers arrive
//     least significant first: G H E F C D A B.
//   3 "BADC": the registers in order, the two bytes of each swapped. For an
//     8-byte value: B A D C F E H G.
// A one-register value has no registers to reorder: 2 reads as 0, 3 as 1.
enum WordOrder : int { kAsReceived = 0, kReversed = 1, kRegistersSwapped = 2, kBytesSwapped = 3, kOrderCount = 4 };

// The bytes a value of the type takes; 0 for an unknown code.
int ValueTypeBytes(int typeCode);

// The CRC-16 of the Modbus serial line (polynomial A001h reflected, start
// FFFFh) over the first `count` bytes of the data (at most all of them).
// The low 16 bits of the result are the check value; it is sent low byte
// first.
qint32 CRC16(QByteArrayView data, qint32 count);

// Writes the value of the bytes (the value's bytes as received) as text
// into the destination, from its first character on; the rest of the
// destination keeps its blanks. Integers are written as decimal numbers,
// floating-point values in the shortest text that reads back as the same
// value ("NaN", "Inf", "-Inf" where they are not numbers), characters as
// they are, with a backslash escape (\xHH, \\) for anything not printable
// ASCII. Only min(source size, byteCount) bytes are used: when they are
// fewer than the type needs, the text gives those bytes in hex and says how
// many of how many arrived. An unknown type or word order says so. The text
// never runs past the destination's size (at most kBufferSize characters).
void FillString(const QByteArray& source, int typeCode, int wordOrderCode, QByteArray& destination, int byteCount);

// FillString into a fresh buffer of blanks, trimmed, as the callers show it.
QString ValueText(const QByteArray& source, int typeCode, int wordOrderCode, int byteCount);

} // namespace valuelib
