// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PaneNotes.h"

#include <QColor>

bool PaneNotes::overlaps(qsizetype from, qsizetype to) const
{
    if (from >= to)
        return false;
    const PaneColours::Run run = m_marks.runAt(from);
    return run.colour.isValid() || run.to < to;
}

QString PaneNotes::dataOf(const QString &text, qsizetype from, qsizetype to) const
{
    QString data;
    qsizetype at = from;
    for (const PaneColours::Run &note : runs(from, to)) {
        data += QStringView(text).sliced(at, note.from - at);
        at = note.to;
    }
    data += QStringView(text).sliced(at, to - at);
    return data;
}
