#pragma once

#include "base/inifile.h"
#include "base/language.h"
#include "base/settings.h"
#include "netsetup/networkcontext.h"
#include "shell/wizardsession.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <ostream>

// A program folder, per-user store and INI file of a test's own, in a
// temporary directory, with the shipped language files copied in.
class TestEnvironment {
public:
    TestEnvironment();

    const QString& AppPath() const { return m_AppPath; }
    QString IniPath() const { return m_AppPath + QStringLiteral("Ostrand.INI"); }
    QString SettingsPath() const { return m_Dir.filePath(QStringLiteral("settings.conf")); }

    // A fresh set of the long-lived objects over the same files, as a new
    // start of the program would have them.
    WizardContext& NewContext(AdapterList adapters = {});
    WizardContext& Context() { return m_Session->Context(); }
    // The network pages' records and LAN targets, kept on loopback.
    NetworkContext& Network() { return *m_Network; }

    // Forgets every per-user setting, as on a first start.
    void ClearSettings();

    // Stores a language choice and loads it into the context's table.
    void UseLanguage(const QString& number = QStringLiteral("001"));

private:
    QTemporaryDir m_Dir;
    QString m_AppPath;
    std::unique_ptr<WizardSession> m_Session;
    std::unique_ptr<NetworkContext> m_Network;
};

// Readable QStrings in test failures.
void PrintTo(const QString& text, std::ostream* out);

// The text of a shipped language file.
QString ShippedLanguageText(const QString& number);
