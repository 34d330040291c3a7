#pragma once

// The language texts of the meter features, by their number in the language files.
// A text shown on several floors is named on the lowest of them.
namespace featuretext {
constexpr int kReadingIdentification = 171;
constexpr int kReplyReceived = 172;
constexpr int kNoReplyToRead = 173;
constexpr int kInitialising = 174;
constexpr int kMeterAcknowledged = 175;
constexpr int kNoReply = 176;
constexpr int kMeterSelected = 177;
constexpr int kSelectionUnanswered = 178;
constexpr int kSendingSetting = 179;
constexpr int kSettingAcknowledged = 180;
constexpr int kSettingNotAcknowledged = 181;
constexpr int kFirstInitialisingHeader = 610; // 610-615 the header of each function when the meter is initialised first
constexpr int kFirstFunctionHeader = 620; // 620-625 the header of each function
constexpr int kFirstFunctionInfo = 630; // 630-635 what each function does
constexpr int kPrimaryAddress = 641;
constexpr int kFromAddress = 642;
constexpr int kIdentificationNumber = 643;
constexpr int kPrimaryAddressOfMeter = 644;
constexpr int kSecondaryAddress = 645;
constexpr int kSecondaryAddressParts = 646;
constexpr int kFixedStructure = 647;
constexpr int kFixedStructureNoDiagnostics = 648;
constexpr int kReplyFrame = 649;
constexpr int kFirstFunctionOption = 650; // 650-655 the choice of each function
constexpr int kUseSecondaryAddress = 656;
constexpr int kBroadcast = 657;
constexpr int kAlwaysInitialise = 658;
constexpr int kAlwaysResetApplication = 659;
constexpr int kNewPrimaryAddress = 660;
constexpr int kNewBusSpeed = 661;
constexpr int kResetSubcode = 662;
constexpr int kDebug = 663;
constexpr int kFunction = 664;
constexpr int kMeter = 665;
constexpr int kUseSecondaryAddressTip = 666;
constexpr int kBroadcastTip = 667;
constexpr int kAlwaysInitialiseTip = 668;
constexpr int kAlwaysResetApplicationTip = 669;
constexpr int kPrimaryAddressTip = 673;
constexpr int kNewPrimaryAddressTip = 674;
constexpr int kFirstSecondaryFieldTip = 675; // 675-678 the tips of the identification, manufacturer, version and medium
constexpr int kRunTip = 679;
constexpr int kDebugTip = 680;
constexpr int kSearchTip = 681;
constexpr int kResetSubcodeTip = 682;
constexpr int kNewBusSpeedTip = 683;
constexpr int kHeaderTooShort = 684;
constexpr int kBusValuesMissing = 685;
constexpr int kDataRecords = 686;
constexpr int kRecordError = 687;
constexpr int kNoRecords = 688;
constexpr int kFirstApplyButton = 691; // 691-696 the button of each function
constexpr int kNoSubcode = 760;
constexpr int kFirstSubcode = 761; // 761-776 the reset subcodes 0-15
constexpr int kResettingApplication = 780;
constexpr int kSearchMeters = 826;
constexpr int kChangeUnawaited = 1320;
constexpr int kChangeNotSent = 1322;
constexpr int kChangeSentToAll = 1323;
constexpr int kChangeCollision = 1324;
constexpr int kEveryMeterQuestion = 1325;
constexpr int kCollision = 1342;
} // namespace featuretext
