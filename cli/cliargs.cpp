#include "cliargs.h"
#include "climanpage.h"

#include "netsetup/recordedit.h"

#include <algorithm>
#include <climits>

namespace {

// The manual page, made from the texts --help shows (the package's build asks for it).
QCommandLineOption ManOption()
{
    QCommandLineOption man(QStringLiteral("man"), QStringLiteral("Write the manual page (troff)."));
    man.setFlags(QCommandLineOption::HiddenFromHelp);
    return man;
}

QList<QCommandLineOption> GlobalOptions()
{
    return {
        {QStringLiteral("app-dir"), QStringLiteral("Folder of Ostrand.INI and the language files."), QStringLiteral("DIR")},
        {QStringLiteral("language"), QStringLiteral("Language number for texts shown."), QStringLiteral("N")},
        {QStringLiteral("trace"), QStringLiteral("Write the communication log to standard error.")},
        {QStringLiteral("json"), QStringLiteral("Write results as JSON, one object per line.")},
        {QStringLiteral("repeat"), QStringLiteral("Run the operation N times (0 = until interrupted)."), QStringLiteral("N")},
        {QStringLiteral("interval"), QStringLiteral("Milliseconds between repeated runs."), QStringLiteral("MS")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help, or a command's own.")},
        {QStringLiteral("version"), QStringLiteral("Show the version.")},
        ManOption(),
    };
}

QCommandLineOption SerialOption()
{
    return {QStringLiteral("serial"), QStringLiteral("A serial device (COM3, /dev/ttyUSB0, a pseudo-terminal)."),
            QStringLiteral("DEVICE")};
}

QList<QCommandLineOption> TransportOptions(CommandTransport transport)
{
    switch (transport) {
    case CommandTransport::None:
        return {};
    case CommandTransport::SerialOnly:
        return {SerialOption()};
    case CommandTransport::Any:
        break;
    }
    return {
        {QStringLiteral("udp"), QStringLiteral("UDP to the gateway (default port 10001)."), QStringLiteral("HOST[:PORT]")},
        {QStringLiteral("tcp"), QStringLiteral("TCP to the gateway (default port 10001)."), QStringLiteral("HOST[:PORT]")},
        SerialOption(),
        {QStringLiteral("baud"), QStringLiteral("Serial speed."), QStringLiteral("N")},
        {QStringLiteral("parity"), QStringLiteral("Serial parity N, O, E, M or S (Modbus and ASCII)."), QStringLiteral("P")},
        {QStringLiteral("data-bits"), QStringLiteral("Serial data bits 7 or 8 (Modbus and ASCII)."), QStringLiteral("N")},
        {QStringLiteral("stop-bits"), QStringLiteral("Serial stop bits 1 or 2 (Modbus and ASCII)."), QStringLiteral("N")},
        {QStringLiteral("bus-delay"), QStringLiteral("Quiet time before each send, ms."), QStringLiteral("MS")},
        {QStringLiteral("bus-timeout"), QStringLiteral("Reply timeout, ms."), QStringLiteral("MS")},
        {QStringLiteral("open-timeout"), QStringLiteral("TCP connect limit, ms."), QStringLiteral("MS")},
    };
}

std::optional<qint64> Number(const QCommandLineParser& parser, const QString& name, bool& bad)
{
    if (!parser.isSet(name))
        return std::nullopt;
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (!ok || value < 0) {
        bad = true;
        return std::nullopt;
    }
    return value;
}

// The first argument that is not an option or an option's value: the
// command's name, or nothing.
QString CommandName(const QStringList& arguments, const QList<CommandOptions>& commands)
{
    QStringList takesValue;
    QList<QCommandLineOption> every = GlobalOptions() + TransportOptions(CommandTransport::Any);
    for (const CommandOptions& command : commands)
        every += command.options;
    for (const QCommandLineOption& option : every) {
        if (!option.valueName().isEmpty())
            takesValue += option.names();
    }
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--"))
            return i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (!argument.startsWith(u'-') || argument == QLatin1String("-"))
            return argument;
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (!name.contains(u'=') && takesValue.contains(name))
            ++i; // its value
    }
    return QString();
}

// Each shown option as its names with the value it takes ("--count N"), and
// its description.
QList<std::pair<QString, QString>> ShownOptions(const QList<QCommandLineOption>& options)
{
    QList<std::pair<QString, QString>> shown;
    for (const QCommandLineOption& option : options) {
        if (option.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        QStringList names;
        for (const QString& name : option.names())
            names << (name == QLatin1String("h") ? QStringLiteral("-h") : QStringLiteral("--") + name);
        QString head = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            head += u' ' + option.valueName();
        shown.append({head, option.description()});
    }
    return shown;
}

QString OptionLines(const QList<QCommandLineOption>& options)
{
    const QList<std::pair<QString, QString>> shown = ShownOptions(options);
    qsizetype width = 0;
    for (const auto& [head, text] : shown)
        width = std::max(width, head.size());
    QString lines;
    for (const auto& [head, text] : shown)
        lines += QStringLiteral("  ") + head.leftJustified(width + 2) + text + u'\n';
    return lines;
}

// Text for troff: a dot or quote starting a line would be a request, a
// backslash an escape; "\-" keeps option dashes plain hyphens.
QString Troff(QString text)
{
    text.replace(u'\\', QLatin1String("\\e")).replace(u'-', QLatin1String("\\-"));
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        if (line.startsWith(u'.') || line.startsWith(u'\''))
            line.prepend(QLatin1String("\\&"));
    }
    return lines.join(u'\n');
}

QString TroffOptions(const QList<QCommandLineOption>& options)
{
    QString page;
    for (const auto& [head, text] : ShownOptions(options))
        page += QStringLiteral(".TP\n.B ") + Troff(head) + u'\n' + Troff(text) + u'\n';
    return page;
}

} // namespace

