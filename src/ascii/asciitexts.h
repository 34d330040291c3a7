#pragma once

// The language texts of the ASCII protocol test, by their number in the language files.
// A text shown on several floors is named on the lowest of them.
namespace asciitext {
constexpr int kAsciiHeader = 1100;
constexpr int kItemName = 1101;
constexpr int kProtocol = 1102;
constexpr int kMultidrop = 1103;
constexpr int kStationId = 1104;
constexpr int kValue = 1105;
constexpr int kItemFileFormat = 1106;
constexpr int kFirstFileFormat = 1107; // 1107-1109 the item file formats
constexpr int kRead = 1110;
constexpr int kWrite = 1111;
constexpr int kGetFile = 1112;
constexpr int kSaveFile = 1113;
constexpr int kDebug = 1114;
constexpr int kAsciiInfo = 1115;
constexpr int kItemNameTip = 1116;
constexpr int kFirstLoadText = 1117; // 1117-1122 per item file format: not read, then loaded
constexpr int kGetItemFileTitle = 1550;
constexpr int kSaveItemFileTitle = 1551;
constexpr int kReading = 1552;
constexpr int kNoItemName = 1553;
constexpr int kFailedLine = 1554;
constexpr int kFirstLineRule = 1555; // 1555-1557 per item file format: the rule its lines keep
constexpr int kLineTooLong = 1558;
constexpr int kTooManyNames = 1700;
} // namespace asciitext
