// The data-record decoder on whatever a meter's reply holds.
#include "fuzzcheck.h"

#include "comm/mbusframe.h"
#include "features/datarecords.h"
#include "features/recordvalue.h"

namespace {

// Every record is a piece of the frame's user data, in frame order.
void CheckRecords(const QByteArray& frame)
{
    const DataRecords decoded = DecodeDataRecords(frame);
    qsizetype next = 0;
    for (const DataRecord& record : decoded.records) {
        const qsizetype begin = record.position - 1;
        FUZZ_CHECK(begin >= next);
        FUZZ_CHECK(begin + record.bytes.size() <= frame.size() - 2);
        FUZZ_CHECK(frame.mid(begin, record.bytes.size()) == record.bytes);
        next = begin + record.bytes.size();
    }
    FUZZ_CHECK(decoded.records.isEmpty() || decoded.error.isEmpty());
}

// The rest as user data (header and records) of a long frame whose length
// fields and checksum are right, so every input reaches the records.
QByteArray LongFrame(quint8 ci, const QByteArray& userData)
{
    const QByteArray body = QByteArray("\x08\x05", 2) + static_cast<char>(ci) + userData.left(252);
    QByteArray frame;
    frame += static_cast<char>(mbus::kLongStart);
    frame += static_cast<char>(body.size());
    frame += static_cast<char>(body.size());
    frame += static_cast<char>(mbus::kLongStart);
    frame += body;
    frame += static_cast<char>(MBusChecksum(body));
    frame += static_cast<char>(mbus::kStop);
    return frame;
}

// A scaled decimal read back without its point is the mantissa with the
// exponent's zeros.
void CheckScaledDecimal(const QByteArray& bytes, int exponent)
{
    if (bytes.size() < 8)
        return;
    qint64 mantissa = 0;
    for (int i = 0; i < 8; ++i)
        mantissa = static_cast<qint64>(static_cast<quint64>(mantissa) << 8 | static_cast<quint8>(bytes[i]));
    QString text = ScaledDecimal(mantissa, exponent);
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0) {
        FUZZ_CHECK(text.size() - point - 1 == -exponent);
        text.remove(point, 1);
    }
    QString expected = QString::number(mantissa);
    if (exponent > 0 && mantissa != 0)
        expected += QString(exponent, u'0');
    // leading zeros stand before the point of a small fraction
    const bool negative = text.startsWith(u'-');
    QString digits = negative ? text.mid(1) : text;
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    FUZZ_CHECK((negative && mantissa != 0 ? u'-' + digits : digits) == expected);
}

} // namespace

// An input that starts with 68h is taken as the frame; any other first byte
// chooses the CI (72h, or 76h for an odd byte) of a frame made around the rest.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzSteer input = Steered(data, size);
    if (input.steer == mbus::kLongStart) {
        CheckRecords(FuzzBytes(data, size));
        return 0;
    }
    CheckRecords(LongFrame((input.steer & 1) ? 0x76 : 0x72, input.rest));
    CheckScaledDecimal(input.rest, input.steer % 41 - 20);
    return 0;
}