QString NotAnAddress(const QString& text)
{
    return QStringLiteral("\"%1\" is not ADDRESS or ADDRESS:PORT (an address is four numbers 0-255 joined by dots)").arg(text);
}

std::optional<std::pair<QString, quint16>> HostAndPort(const QString& text, quint16 defaultPort)
{
    // Checked as typed, before anything could look a name up: "127.1" or a
    // third field would otherwise reach the resolver.
    const QStringList parts = text.split(u':');
    if (parts.size() > 2)
        return std::nullopt;
    const std::optional<QString> host = TypedAddress(parts.front());
    if (!host)
        return std::nullopt;
    if (parts.size() == 1)
        return std::make_pair(*host, defaultPort);
    bool ok = false;
    const uint port = parts.back().toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    return std::make_pair(*host, static_cast<quint16>(port));
}

std::optional<QString> TypedMac(const QString& text)
{
    const QStringList bytes = text.trimmed().toUpper().split(u'-');
    if (bytes.size() != 6)
        return std::nullopt;
    const auto hexDigit = [](QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'); };
    for (const QString& byte : bytes) {
        if (byte.size() != 2 || !std::all_of(byte.begin(), byte.end(), hexDigit))
            return std::nullopt;
    }
    return bytes.join(u'-');
}

QList<std::pair<QString, QString>> OptionsInOrder(const QStringList& arguments, const QStringList& names)
{
    QList<std::pair<QString, QString>> found;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        if (!argument.startsWith(QLatin1String("--")))
            continue;
        const qsizetype equals = argument.indexOf(u'=');
        const QString name = argument.mid(2, equals < 0 ? -1 : equals - 2);
        if (!names.contains(name))
            continue;
        if (equals >= 0)
            found.append({name, argument.mid(equals + 1)});
        else if (i + 1 < arguments.size())
            found.append({name, arguments[++i]});
    }
    return found;
}

