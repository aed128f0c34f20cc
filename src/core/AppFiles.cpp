// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AppFiles.h"

#include "core/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>

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

bool WriteWhole(QFileDevice &file, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

bool AppendGbk(const QString &path, std::initializer_list<QStringView> texts, QString *error, qsizetype *replaced)
{
    return AppendGbk(
        path,
        [texts](const TextWriter &write) {
            return std::all_of(texts.begin(), texts.end(), [&write](QStringView text) { return write(text); });
        },
        error, replaced);
}

bool AppendGbk(const QString &path, const TextSource &texts, QString *error, qsizetype *replaced)
{
    GbkEncoder encoder;
    if (!encoder.isValid()) {
        if (error)
            *error = GbkMissingText();
        return false;
    }
    // Unbuffered: the bytes go to the file at once, so when the write stops
    // short nothing of them waits in a buffer, and the cut back to the former
    // length is not preceded (and defeated) by a flush of the rest.
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        const qint64 before = file.size();
        if (texts([&file, &encoder](QStringView text) { return WriteWhole(file, encoder.encode(text)); })) {
            if (replaced)
                *replaced = encoder.replaced();
            return true;
        }
        // A part written would be written again by the next attempt.
        const QString why = file.errorString();
        file.resize(before);
        if (error)
            *error = why;
        return false;
    }
    if (error)
        *error = file.errorString();
    return false;
}
