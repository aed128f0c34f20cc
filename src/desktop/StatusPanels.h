// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop's side of the status bar: panels 3 and 4 show "NUM" and
// "CAPS", dimmed while Num Lock or Caps Lock is off (kept current twice a
// second, where the session tells the lock states), and a double-click on
// any panel minimises the main window.

#include <QObject>

class DesktopServices;
class Scheduler;
class StatusBar;
class Timer;
class QWidget;

class StatusPanels : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 500;

    StatusPanels(Scheduler &scheduler, DesktopServices &desktop, StatusBar &bar, QWidget &window);

    // Shows the lock states now.
    void refreshLockKeys();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DesktopServices &m_desktop;
    StatusBar &m_bar;
    QWidget &m_window;
};
