// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/ReceiveNotes.h"

#include "core/TextCodec.h"

#include <QRegularExpression>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kArrow = QStringLiteral("→ ");
} // namespace

QString ShownSendText(const QByteArray &bytes, qint64 unsent, DataFormat format, bool lineOpen)
{
    QString shown = lineOpen ? kCrLf : QString();
    const QString unsentMark = unsent > 0 ? QStringLiteral("[%1 字节未发出] ").arg(unsent) : QString();
    if (format != DataFormat::String)
        return shown + kArrow + unsentMark + RenderReceivedBytes(bytes, format) + kCrLf;
    // The line end after a String send ends the shown line; line breaks
    // inside it start further ones.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = DecodeGbk(bytes).split(lineEnd);
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i)
        shown += kArrow + (i == 0 ? unsentMark : QString()) + lines[i] + kCrLf;
    return shown;
}

bool EndsInLine(const QString &text)
{
    return !text.isEmpty() && !text.endsWith(u'\n') && !text.endsWith(u'\r');
}
