// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Enlarges and restores the receive area: `ImgDown` ("扩大接收框") lets the
// receive frame cover the send area below it and grows the receive pane
// into the room step by step; `ImgUp` ("还原接收框") shrinks it back step by
// step and uncovers the send area. Exactly one of the two buttons is
// visible. Events run between the steps, so receiving goes on; a click
// while a step runs (PaneResizing) is ignored.

#include <QObject>

class Scheduler;
class QToolButton;
class QWidget;

class ReceiveAreaResizer : public QObject
{
    Q_OBJECT
public:
    // The pause between two steps of one pixel.
    static constexpr int kStepMs = 2;

    // frame holds pane; covered is the area the enlarged frame covers, below
    // the frame in the same parent.
    ReceiveAreaResizer(Scheduler &scheduler, QWidget &frame, QWidget &pane, QWidget &covered,
                       QWidget *buttonParent);

    QToolButton *ImgDown() const { return m_imgDown; }
    QToolButton *ImgUp() const { return m_imgUp; }
    void Enlarge();
    void Restore();
    bool isResizing() const { return m_paneResizing; }

private:
    // Gives the pane each height from its own to last, one step at a time;
    // false when the program closed meanwhile.
    bool animateTo(int last);

    Scheduler &m_scheduler;
    QWidget &m_frame;
    QWidget &m_pane;
    QWidget &m_covered;
    QToolButton *m_imgDown;
    QToolButton *m_imgUp;
    bool m_paneResizing = false;
    int m_normalHeight = 0; // the pane's height before it was enlarged
};
