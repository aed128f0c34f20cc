// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/IconCycle.h"

#include "core/Scheduler.h"
#include "desktop/Artwork.h"
#include "desktop/DesktopServices.h"

#include <QWidget>

IconCycle::IconCycle(Scheduler &scheduler, DesktopServices &desktop, QWidget &window,
                     std::function<bool()> portIsOpen, QObject *parent)
    : QObject(parent), m_desktop(desktop), m_window(window), m_portIsOpen(std::move(portIsOpen)),
      m_frames{KestrelIcon("kestrel-1"), KestrelIcon("kestrel-2"), KestrelIcon("kestrel-3")}
{
    Timer *timerIcon = scheduler.createTimer(this, QStringLiteral("TimerIcon"));
    connect(timerIcon, &Timer::timeout, this, &IconCycle::tick);
    timerIcon->setInterval(kIntervalMs);
    timerIcon->start();
}

void IconCycle::tick()
{
    if (m_portIsOpen()) {
        m_window.setWindowIcon(m_frames[m_frame % m_frames.size()]);
        m_frame = m_frame > 1 ? 0 : m_frame + 1;
    }
    m_desktop.setTrayIcon(m_window.windowIcon());
}
