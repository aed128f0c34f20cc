// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/TopmostSwitch.h"

#include "commands/Topmost.h"
#include "core/Widgets.h"
#include "desktop/Artwork.h"

#include <QToolButton>

TopmostSwitch::TopmostSwitch(QWidget &window, QWidget &focusAfter, QWidget *buttonParent)
    : QObject(buttonParent), m_window(window), m_focusAfter(focusAfter),
      m_pictop1(Named(new QToolButton(buttonParent), "Pictop1")),
      m_pictop2(Named(new QToolButton(buttonParent), "Pictop2"))
{
    m_pictop1->setIcon(KestrelIcon("pin-off"));
    m_pictop2->setIcon(KestrelIcon("pin-on"));
    for (QToolButton *b : {m_pictop1, m_pictop2}) {
        b->setToolTip(QStringLiteral("总在最前"));
        b->setAutoRaise(true);
    }
    m_pictop2->hide();
    connect(m_pictop1, &QToolButton::clicked, this, [this] {
        fnOnTop();
        m_pictop2->show();
        m_pictop1->hide();
    });
    connect(m_pictop2, &QToolButton::clicked, this, [this] {
        fnOnTop();
        m_pictop1->show();
        m_pictop2->hide();
    });
}

void TopmostSwitch::fnOnTop()
{
    SetTopmost(&m_window, m_onTopFlag);
    m_onTopFlag = m_onTopFlag == 0 ? -1 : 0;
    m_focusAfter.setFocus();
}
