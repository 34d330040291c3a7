// Meter identification from a reply to a search, on any bytes.
#include "fuzzcheck.h"

#include "comm/mbusframe.h"
#include "search/meterdecoding.h"

namespace {

int HexOf(const SearchResultRow& row, int field)
{
    bool ok = false;
    const int value = ParseListX(row.Text(field), field).toInt(&ok, 16);
    FUZZ_CHECK(ok);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray frame = FuzzBytes(data, size);
    SearchResultRow row;
    row.Text(rowtext::kProbed) = QStringLiteral("probed");
    const SearchResultRow before = row;
    if (!ExtractMeterData(frame, row)) {
        FUZZ_CHECK(row == before);
        return 0;
    }
    // only a whole, checked frame with the fixed header is decoded
    FUZZ_CHECK(CheckMBusReply(frame).complete && frame.size() >= 17);
    const auto byte = [&frame](int at) { return static_cast<quint8>(frame[at]); };
    FUZZ_CHECK(row.Text(rowtext::kProbed) == before.Text(rowtext::kProbed));
    FUZZ_CHECK(row.Text(rowtext::kAddress) == QString::number(byte(5)));

    // what the row shows reads back as the bytes it came from
    bool ok = false;
    const quint32 identification = ParseListX(row.Text(rowtext::kIdentification), rowtext::kIdentification).toUInt(&ok, 16);
    FUZZ_CHECK(ok);
    FUZZ_CHECK(identification == (quint32(byte(10)) << 24 | quint32(byte(9)) << 16 | quint32(byte(8)) << 8 | byte(7)));
    if (byte(6) == 0x73)
        return 0; // the fixed structure names no maker, version or medium
    FUZZ_CHECK(HexOf(row, rowtext::kManufacturer) == byte(12) * 256 + byte(11));
    FUZZ_CHECK(HexOf(row, rowtext::kVersion) == byte(13));
    if (byte(14) < kNamedMedia)
        FUZZ_CHECK(HexOf(row, rowtext::kMedium) == byte(14));
    FUZZ_CHECK(!row.Text(rowtext::kDevice).isEmpty());
    return 0;
}
