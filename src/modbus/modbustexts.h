#pragma once

// The language texts of the Modbus test, by their number in the language files.
// A text shown on several floors is named on the lowest of them.
namespace modbustext {
constexpr int kModbusHeader = 1000;
constexpr int kProtocol = 1001;
constexpr int kSlaveAddress = 1002;
constexpr int kFunction = 1003;
constexpr int kFirstRegister = 1004;
constexpr int kRegisterCount = 1005;
constexpr int kRegister = 1006;
constexpr int kDataType = 1007;
constexpr int kWordOrder = 1008;
constexpr int kBytes = 1009;
constexpr int kValue = 1010;
constexpr int kDescription = 1011;
constexpr int kCountRegisters = 1012;
constexpr int kRead = 1013;
constexpr int kWrite = 1014;
constexpr int kClear = 1015;
constexpr int kSave = 1016;
constexpr int kGet = 1017;
constexpr int kDebug = 1018;
constexpr int kFunctionTip = 1019;
constexpr int kConfigLoaded = 1020;
constexpr int kNotAConfigFile = 1021;
constexpr int kShowAllOrders = 1022;
constexpr int kPlot = 1023;
constexpr int kAllWordOrders = 1024;
constexpr int kAllWordOrdersInfo = 1025;
constexpr int kClose = 1026;
constexpr int kPlotCaption = 1027;
constexpr int kSavePng = 1028;
constexpr int kSaveCsv = 1029;
constexpr int kTime = 1030;
constexpr int kPlotInfo = 1031;
constexpr int kSavePlot = 1032;
constexpr int kBadSlaveAddress = 1343;
constexpr int kNoRegisters = 1344;
constexpr int kFunctionHolding = 1560;
constexpr int kFunctionInput = 1561;
constexpr int kBadFirstRegister = 1562;
constexpr int kPlotRowLabel = 1564;
} // namespace modbustext
