#include "desktop/Artwork.h"

QIcon KestrelIcon(const char *name)
{
    return QIcon(QStringLiteral(":/kestrel/icons/%1.png").arg(QLatin1String(name)));
}
