#include "shell/apppath.h"
#include "shell/inifile.h"
#include "shell/language.h"
#include "languagedialog.h"
#include "shell/settings.h"
#include "shell/trafficlog.h"
#include "shell/wizardcontext.h"
#include "wizardwindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/pictures/logo-icon.svg")));

    const QString appPath = AppPathFrom(app.arguments(), QCoreApplication::applicationDirPath());
    // The per-user store is named after the executable.
    Settings settings(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    IniFile ini(appPath + QStringLiteral("Ostrand.INI"));
    Language language;
    WizardState state;
    DeviceRecords records;
    TrafficLog log;
    DeviceOperations operations;
    Connection connection(ini, log, operations);
    Link link(connection, log);
    FcbState fcb;
    WizardContext context{settings, ini, language, state, records, log, operations, connection, link, fcb, appPath};

    if (!LoadLanguageAtStartup(context))
        return 0; // no language chosen: the program cannot show anything

    // "/DEBUG" anywhere on the command line, in any letter case, opens the log window.
    const QString commandLine = app.arguments().mid(1).join(u' ');
    Ostrand_Wizard wizard(context, commandLine.toUpper().contains(QLatin1String("/DEBUG")));
    wizard.show();
    return app.exec();
}
