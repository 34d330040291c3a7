// The log window's continuous poll, for a long time: the Modbus page reads
// six registers from ostrand-sim (a process of its own, over TCP) every
// 10 ms with the log window open. Every report interval it prints the polls
// answered and failed, the resident memory and the open file handles and
// threads of this process, so a leak shows as a line that keeps rising.
//   soak_bench PORT [SECONDS] [REPORT_SECONDS] [INTERVAL_MS]   (defaults 3600, 60, 10)
#include "modbus/modbuspage.h"
#include "shell/debugwindow.h"
#include "base/inifile.h"
#include "base/language.h"
#include "shell/resultlabel.h"
#include "base/settingkeys.h"
#include "base/settings.h"
#include "base/trafficlog.h"
#include "shell/wizardsession.h"
#include "shell/plainwizardhost.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

qint64 StatusValue(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').front().toLongLong();
    return -1;
}

qsizetype OpenHandles()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: soak_bench PORT [SECONDS] [REPORT_SECONDS] [INTERVAL_MS]\n");
        return 2;
    }
    const QString port = args[1];
    const qint64 seconds = args.size() > 2 ? args[2].toLongLong() : 3600;
    const int reportSeconds = args.size() > 3 ? args[3].toInt() : 60;
    const QString interval = args.size() > 4 ? args[4] : QStringLiteral("10");

    QTemporaryDir dir;
    const QString appPath = dir.path() + u'/';
    for (const char* number : {"001", "049"})
        QFile::copy(QStringLiteral(OSTRAND_SOURCE_DIR "/lang/Ostrand_Language.") + QLatin1String(number),
                    appPath + QStringLiteral("Ostrand_Language.") + QLatin1String(number));
    WizardSession session(Settings::AtFile(dir.filePath(QStringLiteral("settings.conf"))),
                          IniFile(appPath + QStringLiteral("Ostrand.INI")), appPath);
    WizardContext& context = session.Context();
    Settings& settings = context.settings;
    Language& language = context.language;
    TrafficLog& log = context.log;
    settings.Save(keys::Language, QStringLiteral("001"));
    language.LoadLanguage(settings, appPath);
    settings.Save(keys::Option_EnterIPAddress, 0);
    settings.Save(keys::IPAddress, QStringLiteral("127.0.0.1"));
    settings.Save(keys::TCPPort, port);
    settings.Save(keys::UDPorTCP, 0);
    context.state.WhatToDo = 5;

    // The log window deletes itself when it closes, as it does in the wizard.
    auto* logWindow = new Ostrand_Debug(log, context.ini, settings, language, context.operations);
    Ostrand_Debug& window = *logWindow;
    window.show();
    PlainWizardHost host(context, &window);
    ModbusPage page(host);
    page.Startup();
    page.show();
    page.Prepare(false, true);
    page.Enter(false, true);
    if (!context.connection.ConnectionOpen()) {
        std::fprintf(stderr, "soak_bench: no connection to 127.0.0.1:%s\n", qPrintable(port));
        return 1;
    }
    // Slave 1, six registers from 100, where the simulator's built-in slave has its values.
    for (const auto& [field, text] : {std::pair{page.txtModbusSlaveAddress, "1"}, std::pair{page.txtModbusFirstRegister, "100"},
                                      std::pair{page.txtModbusNoOfRegisters, "6"}}) {
        field->setText(QString::fromLatin1(text));
        emit field->editingFinished();
    }
    page.OfferDebugPoll(window);
    window.Text_Interval->setText(interval);
    window.Check_CountinousPoll->setChecked(true);

    QElapsedTimer clock;
    clock.start();
    std::printf("%8s %10s %8s %10s %8s %8s\n", "minutes", "answered", "failed", "rss_kb", "handles", "threads");
    const auto report = [&] {
        std::printf("%8.1f %10d %8d %10lld %8lld %8lld\n", static_cast<double>(clock.elapsed()) / 60000.0,
                    log.ResponseCount(), log.ErrorCount(), StatusValue("VmRSS"), static_cast<long long>(OpenHandles()),
                    StatusValue("Threads"));
        std::fflush(stdout);
    };
    report();
    QTimer reports;
    QObject::connect(&reports, &QTimer::timeout, report);
    reports.start(reportSeconds * 1000);
    QTimer::singleShot(seconds * 1000, &app, [&] {
        window.Check_CountinousPoll->setChecked(false);
        report();
        std::printf("last result: %s\n", qPrintable(page.lblModbusResultText->text()));
        const QStringList lines = log.Lines();
        for (qsizetype i = std::max<qsizetype>(0, lines.size() - 4); i < lines.size(); ++i)
            std::printf("log: %s\n", qPrintable(lines[i]));
        app.quit();
    });
    return app.exec();
}
