// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings store as an INI file read and written through QSettings.
//
// The user's file is DefaultFilePath(): the platform's per-user
// configuration folder + "/Kestrel5.0.ini" (on Linux
// $XDG_CONFIG_HOME/Kestrel5.0.ini, normally ~/.config/Kestrel5.0.ini; on
// Windows %APPDATA%\Kestrel5.0.ini).
//
// The file is read once, when the store is made. It is written as UTF-8; a
// key or value that is not valid UTF-8 (typed in a Chinese-locale editor, or
// kept from an earlier version) is read as GBK, so its Chinese text
// survives beside the UTF-8 ones. A file that exists but cannot be
// read leaves the store empty and is never written over: readError() says
// why.
//
// save() changes the entries in memory; commit() writes all of them to a
// staging file "<file>.new" beside the file and then renames that over the
// file, so a crash or power loss while saving leaves either the old file or
// the new one, never a half-written one. A file that is a symbolic link is
// written through the link to its target, and the new file keeps the old
// one's permissions (and, where the system allows, its owner).

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
    QString readError() const override { return m_readError; }

private:
    void read();

    QString m_filePath;
    SettingsEntries m_entries;
    QString m_readError;
};
