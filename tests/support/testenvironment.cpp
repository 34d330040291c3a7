#include "testenvironment.h"

#include <QDir>
#include <QFile>

#include "base/textencoding.h"

TestEnvironment::TestEnvironment()
    : m_AppPath(m_Dir.path() + QStringLiteral("/app/"))
{
    QDir().mkpath(m_AppPath);
    const QDir languages(QStringLiteral(OSTRAND_LANGUAGE_DIR));
    for (const QString& name : languages.entryList({QStringLiteral("Ostrand_Language.*")}, QDir::Files))
        QFile::copy(languages.filePath(name), m_AppPath + name);
    NewContext();
}

WizardContext& TestEnvironment::NewContext(AdapterList adapters)
{
    m_Network.reset();
    m_Session.reset(); // the old set lets go of the files first
    m_Session = std::make_unique<WizardSession>(Settings::AtFile(SettingsPath()), IniFile(IniPath()), m_AppPath);
    WizardContext& context = m_Session->Context();
    m_Network = std::make_unique<NetworkContext>(context.operations);
    NetworkContext& network = *m_Network;
    if (adapters)
        network.listAdapters = std::move(adapters);
    else
        network.listAdapters = [] { return QList<NetworkAdapter>{{QStringLiteral("127.0.0.2"), QStringLiteral("test")}}; };
    // A test never broadcasts, resolves or pings by accident: the device
    // list's query goes to the discard port on loopback, and a test that
    // wants answers, ARP or echoes hands in its own.
    network.discoveryTarget = {QHostAddress(QHostAddress::LocalHost), 9};
    network.configTarget = {9, QHostAddress(QHostAddress::LocalHost)}; // and so does IP-SETUP
    network.isReachable = [](const QString&) { return false; };
    network.pingOnce = [](const QString&) { return false; };
    return context;
}

void TestEnvironment::ClearSettings()
{
    m_Network.reset();
    m_Session.reset();
    QFile::remove(SettingsPath());
    NewContext();
}

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

void TestEnvironment::UseLanguage(const QString& number)
{
    WizardContext& context = Context();
    context.settings.Save(keys::Language, number);
    context.language.LoadLanguage(context.settings, m_AppPath);
}

QString ShippedLanguageText(const QString& number)
{
    QFile file(QStringLiteral(OSTRAND_LANGUAGE_DIR "/Ostrand_Language.") + number);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return DecodeText(file.readAll());
}
