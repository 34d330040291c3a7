#pragma once

// The language texts of the wizard window and its own pages, by their number in the language files.
// A text shown on several floors is named on the lowest of them.
namespace apptext {
constexpr int kWizardCaption = 10;
constexpr int kClosingWhenIdle = 11;
constexpr int kWelcomeHeader = 100;
constexpr int kWelcomeInfo = 101;
constexpr int kTaskInfo = 102;
constexpr int kTaskQuestion = 103;
constexpr int kChangeLanguage = 104;
constexpr int kLanguageAtNextStart = 105;
constexpr int kBack = 233;
constexpr int kNext = 234;
constexpr int kConnectionQuestion = 360;
constexpr int kConnectionQuestionInfo = 361;
constexpr int kConnectionHeader = 362;
constexpr int kConnectionInfo = 363;
constexpr int kConnectionPort = 401;
constexpr int kConnectionSerialPort = 402;
constexpr int kMBusSpeed = 403;
constexpr int kOverNetworkInfo = 404;
constexpr int kOverSerialPortInfo = 405;
constexpr int kBaudRate = 406;
constexpr int kDataBits = 407;
constexpr int kParity = 408;
constexpr int kStopBits = 409;
constexpr int kWebPageQuestion = 900;
constexpr int kNoBrowser = 901;
constexpr int kStartBrowserYourself = 902;
constexpr int kDemoButton = 1310;
constexpr int kDemoHeader = 1311;
constexpr int kDemoInfo = 1312;
constexpr int kDemoNotStarted = 1313;
constexpr int kDemoLoopbackOnly = 1314;
constexpr int kDemoSite = 1315;
constexpr int kMBusPort = 1316;
constexpr int kModbusPort = 1317;
constexpr int kAsciiPort = 1318;
constexpr int kTimingFileNotKept = 1361;
constexpr int kTimingChangesLost = 1362;
constexpr int kCloseQuestion = 1600;
constexpr int kLanguageCaption = 1601;
constexpr int kLanguagePrompt = 1602;
constexpr int kLightsMeaning = 1603;
constexpr int kEndDemo = 1604;
constexpr int kEndDemoInfo = 1605;
} // namespace apptext
