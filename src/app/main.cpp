#include "apptexts.h"
#include "base/apppath.h"
#include "base/inifilelocation.h"
#include "base/language.h"
#include "base/languagelocale.h"
#include "buttonstyle.h"
#include "demosite.h"
#include "languagedialog.h"
#include "base/settings.h"
#include "base/trafficlog.h"
#include "base/wizardarguments.h"
#include "netsetup/networkcontext.h"
#include "shell/wizardsession.h"
#include "wizardwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QProcess>
#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    UseRoomyButtons(app);
    app.setWindowIcon(QIcon(QStringLiteral(":/pictures/logo-icon.svg")));

    const QString appPath = AppPathFrom(app.arguments(), QCoreApplication::applicationDirPath());
    // The per-user store is named after the executable. The demo keeps one of
    // its own, so its loopback addresses never replace those of a real site;
    // it speaks the language chosen there.
    const bool demo = DemoRequested(app.arguments());
    const QString storeName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    Settings settings(demo ? storeName + QStringLiteral("-demo") : storeName);
    if (demo && settings.Read(keys::Language).isEmpty())
        settings.Save(keys::Language, Settings(storeName).Read(keys::Language));
    WizardSession session(std::move(settings), IniFileFor(appPath), appPath);
    WizardContext& context = session.Context();
    NetworkContext network(context.operations);
    const Language& language = context.language;

    if (!LoadLanguageAtStartup(context)) {
        // no language texts exist, so the reason is given in the program's own words
        const QString problem = LanguageProblem(context.settings, appPath) + QStringLiteral(" Ostrand cannot start.");
        std::fprintf(stderr, "ostrand: %s\n", qPrintable(problem));
        QMessageBox::critical(nullptr, QStringLiteral("Ostrand"), problem);
        return 1;
    }
    // Qt's own dialogs (files, message box buttons) speak the program's language.
    InstallQtTranslations(app, context.settings.ReadInt(keys::Language));
    if (const std::optional<FileError> problem = context.ini.Problem()) {
        // timings changed in this run would be lost without a word
        QMessageBox::warning(nullptr, language.GetLanguageText(apptext::kWizardCaption),
                             language.GetLanguageText(apptext::kTimingFileNotKept) + QStringLiteral("\n")
                                 + QDir::toNativeSeparators(context.ini.Path()) + QStringLiteral("\n\n")
                                 + problem->Message() + QStringLiteral("\n\n")
                                 + language.GetLanguageText(apptext::kTimingChangesLost));
    }

    std::unique_ptr<DemoSite> site;
    std::unique_ptr<DemoMode> demoMode;
    Ostrand_Wizard::Demo offer{};
    offer.start = [appPath] {
        return QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                       {QStringLiteral("--demo"), QStringLiteral("--app-dir"), appPath});
    };
    if (demo) {
        const BusConfigResult bus = DemoBusConfig();
        QString error = bus.error;
        if (bus.config)
            site = std::make_unique<DemoSite>(*bus.config);
        if (!site || !site->Start(&error)) {
            QMessageBox::critical(nullptr, language.GetLanguageText(apptext::kWizardCaption),
                                  language.GetLanguageText(apptext::kDemoNotStarted) + QStringLiteral("\n\n") + error);
            return 1;
        }
        demoMode = std::make_unique<DemoMode>(context, network, *site);
        offer.mode = demoMode.get();
        // Left, the demo is gone, and the run goes on in the real site's store.
        offer.ended = [&demoMode, &site, &context, storeName] {
            demoMode.reset();
            site.reset();
            context.settings = Settings(storeName);
        };
    }

    Ostrand_Wizard wizard(context, network, DebugWindowRequested(app.arguments()), nullptr, offer);
    wizard.show();
    return app.exec();
}
