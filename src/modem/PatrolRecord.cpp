// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/PatrolRecord.h"

#include "core/AppFiles.h"
#include "core/DataFormats.h"
#include "core/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString PatrolRecordHeader(const QDateTime &moment)
{
    const QString rule(10, u'=');
    return QStringLiteral("\r\n") + rule + DateTimeText(moment) + rule + QStringLiteral("\r\n");
}

QString PatrolRecordFileName(const QString &date, int n)
{
    const QString copy = n > 1 ? QStringLiteral("(%1)").arg(n) : QString();
    return QStringLiteral("自动巡测") + date + copy + QStringLiteral(".txt");
}

SavedRecord SavePatrolRecord(const QString &folder, const QString &date, const TextSource &text)
{
    GbkEncoder encoder;
    if (!encoder.isValid())
        return {QDir(folder).filePath(PatrolRecordFileName(date, 1)), GbkMissingText()};
    for (int n = 1;; ++n) {
        QFile file(QDir(folder).filePath(PatrolRecordFileName(date, n)));
        // NewOnly: a record written meanwhile under this name is not replaced either.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            // The pane holds the program's own CR LF lines beside bare LFs of
            // the received data; the record is a text file with CR LF line ends.
            const auto write = [&file, &encoder](QStringView piece) {
                return WriteWhole(file, encoder.encode(WithLineBreaks(piece, LineEnding::CrLf)));
            };
            if (text(write) && file.flush())
                return {file.fileName(), {}, encoder.replaced()};
            // A record cut short (a full disk) is not left behind as if it were whole.
            const QString error = file.errorString();
            file.remove();
            return {file.fileName(), error};
        }
        if (!QFileInfo::exists(file.fileName()))
            return {file.fileName(), file.errorString()};
    }
}
