// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The option 时间戳: the kind of the receive pane's time stamps (four menu
// items, one of them ticked) and the gap that starts a new frame line in the
// byte formats (asked for by its own item, 1 to 10000 ms).

#include "terminal/ReceiveStamps.h"

#include <QList>
#include <QObject>

class QAction;
class Dialogs;

class StampChoice : public QObject
{
    Q_OBJECT
public:
    StampChoice(Dialogs &dialogs, QObject *parent);

    StampKind kind() const { return m_kind; }
    // Ticks the item of this kind.
    void setKind(StampKind kind);
    int gapMs() const { return m_gapMs; }
    void setGapMs(int ms);
    // The items 无, 时刻, 相对 and 日期时刻 (mStampNone, mStampTime,
    // mStampRelative, mStampDateTime), then 设置分帧间隔 (mStampGap).
    const QList<QAction *> &items() const { return m_items; }

    // Asks for the gap until the answer is in range; an empty answer or
    // Cancel keeps it.
    void AskGap();

signals:
    void changed();

private:
    Dialogs &m_dialogs;
    StampKind m_kind = StampKind::None;
    int m_gapMs = StampGap::DefaultMs;
    QList<QAction *> m_items;
};
