// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/TrayMenu.h"

#include "desktop/DesktopServices.h"
#include "desktop/HotKeyToggle.h"

#include "core/Widgets.h"

#include <QAction>
#include <QWidget>

TrayMenu::TrayMenu(DesktopServices &desktop, QWidget &window, HotKeyToggle &toggle, QObject *parent)
    : QObject(parent), m_desktop(desktop)
{
    m_pmshow = Named(new QAction(this), "pmshow");
    m_pmhide = Named(new QAction(this), "pmhide");
    m_pmexit = Named(new QAction(this), "pmexit");
    const auto showWindow = [&window] { ShowWindow(window); };
    connect(m_pmshow, &QAction::triggered, this, showWindow);
    connect(m_pmhide, &QAction::triggered, &toggle, &HotKeyToggle::Hide);
    connect(m_pmexit, &QAction::triggered, &window, &QWidget::close);
    connect(&desktop, &DesktopServices::trayShowRequested, this, showWindow);
}

void TrayMenu::setMenu(QMenu *popmenu)
{
    m_desktop.setTrayMenu(popmenu);
}
