#include "searchplan.h"

#include "searchlink.h"
#include "searchtimeouts.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "netsetup/networksettings.h"
#include "netsetup/recordtransfer.h"
#include "base/inifile.h"

#include <QElapsedTimer>

namespace {

SearchLine LearnLine(const SearchRequest& request, const SearchLineSource& source, RememberedHost& remembered,
                     SearchStartQuestions& questions, const Language& language)
{
    const bool timeoutsGiven = request.sndNkeTimeout && request.reqUd2Timeout && !request.fast
        && source.connection.Mode() != ConnectionMode::Serial;
    if (request.lineSpeed.isEmpty() && !timeoutsGiven)
        return DetermineSearchLine(source, remembered, questions, language);
    SearchLine line;
    line.speed = request.lineSpeed;
    line.portsettings = ConnectionPortsettings(source.connection);
    return line;
}

} // namespace

void UseTimeoutOption(SearchTiming& timing, const IniFile& ini, int option, ini::SearchGateway type)
{
    const QString speed = TimeoutOptionSpeed(option);
    const SearchTimeoutPair pair = SearchTimeoutsAt(ini, speed, type);
    timing.sndNkeTimeout = pair.sndNke;
    timing.rspUd2Timeout = pair.rspUd2;
    if (timing.fast) {
        const bool serial = timing.fast->serial;
        timing.fast = FastSearchLineAt(ini, speed);
        if (timing.fast)
            timing.fast->serial = serial;
    }
}

SearchPlan PlanSearch(const SearchRequest& request, const SearchLineSource& source, RememberedHost& remembered,
                      SearchStartQuestions& questions, const Language& language, const IniFile& ini)
{
    SearchPlan plan;
    plan.method = request.method;
    plan.primary = request.primary;
    plan.secondary = request.secondary;
    plan.fast = request.fast;
    plan.line = LearnLine(request, source, remembered, questions, language);

    SearchTiming& timing = plan.timing;
    const SearchTimeoutPair pair = SearchTimeoutsAt(ini, plan.line.speed, request.gatewayType);
    timing.sndNkeTimeout = pair.sndNke;
    timing.rspUd2Timeout = pair.rspUd2;
    if (request.fast)
        timing.fast = FastSearchLineAt(ini, plan.line.speed.isEmpty() ? request.assumedSpeed : plan.line.speed);
    if (timing.fast)
        timing.fast->serial = source.connection.Mode() == ConnectionMode::Serial;
    if (plan.line.manualTimeouts)
        UseTimeoutOption(timing, ini, request.timeoutOption, request.gatewayType);
    if (request.sndNkeTimeout)
        timing.sndNkeTimeout = *request.sndNkeTimeout;
    if (request.reqUd2Timeout)
        timing.rspUd2Timeout = *request.reqUd2Timeout;
    timing.busDelay = request.busDelay;
    timing.collisionPrimDelay = ReadSearchDelay(ini, ini::Search_CollisionPrimDelay);
    timing.collisionSecDelay = ReadSearchDelay(ini, ini::Search_CollisionSecDelay);
    return plan;
}

std::optional<ChannelSettings> ReadLineRecord(Connection& connection, const Language& language, const IniFile& ini,
                                              const LineRecordRead& read)
{
    RecordTransfer transfer(connection, language);
    transfer.SetRemotePort(read.configPort);
    transfer.AdapterIP = read.adapterIP;
    if (read.warn)
        transfer.WarnThrough(read.warn);
    DeviceRecords scratch;
    const auto timeout = std::chrono::milliseconds(ini.ReadNumberOrDefault(ini::IP_UDPTimeOut));
    return ReadNetworkSettings(transfer, read.records ? *read.records : scratch, TransferMode::Network, read.address,
                               timeout);
}

SearchOutcome RunSearch(const SearchPlan& plan, const SearchParts& parts, SearchRowSink& sink)
{
    SearchOutcome outcome;
    const DeviceOperationScope operation(parts.operations);
    if (!operation || !plan.Runnable())
        return outcome;
    SearchLink link(parts.connection, parts.link, parts.log);
    link.SearchFrameDelay = plan.timing.busDelay;
    MeterScan scan(link, parts.operations, parts.language, sink, plan.timing);
    QElapsedTimer clock;
    clock.start();
    if (plan.method == SearchMethod::Primary)
        scan.RunPrimary(plan.primary);
    else
        scan.RunSecondary(plan.secondary);
    outcome.elapsed = std::chrono::nanoseconds(clock.nsecsElapsed());
    outcome.counters = scan.Counters();
    outcome.aborted = scan.BreakFlag();
    outcome.connectionLost = scan.ConnectionLost();
    outcome.requiredWaiting = link.RequiredWaiting();
    outcome.allowance = scan.AllowanceUsed();
    return outcome;
}
