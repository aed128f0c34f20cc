// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the tray icon does: activating it (a double-click on an XEmbed tray,
// a click on a StatusNotifierItem host) shows the main window; the icon
// carries the pop-up menu `popmenu` with 显示窗体 (`pmshow`), 隐藏窗体
// (`pmhide`, which minimises the window where no tray host runs) and
// 退出程序 (`pmexit`, which closes the window through its exit questions).

#include <QObject>

class DesktopServices;
class HotKeyToggle;
class QAction;
class QMenu;
class QWidget;

class TrayMenu : public QObject
{
    Q_OBJECT
public:
    TrayMenu(DesktopServices &desktop, QWidget &window, HotKeyToggle &toggle, QObject *parent = nullptr);

    // The items of the pop-up menu, for the menu tree.
    QList<QAction *> items() const { return {m_pmshow, m_pmhide, m_pmexit}; }
    // The pop-up menu the tree built from the items; the tray icon carries it.
    void setMenu(QMenu *popmenu);

private:
    DesktopServices &m_desktop;
    QAction *m_pmshow;
    QAction *m_pmhide;
    QAction *m_pmexit;
};
