#include "desktop/TrayMenu.h"

#include "desktop/DesktopServices.h"
#include "desktop/HotKeyToggle.h"

#include "core/Widgets.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

TrayMenu::TrayMenu(DesktopServices &desktop, QWidget &window, QObject *parent)
    : QObject(parent)
{
    m_pmshow = Named(new QAction(this), "pmshow");
    m_pmhide = Named(new QAction(this), "pmhide");
    m_pmexit = Named(new QAction(this), "pmexit");
    const auto showWindow = [&window] { ShowWindow(window); };
    connect(m_pmshow, &QAction::triggered, this, showWindow);
    connect(m_pmhide, &QAction::triggered, &window, &QWidget::hide);
    connect(m_pmexit, &QAction::triggered, &window, &QWidget::close);
    connect(&desktop, &DesktopServices::trayDoubleClicked, this, showWindow);
    connect(&desktop, &DesktopServices::trayMenuRequested, this, [this](const QPoint &pos) {
        if (m_popmenu)
            m_popmenu->popup(pos);
    });
}
