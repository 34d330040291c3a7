#include "searchstart.h"

#include "searchtexts.h"
#include "comm/connection.h"
#include "comm/mbusapplication.h"
#include "base/language.h"
#include "base/textfields.h"
#include "netsetup/discoveryanswer.h"

#include <QStringList>

namespace {

namespace text {
constexpr int kBirch[] = {searchtext::kBirchGateway, searchtext::kSpeedNotReadable, searchtext::kChooseTimeouts,
                          searchtext::kContinueQuestion};
constexpr int kRecordAdvice[] = {searchtext::kOwnTimeouts, searchtext::kChooseInTimeoutBox, searchtext::kLongTimeouts,
                                 searchtext::kNoCancelsSearch, searchtext::kContinueQuestion};
} // namespace text

QString NetworkPortsettings(const ConnectionRequest& request, bool udp)
{
    return (udp ? QStringLiteral("UDP: ") : QStringLiteral("TCP: ")) + request.host + u':'
        + QString::number(request.port);
}

QString SerialPortName(const ConnectionRequest& request)
{
    return request.serialDevice.isEmpty() ? QStringLiteral("COM") + QString::number(request.portIndex + 1)
                                          : request.serialDevice;
}

} // namespace

QString LineSpeedOfIndex(int index)
{
    return index >= 0 && index < mbus::kLineSpeeds.size() ? QString::number(mbus::kLineSpeeds[index]) : QString();
}

QString ConnectionPortsettings(const Connection& connection)
{
    const ConnectionRequest& request = connection.Request();
    if (connection.Mode() == ConnectionMode::Serial)
        return QStringLiteral("Serial: ") + SerialPortName(request) + QStringLiteral(" (") + request.lineSettings + u')';
    return NetworkPortsettings(request, connection.Mode() == ConnectionMode::Udp);
}

QString BirchGatewayQuestionText(const Language& language)
{
    QStringList lines;
    for (const int id : text::kBirch)
        lines << language.GetLanguageText(id);
    return lines.join(QStringLiteral("\r\n"));
}

QString UnreadableRecordQuestionText(const Language& language, const QString& typedAddress)
{
    QStringList lines;
    lines << language.GetLanguageText(searchtext::kRecordNotRead) + u' ' + typedAddress + QStringLiteral(", ")
            + language.GetLanguageText(searchtext::kSpeedUnknown);
    for (const int id : text::kRecordAdvice)
        lines << language.GetLanguageText(id);
    return lines.join(QStringLiteral("\r\n"));
}

SearchLine DetermineSearchLine(const SearchLineSource& source, RememberedHost& remembered,
                               SearchStartQuestions& questions, const Language& language)
{
    SearchLine line;
    const Connection& connection = source.connection;
    const ConnectionRequest& request = connection.Request();
    switch (connection.Mode()) {
    case ConnectionMode::Serial:
        if (connection.SerialPortOpen()) {
            line.speed = GetField(request.lineSettings, 0, QStringLiteral(","));
            line.portsettings = ConnectionPortsettings(connection);
        } else {
            line.portsettings = SerialPortName(request) + QStringLiteral(" could  not be opened!");
            line.refused = true;
        }
        return line;
    case ConnectionMode::Udp:
    case ConnectionMode::Tcp:
        break;
    case ConnectionMode::None:
        return line;
    }
    line.portsettings = ConnectionPortsettings(connection);
    const QString host = request.host;
    if (host == source.selectedDeviceIP && source.selectedDeviceType == DeviceTypeBirch) {
        if (remembered.host == host && remembered.accepted) {
            line.manualTimeouts = true;
        } else if (questions.AskBirchGateway()) {
            line.manualTimeouts = true;
            remembered.accepted = true;
        } else {
            line.refused = true;
            remembered.accepted = false; // the answer belongs to this host now
        }
        remembered.host = host;
        return line;
    }
    if (const std::optional<ChannelSettings> record = source.readRecord ? source.readRecord() : std::nullopt) {
        line.speed = LineSpeedOfIndex(record->lineSpeed);
        line.portsettings = NetworkPortsettings(request, record->udp);
        return line;
    }
    if (remembered.accepted) {
        line.manualTimeouts = true;
    } else if (questions.AskUnreadableRecord()) {
        line.speed = QStringLiteral("300");
        line.manualTimeouts = true;
        remembered.accepted = true;
    } else {
        line.portsettings = source.typedAddress + u' ' + language.GetLanguageText(searchtext::kSearchCancelled);
        line.refused = true;
    }
    return line;
}
