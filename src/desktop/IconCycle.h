// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window icon shows an open port: every 500 ms (`TimerIcon`, running
// for the whole run) it moves on through the three pictures of the open
// port while the port is open, and keeps the last one when it is closed.
// The tray icon, when there is one, follows the window icon.

#include <QIcon>
#include <QObject>
#include <functional>

class DesktopServices;
class Scheduler;
class QWidget;

class IconCycle : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 500;

    IconCycle(Scheduler &scheduler, DesktopServices &desktop, QWidget &window,
              std::function<bool()> portIsOpen, QObject *parent = nullptr);

    // The pictures, in the order shown.
    const QList<QIcon> &frames() const { return m_frames; }

private:
    void tick();

    DesktopServices &m_desktop;
    QWidget &m_window;
    std::function<bool()> m_portIsOpen;
    QList<QIcon> m_frames;
    int m_frame = 0; // IconFrame: the next picture, 0 to 2
};
