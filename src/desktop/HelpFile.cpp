// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/HelpFile.h"

#include "desktop/DesktopServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QStringList HelpFile::installedFolders()
{
    // KESTREL_DATA_DIR: the data folder the build installs the help text
    // to, set when the build is configured.
    return {QCoreApplication::applicationDirPath(), QStringLiteral(KESTREL_DATA_DIR)};
}

QString HelpFile::path() const
{
    for (const QString &folder : m_folders) {
        const QFileInfo file(QDir(folder), QString::fromLatin1(kFileName));
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

bool HelpFile::open(DesktopServices &desktop) const
{
    const QString file = path();
    return !file.isEmpty() && desktop.openPath(file);
}
