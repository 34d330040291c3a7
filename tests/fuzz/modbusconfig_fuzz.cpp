// The Modbus page's configuration file, whatever an editor left in it.
#include "fuzzcheck.h"

#include "modbus/modbusconfigfile.h"

namespace {

bool operator==(const ModbusConfigRequest& a, const ModbusConfigRequest& b)
{
    return a.autoRegister == b.autoRegister && a.framing == b.framing && a.functionIndex == b.functionIndex
           && a.slaveAddress == b.slaveAddress && a.firstRegister == b.firstRegister
           && a.registerCount == b.registerCount;
}

bool operator==(const ModbusConfigRow& a, const ModbusConfigRow& b)
{
    return a.typeCode == b.typeCode && a.orderCode == b.orderCode && a.registerText == b.registerText
           && a.bytesText == b.bytesText && a.valueText == b.valueText && a.description == b.description;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ModbusConfigLoad load = ParseModbusConfiguration(FuzzBytes(data, size));
    if (!load.recognised) {
        FUZZ_CHECK(!load.request && load.rows.isEmpty() && !load.error);
        return 0;
    }
    if (!load.request)
        return 0;
    // what was read, saved and read again, is what was read
    const ModbusConfiguration read{*load.request, load.rows};
    const ModbusConfigLoad again = ParseModbusConfiguration(FormatModbusConfiguration(read));
    FUZZ_CHECK(again.recognised && !again.error && again.request);
    FUZZ_CHECK(*again.request == read.request);
    FUZZ_CHECK(again.rows.size() == read.rows.size());
    for (qsizetype i = 0; i < read.rows.size(); ++i)
        FUZZ_CHECK(again.rows[i] == read.rows[i]);
    return 0;
}
