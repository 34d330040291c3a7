// The simulator's bus file, whatever a user typed into it.
#include "fuzzcheck.h"

#include "busconfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const BusConfigResult result = ParseBusConfig(FuzzBytes(data, size), QStringLiteral("fuzz.json"));
    (void)result;
    return 0;
}
