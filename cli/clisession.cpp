#include "clisession.h"

#include "base/apppath.h"
#include "base/inifilelocation.h"
#include "base/textencoding.h"
#include "netsetup/netsetuptexts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>

namespace {

// The language file in a folder: the one asked for, or the lowest number.
QString LanguageFileIn(const QString& folder, std::optional<int> number)
{
    if (number)
        return LanguageFilePath(folder, LanguageSettingValue(*number));
    const QList<LanguageChoice> choices = ListLanguageFiles(folder);
    if (choices.isEmpty())
        return QString();
    return std::min_element(choices.begin(), choices.end(), [](const auto& a, const auto& b) {
        return a.number < b.number;
    })->filePath;
}

// From the program folder in use; where it has none (an --app-dir kept for
// its INI file alone), from the files installed beside the program.
void Warn(const QString& text)
{
    std::fprintf(stderr, "ostrand-cli: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// A missing or damaged file is said, since every text would read "Invalid Text (n)".
void LoadLanguageFile(Language& language, const QString& appPath, std::optional<int> number)
{
    QString path = LanguageFileIn(appPath, number);
    if (path.isEmpty())
        path = LanguageFileIn(WithTrailingSeparator(QCoreApplication::applicationDirPath()), number);
    if (path.isEmpty()) {
        Warn(QStringLiteral("no language file%1 found in %2: messages show text numbers")
                 .arg(number ? QStringLiteral(" for language %1").arg(*number) : QString(), appPath));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || language.AppendEntries(DecodeText(file.readAll())) == 0)
        Warn(QStringLiteral("the language file %1 holds no texts (damaged?): messages show text numbers").arg(path));
}

// The timings are read from the INI file; one that cannot be read leaves the defaults.
void CheckIniFile(const IniFile& ini)
{
    const QFileInfo info(ini.Path());
    if (info.exists() && (!info.isFile() || !info.isReadable()))
        Warn(QStringLiteral("%1 cannot be read (%2): the default timings are used").arg(ini.Path(), info.isFile() ? QStringLiteral("permission denied") : QStringLiteral("it is a folder")));
}
} // namespace

CliSession::CliSession(const CliArgs& args)
    : m_Args(args)
    , m_AppPath(args.appDir.isEmpty() ? WithTrailingSeparator(QCoreApplication::applicationDirPath())
                                      : WithTrailingSeparator(args.appDir))
    , m_Ini(std::make_unique<IniFile>(IniFileFor(m_AppPath)))
{
    LoadLanguageFile(m_Language, m_AppPath, args.language);
    CheckIniFile(*m_Ini);
    if (args.trace) {
        m_Log.SetDebugLogging(true);
        m_Log.SetMaxDebugLines(1); // the lines go to standard error; nothing needs keeping
        QObject::connect(&m_Log, &TrafficLog::linesAdded, [](const QStringList& lines) {
            for (const QString& line : lines)
                std::fprintf(stderr, "%s\n", qPrintable(line));
            std::fflush(stderr);
        });
    }
    m_Connection = std::make_unique<Connection>(*m_Ini, m_Log, m_Operations);
    m_Link = std::make_unique<Link>(*m_Connection, m_Log);
    m_Link->sendFailed = [this](const QString& description) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(m_Language.GetLanguageText(netsetuptext::kNotSent) + QStringLiteral(": '") + description
                                + u'\''));
    };
}

std::optional<CliResult> CliSession::OpenTransport(const ini::LinkTimingKeys& timings, qint32 defaultBaud, bool mbusLine)
{
    m_Link->LoadTimings(*m_Ini, timings);
    if (m_Args.busDelayMs)
        m_Link->BusDelay = std::chrono::milliseconds(*m_Args.busDelayMs);
    if (m_Args.busTimeoutMs)
        m_Link->BusTimeout = std::chrono::milliseconds(*m_Args.busTimeoutMs);
    if (m_Args.openTimeoutMs)
        m_Link->OpenTimeout = std::chrono::milliseconds(*m_Args.openTimeoutMs);

    ConnectionRequest request;
    QString described;
    if (!m_Args.serial.isEmpty()) {
        request.serial = true;
        static const QRegularExpression comName(QStringLiteral("^COM(\\d{1,2})$"), QRegularExpression::CaseInsensitiveOption);
        if (const auto match = comName.match(m_Args.serial); match.hasMatch())
            request.portIndex = match.captured(1).toInt() - 1;
        else
            request.serialDevice = m_Args.serial;
        const qint32 baud = m_Args.baud.value_or(defaultBaud);
        request.lineSettings = mbusLine ? QStringLiteral("%1,E,8,1").arg(baud)
                                        : QStringLiteral("%1,%2,%3,%4")
                                              .arg(baud)
                                              .arg(m_Args.parity.isEmpty() ? QStringLiteral("N") : m_Args.parity.left(1))
                                              .arg(m_Args.dataBits.value_or(8))
                                              .arg(m_Args.stopBits.value_or(1));
        described = QStringLiteral("serial device %1").arg(m_Args.serial);
    } else {
        const QString address = !m_Args.tcp.isEmpty() ? m_Args.tcp : !m_Args.udp.isEmpty() ? m_Args.udp : m_FoundUdp;
        if (address.isEmpty())
            return CliResult::Failure(CliResult::Outcome::UsageOrFile, QStringLiteral("give the gateway with --udp, --tcp or --serial"));
        const auto hostPort = HostAndPort(address, kDefaultGatewayPort);
        if (!hostPort || hostPort->first.isEmpty())
            return CliResult::Failure(CliResult::Outcome::UsageOrFile, NotAnAddress(address));
        request.host = hostPort->first;
        request.port = hostPort->second;
        request.udp = m_Args.tcp.isEmpty();
        described = QStringLiteral("%1 %2:%3").arg(request.udp ? QStringLiteral("UDP") : QStringLiteral("TCP"),
                                                   request.host).arg(request.port);
    }
    m_OpenedRequest = request;
    m_OpenedDescription = described;
    return Open();
}

std::optional<CliResult> CliSession::ReopenIfClosed()
{
    if (m_Connection->ConnectionOpen())
        return std::nullopt;
    return Open();
}

std::optional<CliResult> CliSession::Open()
{
    if (m_Connection->OpenConnection(m_OpenedRequest, m_Link->OpenTimeout))
        return std::nullopt;
    QString error = QStringLiteral("cannot open %1").arg(m_OpenedDescription);
    if (!m_Connection->LastSocketError().isEmpty())
        error += QStringLiteral(": ") + m_Connection->LastSocketError();
    return CliResult::Failure(CliResult::Outcome::DeviceFailure, error);
}
