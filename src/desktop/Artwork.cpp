// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/Artwork.h"

QIcon KestrelIcon(const char *name)
{
    return QIcon(QStringLiteral(":/kestrel/icons/%1.png").arg(QLatin1String(name)));
}
