#include "settings/IniSettingsStore.h"

#include "core/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <filesystem>
#include <system_error>

namespace {

// QSettings reads an unquoted value holding commas ("9600,n,8,1" typed into
// the file by hand) as a list; the store deals only in whole texts.
QString valueText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// QSettings names an entry "section/key"; keys outside any section have no
// slash and are kept with an empty section name.
QString settingsPath(const SettingsEntries::Entry &e)
{
    return e.section.isEmpty() ? e.key : e.section + QLatin1Char('/') + e.key;
}

SettingsEntries readIniFile(const QString &filePath)
{
    SettingsEntries entries;
    QSettings ini(filePath, QSettings::IniFormat);
    for (const QString &path : ini.allKeys()) {
        const qsizetype slash = path.indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : path.left(slash);
        const QString key = slash < 0 ? path : path.mid(slash + 1);
        entries.set(section, key, valueText(ini.value(path)));
    }
    return entries;
}

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

// Writes every entry to a staging file beside filePath and renames it over
// filePath. The rename replaces the file in one step on Linux and Windows.
bool writeIniFileAtomically(const QString &filePath, const SettingsEntries &entries)
{
    if (!QDir().mkpath(QFileInfo(filePath).absolutePath()))
        return false;
    const QString staging = filePath + QStringLiteral(".new");
    {
        // Start from an empty staging file: QSettings would otherwise merge
        // in what a save interrupted earlier left there.
        QFile empty(staging);
        if (!empty.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
    }
    {
        QSettings ini(staging, QSettings::IniFormat);
        for (const SettingsEntries::Entry &e : entries.all())
            ini.setValue(settingsPath(e), e.text);
        ini.sync();
        if (ini.status() != QSettings::NoError) {
            QFile::remove(staging);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(nativePath(staging), nativePath(filePath), error);
    if (error) {
        QFile::remove(staging);
        return false;
    }
    return true;
}

} // namespace

IniSettingsStore::IniSettingsStore()
    : IniSettingsStore(DefaultFilePath())
{
}

IniSettingsStore::IniSettingsStore(const QString &filePath)
    : m_filePath(filePath)
    , m_entries(readIniFile(filePath))
{
}

QString IniSettingsStore::DefaultFilePath()
{
    // An organisation name with no application name gives the file
    // "<per-user config folder>/<organisation>.ini".
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QString::fromUtf8(kAppTitle))
        .fileName();
}

QString IniSettingsStore::get(const QString &section, const QString &key,
                              const QString &defaultText) const
{
    return m_entries.find(section, key).value_or(defaultText);
}

void IniSettingsStore::save(const QString &section, const QString &key, const QString &text)
{
    m_entries.set(section, key, text);
}

bool IniSettingsStore::commit()
{
    return writeIniFileAtomically(m_filePath, m_entries);
}
