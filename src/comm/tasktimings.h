#pragma once

#include "base/settingkeys.h"

class IniFile;
class Link;

// The INI section whose transaction timings a task works with: "ModBus" for
// the Modbus test, "MBusASCII" for the ASCII protocol test and "IP" for
// every other task.
const ini::LinkTimingKeys& TaskLinkTimings(int whatToDo);

// Loads BusDelay, BusTimeout and OpenTimeout of the task's section into the
// link, as they are in use after the timeouts have been edited.
void ReloadActiveTimings(Link& link, const IniFile& ini, int whatToDo);
