#pragma once

// The language texts of the wizard's shared windows, by their number in the language files.
// A text shown on several floors is named on the lowest of them.
namespace shelltext {
constexpr int kDebugCaption = 20;
constexpr int kFileMenu = 130;
constexpr int kClearDebugList = 131;
constexpr int kSaveToDebugFile = 132;
constexpr int kToolsMenu = 135;
constexpr int kResetStats = 136;
constexpr int kTimeoutsMenu = 137;
constexpr int kSearchTimeoutsMenu = 138;
constexpr int kConnectionNotOpened = 158;
constexpr int kExit = 232;
constexpr int kNonStandard = 690;
constexpr int kClear = 750;
constexpr int kSave = 751;
constexpr int kFileComment = 752;
constexpr int kContinuousPoll = 753;
constexpr int kInterval = 754;
constexpr int kResponses = 755;
constexpr int kFailed = 756;
constexpr int kAppendLog = 1363;
} // namespace shelltext
