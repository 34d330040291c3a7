#include "tasktimings.h"

#include "link.h"
#include "base/pageflow.h"

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
