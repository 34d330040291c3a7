// Start-up to the first page on screen: loads the language, builds the
// wizard and waits until its window is exposed; prints the figures.
#include "base/apppath.h"
#include "app/languagedialog.h"
#include "base/settings.h"
#include "netsetup/networkcontext.h"
#include "shell/wizardsession.h"
#include "app/wizardwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
QtMessageHandler g_DefaultHandler = nullptr;
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.contains(QLatin1String("propagateSizeHints"))) // the off-screen platform's complaint
        g_DefaultHandler(type, context, message);
}
} // namespace

int main(int argc, char* argv[])
{
    g_DefaultHandler = qInstallMessageHandler(QuietHandler);
    QElapsedTimer sinceMain;
    sinceMain.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 applicationMs = sinceMain.elapsed();

    QTemporaryDir dir;
    const QString appPath = WithTrailingSeparator(QCoreApplication::applicationDirPath());
    std::vector<double> runs;
    for (int run = 0; run < 20; ++run) {
        QElapsedTimer timer;
        timer.start();
        Settings settings = Settings::AtFile(dir.filePath(QStringLiteral("bench.conf")));
        settings.Save(keys::Language, QStringLiteral("001"));
        WizardSession session(std::move(settings), IniFile(dir.filePath(QStringLiteral("Ostrand.INI"))), appPath);
        WizardContext& context = session.Context();
        if (!LoadLanguageAtStartup(context)) {
            std::fprintf(stderr, "no language file beside the benchmark in %s\n", qPrintable(appPath));
            return 2;
        }
        NetworkContext network(context.operations);
        Ostrand_Wizard wizard(context, network);
        wizard.show();
        if (!QTest::qWaitForWindowExposed(&wizard))
            return 1;
        runs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    std::printf("application object: %lld ms\n", static_cast<long long>(applicationMs));
    std::printf("first start (cold caches): %.1f ms\n", runs.back());
    std::printf("start-up to first page on screen: median %.1f ms, best %.1f ms over %zu runs\n",
                runs[runs.size() / 2], runs.front(), runs.size());
    std::printf("total from main(): %.1f ms (application object + median start-up)\n",
                static_cast<double>(applicationMs) + runs[runs.size() / 2]);
    return 0;
}
