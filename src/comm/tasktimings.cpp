#include "tasktimings.h"

#include "link.h"
#include "shell/pageflow.h"

const ini::LinkTimingKeys& TaskLinkTimings(int whatToDo)
{
    switch (whatToDo) {
    case task::ModbusTest:
        return ini::kModbusTimings;
    case task::AsciiTest:
        return ini::kAsciiTimings;
    default:
        return ini::kFeatureTimings;
    }
}

void ReloadActiveTimings(Link& link, const IniFile& ini, int whatToDo)
{
    link.LoadTimings(ini, TaskLinkTimings(whatToDo));
}
