#include "settings.h"

#include "textnumber.h"

#include <QSettings>

#include <algorithm>
#include <climits>

Settings::Settings(const QString& applicationName)
    : m_Store(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          QStringLiteral("Ostrand"), applicationName))
{
}

Settings::Settings(FileTag, const QString& filePath)
    : m_Store(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

Settings Settings::AtFile(const QString& filePath)
{
    return Settings(FileTag{}, filePath);
}

Settings::Settings(Settings&&) noexcept = default;
Settings& Settings::operator=(Settings&&) noexcept = default;
Settings::~Settings() = default;

QString Settings::ReadSetting(const QString& section, const QString& key, const QString& defaultValue) const
{
    const QVariant value = m_Store->value(section + u'/' + key);
    return value.isValid() ? value.toString() : defaultValue;
}

void Settings::SaveSetting(const QString& section, const QString& key, const QString& value)
{
    m_Store->setValue(section + u'/' + key, value);
    m_Store->sync(); // written the moment it changes
}

QString Settings::Read(const SettingKey& key) const
{
    return ReadSetting(keys::kWizardSection, key.key, key.defaultValue);
}

int Settings::ReadInt(const SettingKey& key) const
{
    return static_cast<int>(std::clamp<qint64>(LeadingNumber(Read(key)), INT_MIN, INT_MAX));
}

void Settings::Save(const SettingKey& key, const QString& value)
{
    SaveSetting(keys::kWizardSection, key.key, value);
}

void Settings::Save(const SettingKey& key, int value)
{
    Save(key, QString::number(value));
}

QString Settings::FilePath() const
{
    return m_Store->fileName();
}
