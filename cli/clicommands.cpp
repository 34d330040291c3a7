#include "clicommands.h"

#include "asciireadcommand.h"
#include "clisession.h"
#include "discovercommand.h"
#include "mbussendcommand.h"
#include "modbusreadcommand.h"
#include "metercommands.h"
#include "meterreadcommands.h"
#include "pingcommand.h"
#include "recordcommands.h"
#include "scancommands.h"
#include "setipcommand.h"
#include "sitecommand.h"

const QList<CliCommand>& CliCommands()
{
    static const QList<CliCommand> commands = {
        {MBusSendOptions(), PrepareMBusSend},
        {MBusInitOptions(), PrepareMBusInit},
        {MBusIdentifyOptions(), PrepareMBusIdentify},
        {MBusReadOptions(), PrepareMBusRead},
        {MBusSetAddressOptions(), PrepareMBusSetAddress},
        {MBusSetSpeedOptions(), PrepareMBusSetSpeed},
        {MBusAppResetOptions(), PrepareMBusAppReset},
        {DiscoverOptions(), PrepareDiscover},
        {PingOptions(), PreparePing},
        {RecordReadOptions(), PrepareRecordRead},
        {RecordWriteOptions(), PrepareRecordWrite},
        {SetIpOptions(), PrepareSetIp},
        {ModbusReadOptions(), PrepareModbusRead},
        {AsciiReadOptions(), PrepareAsciiRead},
        {ScanPrimaryOptions(), PrepareScanPrimary},
        {ScanSecondaryOptions(), PrepareScanSecondary},
        {SiteOptions(), PrepareSite},
    };
    return commands;
}

