// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/StatusPanels.h"

#include "core/Scheduler.h"
#include "desktop/DesktopServices.h"
#include "terminal/StatusBar.h"

#include <QEvent>
#include <QLabel>

StatusPanels::StatusPanels(Scheduler &scheduler, DesktopServices &desktop, StatusBar &bar,
                           QWidget &window)
    : QObject(&bar), m_desktop(desktop), m_bar(bar), m_window(window)
{
    for (QLabel *panel : bar.findChildren<QLabel *>())
        panel->installEventFilter(this);
    Timer *timer = scheduler.createTimer(this);
    connect(timer, &Timer::timeout, this, &StatusPanels::refreshLockKeys);
    timer->setInterval(kIntervalMs);
    timer->start();
    refreshLockKeys();
}

void StatusPanels::refreshLockKeys()
{
    const DesktopServices::LockKeys keys = m_desktop.lockKeys();
    // The panels keep their names, dimmed while the lock is off; where the
    // states are unknown nothing is dimmed.
    const auto show = [this](int panel, bool off) {
        if (auto *label = m_bar.findChild<QLabel *>(QStringLiteral("Bar_panel%1").arg(panel)))
            label->setForegroundRole(off ? QPalette::PlaceholderText : QPalette::WindowText);
    };
    show(3, keys.known && !keys.num);
    show(4, keys.known && !keys.caps);
}

bool StatusPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick)
        m_window.showMinimized();
    return QObject::eventFilter(watched, event);
}
