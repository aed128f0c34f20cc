#include "modem/PatrolRecord.h"

#include "core/AppFiles.h"
#include "core/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Every line end written as CR LF: the pane holds the program's own CR LF
// lines beside whatever line ends the received data brought.
QString WithCrLf(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out += QStringLiteral("\r\n");
            ++i;
        } else if (c == u'\n' || c == u'\r') {
            out += QStringLiteral("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

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

SavedRecord SavePatrolRecord(const QString &folder, const QString &date, const QString &text)
{
    const QByteArray bytes = EncodeGbk(WithCrLf(text));
    for (int n = 1;; ++n) {
        QFile file(QDir(folder).filePath(PatrolRecordFileName(date, n)));
        // NewOnly: a record written meanwhile under this name is not replaced either.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.write(bytes) == bytes.size() && file.flush())
                return {file.fileName(), {}};
            // A record cut short (a full disk) is not left behind as if it were whole.
            const QString error = file.errorString();
            file.remove();
            return {file.fileName(), error};
        }
        if (!QFileInfo::exists(file.fileName()))
            return {file.fileName(), file.errorString()};
    }
}
