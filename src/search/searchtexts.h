#pragma once

// The language texts of the meter search, by their number in the language files.
// A text shown on several floors is named on the lowest of them.
namespace searchtext {
constexpr int kSearchCaption = 50;
constexpr int kSearchTimeoutsCaption = 60;
constexpr int kStart = 800;
constexpr int kMethod = 801;
constexpr int kPrimaryOption = 802;
constexpr int kSecondaryOption = 803;
constexpr int kViewFoundOnly = 804;
constexpr int kPrimaryFrame = 805;
constexpr int kFirst = 806;
constexpr int kLast = 807;
constexpr int kSecondaryFrame = 808;
constexpr int kExclude = 809;
constexpr int kFirstColumn = 810; // 810-817 name columns 2-9
constexpr int kAddressColumn = 811;
constexpr int kSndNkeColumn = 812;
constexpr int kReadoutColumn = 813;
constexpr int kIdentificationColumn = 814;
constexpr int kManufacturerColumn = 815;
constexpr int kVersionColumn = 816;
constexpr int kMediumColumn = 817;
constexpr int kSelectionColumn = 818;
constexpr int kProbing = 819;
constexpr int kSelected = 820;
constexpr int kAcknowledged = 821;
constexpr int kRead = 822;
constexpr int kProbesIn = 823;
constexpr int kSeconds = 824;
constexpr int kCollision = 825;
constexpr int kDeviceColumn = 827;
constexpr int kBirchGateway = 829;
constexpr int kSpeedNotReadable = 830;
constexpr int kChooseTimeouts = 831;
constexpr int kContinueQuestion = 832;
constexpr int kRecordNotRead = 833;
constexpr int kSpeedUnknown = 834;
constexpr int kOwnTimeouts = 835;
constexpr int kChooseInTimeoutBox = 836;
constexpr int kLongTimeouts = 837;
constexpr int kNoCancelsSearch = 838;
constexpr int kSearchCancelled = 839;
constexpr int kPrimaryTimeout = 840;
constexpr int kSaveTxt = 841;
constexpr int kSaveCsv = 842;
constexpr int kSecondaryTimeout = 843;
constexpr int kFastSearch = 844;
constexpr int kCopyIdentification = 845;
constexpr int kConnectionLost = 846;
constexpr int kBadMask = 847;
constexpr int kAspen = 1200;
constexpr int kBirch = 1201;
constexpr int kFunctionBaud = 1202;
constexpr int kActiveSetting = 1203;
constexpr int kFastSearchCheck = 1300;
constexpr int kGatewayAllowance = 1301;
constexpr int kAborted = 1360;
constexpr int kAppendReport = 1380;
constexpr int kSetPrimaryAddress = 1520;
constexpr int kSetPrimaryAddressTitle = 1521;
constexpr int kNewPrimaryAddressPrompt = 1522;
constexpr int kChangeAddress = 1523;
} // namespace searchtext
