#pragma once

// The order of the wizard's pages for each task.

namespace page {
enum : int {
    Welcome = 0,
    Task = 1,
    DeviceList = 10,
    SetupMac = 20,
    IpSettings = 21,
    SetIpByNetwork = 22,
    SerialSetup = 23,
    Ping = 30,
    Connection = 40,
    DeviceSettings = 50,
    WriteSettings = 55,
    MeterFeature = 60,
    Modbus = 70,
    MBusAscii = 80,
};
}

namespace task {
enum : int {
    FindGateways = 0,
    AssignIp = 1,
    Ping = 2,
    NetworkSettings = 3,
    MeterFeatures = 4,
    ModbusTest = 5,
    AsciiTest = 6,
};
}

// What the page order depends on besides the page itself.
struct FlowChoices {
    int whatToDo = 0;
    bool ipByNetwork = true;    // first Option_ChangeIPSettings button selected
    bool reachBySerial = false; // "Option_EnterIPAddress" is 1
};

// The page Next leads to from a page (the page itself where Next stays).
int SuccessorPage(int from, const FlowChoices& choices);

// The page Back leads to from a page.
int PredecessorPage(int from, const FlowChoices& choices);

// Without a network adapter the pages that need the LAN are refused: the page
// shown instead of the target, or the target itself when it may be shown.
// refused tells whether the refusal message is due.
int PageWithoutAdapter(int target, const FlowChoices& choices, bool& refused);
