// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ReceiveAreaResizer.h"

#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "desktop/Artwork.h"

#include <QToolButton>

ReceiveAreaResizer::ReceiveAreaResizer(Scheduler &scheduler, QWidget &frame, QWidget &pane,
                                       QWidget &covered, QWidget *buttonParent)
    : QObject(buttonParent), m_scheduler(scheduler), m_frame(frame), m_pane(pane),
      m_covered(covered), m_imgDown(Named(new QToolButton(buttonParent), "ImgDown")),
      m_imgUp(Named(new QToolButton(buttonParent), "ImgUp"))
{
    m_imgDown->setIcon(KestrelIcon("enlarge"));
    m_imgDown->setToolTip(QStringLiteral("扩大接收框"));
    m_imgUp->setIcon(KestrelIcon("restore"));
    m_imgUp->setToolTip(QStringLiteral("还原接收框"));
    for (QToolButton *b : {m_imgDown, m_imgUp})
        b->setAutoRaise(true);
    m_imgUp->hide();
    connect(m_imgDown, &QToolButton::clicked, this, &ReceiveAreaResizer::Enlarge);
    connect(m_imgUp, &QToolButton::clicked, this, &ReceiveAreaResizer::Restore);
}

bool ReceiveAreaResizer::animateTo(int last)
{
    const int direction = last >= m_pane.height() ? 1 : -1;
    for (int h = m_pane.height(); h * direction <= last * direction; h += direction) {
        m_pane.setFixedHeight(h);
        m_scheduler.wait(kStepMs);
        if (m_scheduler.isShuttingDown())
            return false;
    }
    return true;
}

void ReceiveAreaResizer::Enlarge()
{
    if (m_paneResizing)
        return;
    m_paneResizing = true;
    m_normalHeight = m_pane.height();
    // The frame reaches down to the bottom of the area it covers.
    const int room = m_covered.geometry().bottom() - m_frame.geometry().bottom();
    const int last = m_normalHeight + std::max(room, 0);
    m_covered.hide();
    if (!animateTo(last))
        return;
    m_imgDown->hide();
    m_imgUp->show();
    m_paneResizing = false;
}

void ReceiveAreaResizer::Restore()
{
    if (m_paneResizing)
        return;
    m_paneResizing = true;
    if (!animateTo(m_normalHeight))
        return;
    // The layout sizes the pane again, as before it was enlarged.
    m_pane.setMinimumHeight(0);
    m_pane.setMaximumHeight(QWIDGETSIZE_MAX);
    m_covered.show();
    m_imgDown->show();
    m_imgUp->hide();
    m_paneResizing = false;
}
