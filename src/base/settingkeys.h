#pragma once

#include "inifile.h"

#include <QString>

// Every key of the per-user store and of the INI file, with its default,
// declared here and nowhere else.

// A key of the per-user store; all of them live in section "Wizard".
struct SettingKey {
    QString key;
    QString defaultValue;
};

// A per-task key of the per-user store: the task index is appended to the
// name ("SerialPort_" 3).
struct TaskSettingKey {
    QString prefix;
    QString defaultValue;

    SettingKey ForTask(int task) const { return {prefix + QString::number(task), defaultValue}; }
};

namespace keys {

inline const QString kWizardSection = QStringLiteral("Wizard");

inline const SettingKey Option_SelectWhatToDo{QStringLiteral("Option_SelectWhatToDo"), QStringLiteral("0")};
inline const SettingKey Option_ChangeIPSettings{QStringLiteral("Option_ChangeIPSettings"), QStringLiteral("0")};
inline const SettingKey Option_DHCP{QStringLiteral("Option_DHCP"), QStringLiteral("1")};
inline const SettingKey Option_EnterIPAddress{QStringLiteral("Option_EnterIPAddress"), QStringLiteral("0")};
inline const SettingKey Option_SelectMeterFeature{QStringLiteral("Option_SelectMeterFeature"), QStringLiteral("0")};
inline const SettingKey SelectedAdapterDescription{QStringLiteral("SelectedAdapterDescription"), QString()};
inline const SettingKey SelectedAdapterIP{QStringLiteral("SelectedAdapterIP"), QString()};
inline const SettingKey Text_SetupIP_MacAddress{QStringLiteral("Text_SetupIP_MacAddress"), QStringLiteral("00-20-4A-00-00-00")};
inline const SettingKey MACAddress{QStringLiteral("MACAddress"), QStringLiteral("00-20-4A-00-00-00")};

// Per-task line settings. The connection opener reads the port without a
// default: the connection page has stored it before.
inline const TaskSettingKey SerialPort{QStringLiteral("SerialPort_"), QStringLiteral("0")};
inline const TaskSettingKey SerialPortForConnection{QStringLiteral("SerialPort_"), QString()};
inline const TaskSettingKey Combo_EnterIPAddress_BaudRate{QStringLiteral("Combo_EnterIPAddress_BaudRate_"), QStringLiteral("3")};
inline const TaskSettingKey SerialDatabits{QStringLiteral("SerialDatabits_"), QStringLiteral("1")};
inline const TaskSettingKey SerialStopbits{QStringLiteral("SerialStopbits_"), QStringLiteral("0")};
inline const TaskSettingKey SerialParity{QStringLiteral("SerialParity_"), QStringLiteral("0")};

inline const SettingKey IPAddress{QStringLiteral("IPAddress"), QStringLiteral("192.168.0.10")};
inline const SettingKey IPAddressForConnection{QStringLiteral("IPAddress"), QString()};
inline const SettingKey Gateway{QStringLiteral("Gateway"), QStringLiteral("192.168.0.1")};
inline const SettingKey NetMask{QStringLiteral("NetMask"), QStringLiteral("255.255.255.0")};
// The connection page shows 10001 and stores it when left; the connection
// opener falls back to 8001 when the page never stored a port.
inline const SettingKey TCPPort{QStringLiteral("TCPPort"), QStringLiteral("10001")};
inline const SettingKey TCPPortForConnection{QStringLiteral("TCPPort"), QStringLiteral("8001")};
inline const SettingKey UDPorTCP{QStringLiteral("UDPorTCP"), QStringLiteral("1")};

inline const SettingKey MeterFeature_LineSpeed{QStringLiteral("MeterFeature_LineSpeed"), QString()};
inline const SettingKey MeterFeature_TestAndDiagnostics{QStringLiteral("MeterFeature_TestAndDiagnostics"), QString()};
inline const SettingKey MeterFeature_UseSecondaryAddress{QStringLiteral("MeterFeature_UseSecondaryAddress"), QString()};
inline const SettingKey MeterFeature_Address_0{QStringLiteral("MeterFeature_Address_0"), QString()};
inline const SettingKey MeterFeature_Address_1{QStringLiteral("MeterFeature_Address_1"), QString()};
inline const SettingKey MeterFeature_AppReset{QStringLiteral("MeterFeature_AppReset"), QString()};
inline const TaskSettingKey MeterFeature_Sec_Address{QStringLiteral("MeterFeature_Sec_Address_"), QString()}; // 0 to 3
inline const SettingKey MeterFeature_AlwaysInit{QStringLiteral("MeterFeature_AlwaysInit"), QStringLiteral("0")};
inline const SettingKey MeterFeature_AlwaysApp{QStringLiteral("MeterFeature_AlwaysApp"), QStringLiteral("0")};

inline const SettingKey Language{QStringLiteral("Language"), QString()};

inline const TaskSettingKey ListView_SearchColumn{QStringLiteral("ListView_SearchColumn_"), QStringLiteral("1000")}; // 2 to 10
inline const SettingKey Check_SND_NKE{QStringLiteral("Check_SND_NKE"), QStringLiteral("1")};
inline const SettingKey Check_REQ_UD2{QStringLiteral("Check_REQ_UD2"), QStringLiteral("1")};
inline const SettingKey Check_ViewFoundOnly{QStringLiteral("Check_ViewFoundOnly"), QStringLiteral("0")};
inline const SettingKey Text_LowPrimaryAddress{QStringLiteral("Text_LowPrimaryAddress"), QStringLiteral("0")};
inline const SettingKey Text_HighPrimaryAddress{QStringLiteral("Text_HighPrimaryAddress"), QStringLiteral("250")};
inline const SettingKey Option_SearchMethod{QStringLiteral("Option_SearchMethod"), QStringLiteral("0")};
inline const SettingKey Option_Search_Timeout{QStringLiteral("Option_Search_Timeout"), QStringLiteral("0")};
// Where the user left the search window: "left,top,width,height" (frame
// position, inside size); empty until it was closed once.
inline const SettingKey Ostrand_Search_Place{QStringLiteral("Ostrand_Search_Place"), QString()};
inline const SettingKey Option_SearchActiveSetting{QStringLiteral("Option_SearchActiveSetting"), QStringLiteral("0")};

// The folder each kind of file was last saved to or loaded from, where its
// next Save or Load dialog opens.
inline const SettingKey Folder_ModbusConfiguration{QStringLiteral("Folder_ModbusConfiguration"), QString()};
inline const SettingKey Folder_AsciiItems{QStringLiteral("Folder_AsciiItems"), QString()};
inline const SettingKey Folder_SearchExport{QStringLiteral("Folder_SearchExport"), QString()};
inline const SettingKey Folder_Log{QStringLiteral("Folder_Log"), QString()};

} // namespace keys

