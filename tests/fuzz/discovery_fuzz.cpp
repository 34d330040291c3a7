// A discovery answer of any length from any gateway.
#include "fuzzcheck.h"

#include "netsetup/discoveryanswer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const DiscoveryAnswer answer = ParseDiscoveryAnswer(FuzzBytes(data, size), QStringLiteral("127.0.0.1"));
    FUZZ_CHECK(answer.mac.size() == 17); // six hex pairs, short answers count 00h
    FUZZ_CHECK(answer.serialNumber.has_value() == (answer.type == DeviceTypeBirch));
    FUZZ_CHECK(answer.family.isEmpty() == (answer.type == DeviceTypeUnknown));
    return 0;
}