std::optional<QString> ParseCliArgs(const QStringList& arguments, const QList<CommandOptions>& commands,
                                    QCommandLineParser& parser, CliArgs& args, const CommandOptions** commandFound)
{
    const QString name = CommandName(arguments, commands);
    const CommandOptions* command = nullptr;
    QStringList knownCommands;
    for (const CommandOptions& candidate : commands) {
        knownCommands << candidate.name;
        if (candidate.name == name)
            command = &candidate;
    }
    if (commandFound)
        *commandFound = command;

    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOptions(GlobalOptions());
    if (command) {
        parser.addOptions(TransportOptions(command->transport));
        parser.addOptions(command->options);
    }
    if (!parser.parse(arguments))
        return parser.errorText();
    if (parser.isSet(QStringLiteral("version")) && command)
        return QStringLiteral("--version shows the program's version and takes no command%1")
            .arg(name == QLatin1String("scan-secondary") ? QStringLiteral(" (the version mask is --meter-version)") : QString());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))
        || parser.isSet(QStringLiteral("man")))
        return std::nullopt;
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return QStringLiteral("no command given (one of: %1)").arg(knownCommands.join(QStringLiteral(", ")));
    args.command = positional.takeFirst();
    if (!command)
        return QStringLiteral("unknown command \"%1\"").arg(args.command);
    args.arguments = positional;
    args.parser = &parser;
    args.given = arguments;

    // the local address datagrams leave from is checked as typed, as every other address
    const bool takesAdapter = std::any_of(command->options.begin(), command->options.end(),
                                          [](const QCommandLineOption& option) { return option.names().contains(QStringLiteral("adapter")); });
    if (takesAdapter && parser.isSet(QStringLiteral("adapter")) && !TypedAddress(parser.value(QStringLiteral("adapter"))))
        return QStringLiteral("--adapter takes an IPv4 address (four numbers 0-255 joined by dots)");

    bool bad = false;
    args.appDir = parser.value(QStringLiteral("app-dir"));
    if (auto language = Number(parser, QStringLiteral("language"), bad))
        args.language = static_cast<int>(*language);
    args.trace = parser.isSet(QStringLiteral("trace"));
    args.json = parser.isSet(QStringLiteral("json"));
    if (auto repeat = Number(parser, QStringLiteral("repeat"), bad))
        args.repeat = static_cast<int>(std::min<qint64>(*repeat, INT_MAX));
    if (auto interval = Number(parser, QStringLiteral("interval"), bad))
        args.intervalMs = static_cast<int>(std::min<qint64>(*interval, INT_MAX));
    if (command->transport == CommandTransport::None) {
        if (bad)
            return QStringLiteral("a numeric option holds something that is not a number of 0 or more");
        return std::nullopt;
    }
    args.serial = parser.value(QStringLiteral("serial"));
    if (command->transport == CommandTransport::SerialOnly) {
        if (bad)
            return QStringLiteral("a numeric option holds something that is not a number of 0 or more");
        return std::nullopt;
    }
    args.udp = parser.value(QStringLiteral("udp"));
    args.tcp = parser.value(QStringLiteral("tcp"));
    if (auto baud = Number(parser, QStringLiteral("baud"), bad))
        args.baud = static_cast<qint32>(std::min<qint64>(*baud, 4000000));
    args.parity = parser.value(QStringLiteral("parity")).toUpper();
    if (auto bits = Number(parser, QStringLiteral("data-bits"), bad))
        args.dataBits = static_cast<int>(*bits);
    if (auto bits = Number(parser, QStringLiteral("stop-bits"), bad))
        args.stopBits = static_cast<int>(*bits);
    args.busDelayMs = Number(parser, QStringLiteral("bus-delay"), bad);
    args.busTimeoutMs = Number(parser, QStringLiteral("bus-timeout"), bad);
    args.openTimeoutMs = Number(parser, QStringLiteral("open-timeout"), bad);
    if (bad)
        return QStringLiteral("a numeric option holds something that is not a number of 0 or more");
    if (!args.parity.isEmpty() && !QStringLiteral("NOEMS").contains(args.parity.front()))
        return QStringLiteral("--parity takes N, O, E, M or S");
    if (args.dataBits && *args.dataBits != 7 && *args.dataBits != 8)
        return QStringLiteral("--data-bits takes 7 or 8");
    if (args.stopBits && *args.stopBits != 1 && *args.stopBits != 2)
        return QStringLiteral("--stop-bits takes 1 or 2");
    const int transports = (args.udp.isEmpty() ? 0 : 1) + (args.tcp.isEmpty() ? 0 : 1) + (args.serial.isEmpty() ? 0 : 1);
    if (transports > 1)
        return QStringLiteral("give only one of --udp, --tcp and --serial");
    for (const QString& address : {args.udp, args.tcp}) {
        if (!address.isEmpty() && !HostAndPort(address, 1))
            return NotAnAddress(address);
    }
    return std::nullopt;
}

