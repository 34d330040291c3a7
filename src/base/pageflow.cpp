#include "pageflow.h"

int SuccessorPage(int from, const FlowChoices& choices)
{
    switch (from) {
    case page::Welcome:
        return page::Task;
    case page::Task:
        switch (choices.whatToDo) {
        case task::FindGateways:
            return page::DeviceList;
        case task::AssignIp:
            return page::SetupMac;
        case task::Ping:
            return page::Ping;
        default:
            return page::Connection;
        }
    case page::DeviceList:
        return page::Task;
    case page::SetupMac:
        return page::IpSettings;
    case page::IpSettings:
        return choices.ipByNetwork ? page::SetIpByNetwork : page::SerialSetup;
    case page::SetIpByNetwork:
        return page::Task;
    case page::SerialSetup:
        return choices.whatToDo == task::NetworkSettings ? page::DeviceSettings : page::Task;
    case page::Ping:
        return page::Task;
    case page::Connection:
        switch (choices.whatToDo) {
        case task::NetworkSettings:
            return choices.reachBySerial ? page::SerialSetup : page::DeviceSettings;
        case task::MeterFeatures:
            return page::MeterFeature;
        case task::ModbusTest:
            return page::Modbus;
        case task::AsciiTest:
            return page::MBusAscii;
        default:
            return page::Connection;
        }
    case page::DeviceSettings:
        return page::WriteSettings;
    case page::WriteSettings:
        return page::Task;
    default:
        return from; // 60, 70, 80: Next is disabled there
    }
}

int PredecessorPage(int from, const FlowChoices& choices)
{
    switch (from) {
    case page::Task:
        return page::Welcome;
    case page::DeviceList:
    case page::SetupMac:
    case page::Ping:
    case page::Connection:
        return page::Task;
    case page::IpSettings:
        return page::SetupMac;
    case page::SetIpByNetwork:
        return page::IpSettings;
    case page::SerialSetup:
        return choices.whatToDo == task::NetworkSettings ? page::Connection : page::IpSettings;
    case page::DeviceSettings:
        return choices.reachBySerial ? page::SerialSetup : page::Connection;
    case page::WriteSettings:
        return page::DeviceSettings;
    case page::MeterFeature:
    case page::Modbus:
    case page::MBusAscii:
        return page::Connection;
    default:
        return page::Welcome;
    }
}

int PageWithoutAdapter(int target, const FlowChoices& choices, bool& refused)
{
    refused = true;
    switch (target) {
    case page::DeviceList:
        return page::Task;
    case page::IpSettings:
        if (choices.ipByNetwork)
            return page::SetupMac;
        break;
    case page::DeviceSettings:
        if (!choices.reachBySerial)
            return page::Connection;
        break;
    case page::Connection:
        return page::Connection;
    default:
        break;
    }
    refused = false;
    return target;
}
