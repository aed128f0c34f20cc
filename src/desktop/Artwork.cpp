// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/Artwork.h"

QIcon KestrelIcon(const char *name)
{
    QIcon icon;
    for (const int size : {16, 32})
        icon.addFile(QStringLiteral(":/kestrel/icons/%1/%2.png").arg(size).arg(QLatin1String(name)), QSize(size, size));
    return icon;
}

QIcon ProgramIcon()
{
    return QIcon::fromTheme(QStringLiteral("kestrel"), KestrelIcon("kestrel"));
}
