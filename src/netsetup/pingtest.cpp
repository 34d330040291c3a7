#include "pingtest.h"

#include "netsetuptexts.h"
#include "comm/deviceoperations.h"
#include "base/inifile.h"
#include "base/language.h"
#include "base/settingkeys.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

MillisecondClock SteadyClock()
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    return [started] { return started->elapsed(); };
}

} // namespace

PingTestSettings PingTestSettingsFromIni(const IniFile& ini)
{
    PingTestSettings settings;
    settings.numberOfPings = static_cast<int>(std::clamp<qint64>(ini.ReadNumber(ini::IP_NumberOfPings),
                                                                 std::numeric_limits<qint16>::min(),
                                                                 std::numeric_limits<qint16>::max()));
    settings.delay = std::chrono::milliseconds(
        std::clamp<qint64>(ini.ReadNumber(ini::IP_PingDelay), 0, std::numeric_limits<qint32>::max()));
    return settings;
}

PingTestResult RunPingTest(const QString& address, const PingTestSettings& settings, const Language& language,
                           const Pinger& pinger, PingTestSink& sink, DeviceOperations& operations,
                           const MillisecondClock& clock)
{
    const MillisecondClock now = clock ? clock : SteadyClock();
    const QString ms = language.GetLanguageText(netsetuptext::kPingMilliseconds);
    PingTestResult result;
    const DeviceOperationScope operation(operations);
    if (!operation)
        return result;
    sink.SetText(language.GetLanguageText(netsetuptext::kPinging) + kLineBreak);

    for (int count = 1; count <= settings.numberOfPings; ++count) {
        result.count = count;
        const qint64 t0 = now();
        sink.AppendText(kLineBreak + language.GetLanguageText(netsetuptext::kPing) + u' ' + QString::number(count));
        const bool answered = pinger && pinger(address);
        const qint64 took = now() - t0;
        result.totalMs += took;
        sink.EchoDone(count, answered, took);
        if (answered) {
            const QString time = took == 0 ? QStringLiteral("< 1") : QString::number(took);
            sink.AppendText(QStringLiteral(" - ") + language.GetLanguageText(netsetuptext::kReplyAfter) + u' ' + time
                            + u' ' + ms + u'.');
            operations.Pause(settings.delay);
            if (operations.CancelRequested())
                return result;
            continue;
        }
        sink.AppendText(QStringLiteral(" - ") + language.GetLanguageText(netsetuptext::kNoReplyAfter) + u' '
                        + QString::number(took) + u' ' + ms + u'.');
        if (count != settings.numberOfPings) {
            sink.AppendText(kLineBreak + kLineBreak + language.GetLanguageText(netsetuptext::kGatewayDoesNotAnswer));
            return result;
        }
    }
    sink.AppendText(kLineBreak + kLineBreak + language.GetLanguageText(netsetuptext::kTestFinished) + u' '
                    + QString::number(result.count) + u' ' + language.GetLanguageText(netsetuptext::kPingsTotalTime)
                    + u' ' + QString::number(result.totalMs) + u' ' + ms + u'.');
    result.completed = true;
    return result;
}
