// The ASCII page's item files in their three formats, read in pieces of
// any size as a file is.
#include "fuzzcheck.h"

#include "ascii/asciiitemfile.h"

#include <algorithm>

namespace {

AsciiItemFileRead Read(const QByteArray& content, AsciiItemFileFormat format, qsizetype piece)
{
    AsciiItemFileParser parser(format);
    const QByteArrayView bytes(content);
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        if (!parser.Feed(bytes.sliced(at, std::min(piece, bytes.size() - at))))
            break;
    }
    return parser.Finish();
}

} // namespace

// The first byte chooses the format and the size of the pieces.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzSteer input = Steered(data, size);
    const auto format = static_cast<AsciiItemFileFormat>(input.steer % 3);
    const AsciiItemFileRead whole = Read(input.rest, format, std::max<qsizetype>(input.rest.size(), 1));
    const AsciiItemFileRead pieces = Read(input.rest, format, 1 + input.steer / 3 % 16);
    // where the file is cut into pieces makes no difference
    FUZZ_CHECK(whole.tags == pieces.tags && whole.complete == pieces.complete);
    FUZZ_CHECK(!whole.error);

    // names saved are read back as they were; a name of the first format has two dots at least
    QStringList saved;
    for (const QString& tag : whole.tags) {
        if (tag.count(u'.') >= 2)
            saved << tag;
    }
    const AsciiItemFileRead again = Read(AsciiItemFileContent(saved), AsciiItemFileFormat::Modbus, 4096);
    FUZZ_CHECK(again.complete && again.tags == saved);
    return 0;
}
