#pragma once

#include "settingkeys.h"

#include <QString>
#include <memory>

class QSettings;

// The per-user store: values addressed by application name, section and key,
// always text. Every write goes to disk at once, so nothing is lost when the
// program is ended abruptly; a store that cannot be written fails silently.
class Settings {
public:
    // The store of the given application name in the user's configuration
    // folder.
    explicit Settings(const QString& applicationName);
    // A store kept in the given file (tests and portable installations).
    static Settings AtFile(const QString& filePath);

    Settings(Settings&&) noexcept;
    Settings& operator=(Settings&&) noexcept;
    ~Settings();

    QString ReadSetting(const QString& section, const QString& key, const QString& defaultValue) const;
    void SaveSetting(const QString& section, const QString& key, const QString& value);

    // Section "Wizard", where every key of the program lives.
    QString Read(const SettingKey& key) const;
    int ReadInt(const SettingKey& key) const; // leading number of the text
    void Save(const SettingKey& key, const QString& value);
    void Save(const SettingKey& key, int value);

    QString FilePath() const;

private:
    struct FileTag {};
    Settings(FileTag, const QString& filePath);

    std::unique_ptr<QSettings> m_Store;
};
