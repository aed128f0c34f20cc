#pragma once
// What the tray icon does: a double-click shows the main window, the right
// button opens the pop-up menu `popmenu` with 显示窗体 (`pmshow`), 隐藏窗体
// (`pmhide`) and 退出程序 (`pmexit`, which closes the window through its
// exit questions). None of them adds or removes the tray icon.

#include <QObject>

class DesktopServices;
class QAction;
class QMenu;
class QWidget;

class TrayMenu : public QObject
{
    Q_OBJECT
public:
    TrayMenu(DesktopServices &desktop, QWidget &window, QObject *parent = nullptr);

    // The items of the pop-up menu, for the menu tree.
    QList<QAction *> items() const { return {m_pmshow, m_pmhide, m_pmexit}; }
    // The pop-up menu the tree built from the items.
    void setMenu(QMenu *popmenu) { m_popmenu = popmenu; }

private:
    QMenu *m_popmenu = nullptr;
    QAction *m_pmshow;
    QAction *m_pmhide;
    QAction *m_pmexit;
};
