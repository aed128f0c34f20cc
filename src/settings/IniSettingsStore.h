#pragma once
// The settings store as an INI file read and written through QSettings.
//
// The user's file is DefaultFilePath(): the platform's per-user
// configuration folder + "/Kestrel5.0.ini" (on Linux
// $XDG_CONFIG_HOME/Kestrel5.0.ini, normally ~/.config/Kestrel5.0.ini; on
// Windows %APPDATA%\Kestrel5.0.ini).
//
// The file is read once, when the store is made. save() changes the entries
// in memory; commit() writes all of them to "<file>.new" in the same folder
// and then renames that over the file, so a crash or power loss while saving
// leaves either the old file or the new one, never a half-written one.

#include "settings/SettingsEntries.h"
#include "settings/SettingsStore.h"

class IniSettingsStore : public SettingsStore
{
public:
    // The store of the user's own settings file.
    IniSettingsStore();
    // The store of the INI file at filePath (made on the first commit).
    explicit IniSettingsStore(const QString &filePath);

    static QString DefaultFilePath();
    QString filePath() const { return m_filePath; }

    QString get(const QString &section, const QString &key,
                const QString &defaultText) const override;
    void save(const QString &section, const QString &key, const QString &text) override;
    bool commit() override;

private:
    QString m_filePath;
    SettingsEntries m_entries;
};
