// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The always-on-top switch: two picture buttons in one place, `Pictop1`
// (the window is ordinary; a click puts it on top) and `Pictop2` (it is on
// top; a click releases it), one visible at a time. Each click toggles
// through `fnOnTop` and gives the focus to the send box.

#include <QObject>

class QToolButton;
class QWidget;

class TopmostSwitch : public QObject
{
    Q_OBJECT
public:
    TopmostSwitch(QWidget &window, QWidget &focusAfter, QWidget *buttonParent);

    QToolButton *Pictop1() const { return m_pictop1; }
    QToolButton *Pictop2() const { return m_pictop2; }
    // Puts the window on top or makes it ordinary again, as OnTopFlag says.
    void fnOnTop();

private:
    QWidget &m_window;
    QWidget &m_focusAfter;
    // 0: the next toggle puts the window on top; -1: it is on top.
    int m_onTopFlag = 0;
    QToolButton *m_pictop1;
    QToolButton *m_pictop2;
};