QString CliUsage(const QList<CommandOptions>& commands)
{
    QString text = QStringLiteral("Usage: ostrand-cli [GLOBAL OPTIONS] COMMAND [OPTIONS] [ARGUMENTS]\n"
                                  "       ostrand-cli COMMAND --help   shows a command's own arguments and options\n\n"
                                  "Global options:\n");
    text += OptionLines(GlobalOptions());
    text += QStringLiteral("\nCommands:\n");
    qsizetype width = 0;
    for (const CommandOptions& command : commands)
        width = std::max(width, command.name.size());
    for (const CommandOptions& command : commands)
        text += QStringLiteral("  ") + command.name.leftJustified(width + 2) + command.summary + u'\n';
    return text.trimmed();
}

QString CommandHelp(const CommandOptions& command)
{
    QString text = QStringLiteral("Usage: ostrand-cli [GLOBAL OPTIONS] %1 [OPTIONS]").arg(command.name);
    if (!command.arguments.isEmpty())
        text += u' ' + command.arguments;
    text += QStringLiteral("\n\n") + command.summary + u'\n';
    const QList<QCommandLineOption> own = command.options + TransportOptions(command.transport);
    if (!own.isEmpty())
        text += QStringLiteral("\nOptions:\n") + OptionLines(own);
    return text.trimmed();
}

QString CliManPage(const QList<CommandOptions>& commands, const QString& version)
{
    QString page = QStringLiteral(".TH OSTRAND\\-CLI 1 \"\" \"ostrand %1\" \"User Commands\"\n").arg(version);
    page += QStringLiteral(".SH NAME\nostrand\\-cli \\- the setup wizard's device operations from the command line\n");
    page += QStringLiteral(".SH SYNOPSIS\n.B ostrand\\-cli\n[\\fIGLOBAL OPTIONS\\fR] \\fICOMMAND\\fR "
                           "[\\fIOPTIONS\\fR] [\\fIARGUMENTS\\fR]\n");
    page += QStringLiteral(".SH DESCRIPTION\nRuns the operations of the setup wizard without a window, for "
                           "scripts and bulk commissioning: one result per line as key=value pairs, or JSON with "
                           "\\-\\-json.\n");
    page += QStringLiteral(".SH GLOBAL OPTIONS\n") + TroffOptions(GlobalOptions());
    page += QStringLiteral(".SH COMMANDS\n");
    for (const CommandOptions& command : commands) {
        page += QStringLiteral(".SS ") + Troff(command.name) + u'\n';
        page += QStringLiteral(".B ostrand\\-cli ") + Troff(command.name) + u' ' + Troff(command.arguments) + u'\n';
        page += QStringLiteral(".PP\n") + Troff(command.summary) + u'\n';
        page += TroffOptions(command.options + TransportOptions(command.transport));
    }
    page += QStringLiteral(".SH EXIT STATUS\n0 the operation succeeded; 1 the device did not answer, answered with an "
                           "error, or refused, or the operation was interrupted; 2 a usage error or a file that cannot be read "
                           "or written.\n");
    page += QStringLiteral(".SH FILES\nOstrand.INI and the language files beside the program, in the folder of "
                           "\\-\\-app\\-dir, or in /usr/share/ostrand; a user's Ostrand.INI in "
                           "~/.config/Ostrand.\n");
    page += QStringLiteral(".SH SEE ALSO\n.BR ostrand (1),\n.BR ostrand\\-sim (1)\n");
    return page;
}
