#pragma once

// The language texts of the connections, replies and timeouts, by their number in the language files.
// A text shown on several floors is named on the lowest of them.
namespace commtext {
constexpr int kTimeoutsCaption = 40;
constexpr int kApply = 230;
constexpr int kCancel = 231;
constexpr int kOk = 238;
constexpr int kFactoryDefaults = 239;
constexpr int kOpeningConnection = 364;
constexpr int kIdentity = 640;
constexpr int kManufacturer = 670; // 670-672 the short labels of the manufacturer, version and medium
constexpr int kVersion = 671;
constexpr int kMedium = 672;
constexpr int kFirstTimeoutCaption = 700; // 700-709 the name of each timeout
constexpr int kFirstTimeoutTip = 720; // 720-729 what each timeout is for
constexpr int kMilliseconds = 740;
constexpr int kNotANumber = 848;
constexpr int kRefused = 1340;
constexpr int kIncompleteReply = 1341;
} // namespace commtext
