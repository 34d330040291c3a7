// The accessors of a configuration record read from a device, whatever its
// length and bytes.
#include "fuzzcheck.h"

#include "netsetup/record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzSteer input = Steered(data, size);
    cRecord record(input.steer % 8);
    record.SetBytes(input.rest);
    record.Get_IPAddress();
    record.Get_Gateway();
    record.Get_NetMask();
    record.Get_IPPort();
    record.Get_IsUsingUDP();
    record.Get_TelnetPassword();
    record.Get_LineSpeed();
    record.Get_AllowTelnet();
    record.Get_Allow77FE();

    // what a getter reads, its setter writes back unchanged
    cRecord copy = record;
    if (copy.Set_IPAddress(record.Get_IPAddress()) && copy.Set_Gateway(record.Get_Gateway())
        && copy.Set_IPPort(record.Get_IPPort()))
        FUZZ_CHECK(copy.Bytes() == record.Bytes());
    FUZZ_CHECK(copy.Bytes().size() == record.Bytes().size());

    cRecord restored = record;
    restored.RestoreRecordToDefault(true);
    FUZZ_CHECK(restored.Bytes().size() == (record.RecordNumber() == 0 ? 120 : 126));
    return 0;
}
