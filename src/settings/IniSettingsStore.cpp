// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IniSettingsStore.h"

#include "core/Dialogs.h"
#include "core/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// QSettings lists a key named with a leading, trailing or doubled slash
// ("/count" in [Tels]) under a path it cannot read back: it gives such a key
// the value of another one, and writes it back under the cleaned name, which
// may be one of ours ("count", overriding "Count"). No key of ours looks
// like that, so such keys are left out.
bool isCleanPath(const QString &path)
{
    return !path.startsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('/'))
           && !path.contains(QLatin1StringView("//"));
}

SettingsEntries parseIniFile(const QString &filePath)
{
    SettingsEntries entries;
    QSettings ini(filePath, QSettings::IniFormat);
    for (const QString &path : ini.allKeys()) {
        if (!isCleanPath(path))
            continue;
        const qsizetype slash = path.indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : path.left(slash);
        const QString key = slash < 0 ? path : path.mid(slash + 1);
        entries.set(section, key, valueText(ini.value(path)));
    }
    return entries;
}

// The file with every text that is not UTF-8 read as GBK and written as
// UTF-8. Each line's key (up to its first '=') and value (the rest) are
// decided on their own: this program writes UTF-8, a Chinese-locale editor
// or an earlier version GBK, and one file can hold both. Neither '=' nor a
// line break is ever the second byte of a GBK character, so no character is
// cut; a backslash can be, which is why this happens before QSettings reads
// the escapes.
QByteArray withTextsAsUtf8(const QByteArray &bytes)
{
    QByteArray utf8;
    utf8.reserve(bytes.size() + bytes.size() / 2);
    GbkDecoder gbk;
    const auto append = [&utf8, &gbk](QByteArrayView text) {
        if (text.isValidUtf8())
            utf8 += text;
        else
            utf8 += gbk.decode(text).toUtf8();
    };
    const QByteArrayView all(bytes);
    qsizetype start = 0;
    while (start < all.size()) {
        const qsizetype lineBreak = all.indexOf('\n', start);
        const qsizetype end = lineBreak < 0 ? all.size() : lineBreak + 1;
        const QByteArrayView line = all.sliced(start, end - start);
        const qsizetype equals = line.indexOf('=');
        append(line.first(equals + 1)); // no '=': the whole line is the value
        append(line.sliced(equals + 1));
        start = end;
    }
    return utf8;
}

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(path.toStdU16String());
}

// Where the settings really live: a symbolic link, or a chain of them, is
// followed, so that saving rewrites the target and the link stays.
QString finalTarget(const QString &filePath)
{
    QString path = QFileInfo(filePath).absoluteFilePath();
    for (int hop = 0; hop < 40; ++hop) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            break;
        path = info.symLinkTarget();
    }
    return path;
}

// Gives the staging file the permissions of the file it is to replace, so a
// private file stays private, and, where the system allows it (to root, or
// to the owner for one of its groups), that file's owner and group. False
// when the permissions could not be given.
bool takeOverAccess(const QString &filePath, const QString &staging)
{
    std::error_code error;
    const auto old = std::filesystem::status(nativePath(filePath), error);
    if (error)
        return true; // no file yet: the new one gets the usual permissions
    std::filesystem::permissions(nativePath(staging), old.permissions(), error);
    if (error)
        return false;
#ifdef Q_OS_UNIX
    struct stat info;
    if (::stat(QFile::encodeName(filePath).constData(), &info) == 0
        && ::chown(QFile::encodeName(staging).constData(), info.st_uid, info.st_gid) != 0) {
        // Not allowed: the file becomes the writer's, as any file it rewrites.
    }
#endif
    return true;
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
        // in what a save interrupted earlier left there. QSettings keeps the
        // permissions of the file it writes, so they are given here.
        QFile empty(staging);
        if (!empty.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
    }
    if (!takeOverAccess(filePath, staging)) {
        QFile::remove(staging);
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
{
    read();
}

void IniSettingsStore::read()
{
    const auto fail = [this](const QString &reason) {
        m_readError = QStringLiteral("%1（%2）").arg(QDir::toNativeSeparators(m_filePath), reason);
    };
    std::error_code error;
    const auto status = std::filesystem::status(nativePath(m_filePath), error);
    if (status.type() == std::filesystem::file_type::not_found)
        return; // no settings yet: a first run
    if (error)
        return fail(QString::fromStdString(error.message()));
    if (status.type() != std::filesystem::file_type::regular)
        return fail(QStringLiteral("不是普通文件"));
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (bytes.isValidUtf8()) {
        m_entries = parseIniFile(m_filePath);
        return;
    }
    // Some text is not UTF-8 but GBK. QSettings reads UTF-8 only, so it reads
    // a copy in UTF-8.
    QTemporaryFile copy;
    const QByteArray utf8 = withTextsAsUtf8(bytes);
    if (!copy.open() || copy.write(utf8) != utf8.size() || !copy.flush())
        return fail(copy.errorString());
    m_entries = parseIniFile(copy.fileName());
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
    if (!m_readError.isEmpty())
        return false;
    return writeIniFileAtomically(finalTarget(m_filePath), m_entries);
}
