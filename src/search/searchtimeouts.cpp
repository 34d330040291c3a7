#include "searchtimeouts.h"

#include "fastsearchkeys.h"
#include "base/inifile.h"
#include "base/settings.h"

#include <algorithm>
#include <array>

namespace {

const std::array<QString, kTimeoutOptions> kSpeeds = {QStringLiteral("300"), QStringLiteral("2400"), QStringLiteral("9600")};

// A value that does not start with a digit counts as missing: a box filled
// by hand with text must not turn into a zero timeout.
std::chrono::milliseconds ReadTimeout(const IniFile& ini, const IniKey& key)
{
    return std::chrono::milliseconds(std::max<qint64>(ini.ReadNumberOrDefault(key), 0));
}

} // namespace

QString TimeoutOptionSpeed(int option)
{
    return kSpeeds.at(static_cast<size_t>(std::clamp(option, 0, kTimeoutOptions - 1)));
}

SearchTimeoutPair SearchTimeoutsAt(const IniFile& ini, const QString& speed, ini::SearchGateway type)
{
    return {ReadTimeout(ini, ini::SearchSndNkeTimeout(speed, type)), ReadTimeout(ini, ini::SearchRspUd2Timeout(speed, type))};
}

QString TimeoutOptionCaption(const IniFile& ini, int option, ini::SearchGateway type)
{
    const QString speed = TimeoutOptionSpeed(option);
    return ini.Read(ini::SearchSndNkeTimeout(speed, type)) + QStringLiteral(" ms/")
        + ini.Read(ini::SearchRspUd2Timeout(speed, type)) + QStringLiteral(" ms (") + speed + QStringLiteral(" bps)");
}

ini::SearchGateway StoredActiveSetting(const Settings& settings)
{
    return settings.ReadInt(keys::Option_SearchActiveSetting) == 0 ? ini::SearchGateway::Aspen : ini::SearchGateway::Birch;
}

QList<IniKey> SearchTimeoutDialogKeys(ini::SearchGateway type)
{
    QList<IniKey> keys;
    for (const QString& speed : kSpeeds)
        keys << ini::SearchSndNkeTimeoutDialog(speed, type) << ini::SearchRspUd2TimeoutDialog(speed, type);
    return keys;
}

std::chrono::milliseconds ReadSearchDelay(const IniFile& ini, const IniKey& key)
{
    return ReadTimeout(ini, key);
}

std::optional<FastSearchLine> FastSearchLineAt(const IniFile& ini, const QString& speed)
{
    bool ok = false;
    const int baud = speed.toInt(&ok);
    if (!ok || baud <= 0)
        return std::nullopt;
    return FastSearchLine{baud, ReadSearchDelay(ini, ini::Search_GatewayAllowance)};
}
