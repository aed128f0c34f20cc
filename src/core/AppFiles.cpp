#include "core/AppFiles.h"

#include "core/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

QString AppFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder;
}

QString DefaultCommandDatabasePath()
{
    return AppFolder() + QStringLiteral("/OrderDB.db");
}

QString ShortDateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-M-d"));
}

QString DateTimeText(const QDateTime &moment)
{
    return ShortDateText(moment.date()) + u' ' + moment.time().toString(QStringLiteral("HH:mm:ss"));
}

QString DayFilePath(const QString &prefix)
{
    return AppFolder() + u'/' + prefix + ShortDateText() + QStringLiteral(".txt");
}

bool AppendGbk(const QString &path, const QString &text, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        const qint64 before = file.size();
        const QByteArray bytes = EncodeGbk(text);
        if (file.write(bytes) == bytes.size() && file.flush())
            return true;
        // A part written would be written again by the next attempt.
        file.resize(before);
    }
    if (error)
        *error = file.errorString();
    return false;
}
