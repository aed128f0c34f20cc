// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ReceivedNames.h"

#include <QFileInfo>

QString PlainName(const QString &senderName)
{
    QString name = senderName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.section(QLatin1Char('/'), -1);
    if (name.isEmpty() || name.count(QLatin1Char('.')) == name.size())
        return QStringLiteral("接收的文件");
    return name;
}

QString FreeName(const QDir &folder, const QString &name)
{
    if (!QFileInfo::exists(folder.filePath(name)))
        return name;
    // The number goes before the last extension, so the file still opens
    // as its kind; a name starting with its only dot has no extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1;; ++n) {
        const QString further = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension);
        if (!QFileInfo::exists(folder.filePath(further)))
            return further;
    }
}

QString IncompleteName(const QString &name)
{
    return name + QStringLiteral(".未完成");
}
