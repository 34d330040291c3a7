#include "shell/apppath.h"
#include "shell/inifilelocation.h"
#include "shell/language.h"
#include "shell/languagelocale.h"
#include "buttonstyle.h"
#include "languagedialog.h"
#include "shell/settings.h"
#include "shell/trafficlog.h"
#include "shell/wizardarguments.h"
#include "shell/wizardcontext.h"
#include "wizardwindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    UseRoomyButtons(app);
    app.setWindowIcon(QIcon(QStringLiteral(":/pictures/logo-icon.svg")));

    const QString appPath = AppPathFrom(app.arguments(), QCoreApplication::applicationDirPath());
    // The per-user store is named after the executable.
    Settings settings(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    IniFile ini = IniFileFor(appPath);
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
    // Qt's own dialogs (files, message box buttons) speak the program's language.
    InstallQtTranslations(app, settings.ReadInt(keys::Language));

    Ostrand_Wizard wizard(context, DebugWindowRequested(app.arguments()));
    wizard.show();
    return app.exec();
}
