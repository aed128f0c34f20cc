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
    // Where the states are unknown the panels keep their names.
    if (!keys.known)
        return;
    m_bar.setPanel(3, keys.num ? QStringLiteral("NUM") : QString());
    m_bar.setPanel(4, keys.caps ? QStringLiteral("CAPS") : QString());
}

bool StatusPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick)
        m_window.showMinimized();
    return QObject::eventFilter(watched, event);
}
