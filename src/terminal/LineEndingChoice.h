// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The option 发送行尾: which line end String format sends after the text and
// for each line break of the send box. Four menu items, one of them ticked.

#include "core/DataFormats.h"

#include <QList>
#include <QObject>

class QAction;

class LineEndingChoice : public QObject
{
    Q_OBJECT
public:
    explicit LineEndingChoice(QObject *parent);

    LineEnding value() const { return m_value; }
    // Ticks the item of this line end.
    void setValue(LineEnding ending);
    // The items CR LF, LF, CR and 无, named mEndCrLf, mEndLf, mEndCr, mEndNone.
    const QList<QAction *> &items() const { return m_items; }

private:
    LineEnding m_value = LineEnding::CrLf;
    QList<QAction *> m_items;
};