namespace ini {

inline const IniKey IP_ScanTimeOut{QStringLiteral("IP"), QStringLiteral("ScanTimeOut"), QStringLiteral("1000")};
inline const IniKey IP_UDPTimeOut{QStringLiteral("IP"), QStringLiteral("UDPTimeOut"), QStringLiteral("1000")};
inline const IniKey IP_ResetTimeOut{QStringLiteral("IP"), QStringLiteral("ResetTimeOut"), QStringLiteral("10000")};
inline const IniKey IP_WriteTimeOut{QStringLiteral("IP"), QStringLiteral("WriteTimeOut"), QStringLiteral("15000")};
inline const IniKey IP_OpenTimeOut{QStringLiteral("IP"), QStringLiteral("OpenTimeOut"), QStringLiteral("5000")};
inline const IniKey IP_SerialTimeOut{QStringLiteral("IP"), QStringLiteral("SerialTimeOut"), QStringLiteral("1000")};
inline const IniKey IP_BusDelay{QStringLiteral("IP"), QStringLiteral("BusDelay"), QStringLiteral("50")};
inline const IniKey IP_BusTimeOut{QStringLiteral("IP"), QStringLiteral("BusTimeOut"), QStringLiteral("3000")};
inline const IniKey IP_NumberOfPings{QStringLiteral("IP"), QStringLiteral("NumberOfPings"), QStringLiteral("4")};
inline const IniKey IP_PingDelay{QStringLiteral("IP"), QStringLiteral("PingDelay"), QStringLiteral("500")};
inline const IniKey IP_RebootDHCPDelay{QStringLiteral("IP"), QStringLiteral("RebootDHCPDelay"), QStringLiteral("10000")};

inline const IniKey ModBus_BusDelay{QStringLiteral("ModBus"), QStringLiteral("BusDelay"), QStringLiteral("50")};
inline const IniKey ModBus_BusTimeout{QStringLiteral("ModBus"), QStringLiteral("BusTimeout"), QStringLiteral("3000")};
inline const IniKey ModBus_OpenTimeout{QStringLiteral("ModBus"), QStringLiteral("OpenTimeout"), QStringLiteral("5000")};

inline const IniKey MBusASCII_BusDelay{QStringLiteral("MBusASCII"), QStringLiteral("BusDelay"), QStringLiteral("50")};
inline const IniKey MBusASCII_BusTimeout{QStringLiteral("MBusASCII"), QStringLiteral("BusTimeout"), QStringLiteral("3000")};
inline const IniKey MBusASCII_OpenTimeout{QStringLiteral("MBusASCII"), QStringLiteral("OpenTimeout"), QStringLiteral("5000")};

inline const IniKey Debug_PollInterval{QStringLiteral("Debug"), QStringLiteral("PollInterval"), QStringLiteral("10000")};
inline const IniKey Debug_MaxDebugLines{QStringLiteral("Debug"), QStringLiteral("MaxDebugLines"), QStringLiteral("500")};

inline const IniKey Search_CollisionPrimDelay{QStringLiteral("Search"), QStringLiteral("CollisionPrimDelay"), QStringLiteral("3000")};
inline const IniKey Search_CollisionSecDelay{QStringLiteral("Search"), QStringLiteral("CollisionSecDelay"), QStringLiteral("3000")};

// Search timeouts per line speed ("300", "2400", "9600") and gateway type
// ("Aspen", "Birch"). The timeouts dialog shows its own defaults; the search
// itself falls back to 1000 ms and 10000 ms until the dialog has been saved.
enum class SearchGateway { Aspen, Birch };
IniKey SearchSndNkeTimeout(const QString& baud, SearchGateway type);        // search default "1000"
IniKey SearchRspUd2Timeout(const QString& baud, SearchGateway type);        // search default "10000"
IniKey SearchSndNkeTimeoutDialog(const QString& baud, SearchGateway type);  // dialog default
IniKey SearchRspUd2TimeoutDialog(const QString& baud, SearchGateway type);  // dialog default

// The task's section for the transaction timings: "IP" for the feature page,
// "ModBus" and "MBusASCII" for the Modbus and ASCII pages.
struct LinkTimingKeys {
    IniKey busDelay;
    IniKey busTimeout;
    IniKey openTimeout;
};
inline const LinkTimingKeys kFeatureTimings{IP_BusDelay, IP_BusTimeOut, IP_OpenTimeOut};
inline const LinkTimingKeys kModbusTimings{ModBus_BusDelay, ModBus_BusTimeout, ModBus_OpenTimeout};
inline const LinkTimingKeys kAsciiTimings{MBusASCII_BusDelay, MBusASCII_BusTimeout, MBusASCII_OpenTimeout};

} // namespace ini
