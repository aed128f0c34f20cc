// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/HotKeyToggle.h"

#include "desktop/DesktopServices.h"

#include <QWidget>

const QString HotKeyToggle::kTrayTip = QStringLiteral("Kestrel2.0\n[返回Num *]");
const QString HotKeyToggle::kNoTrayNotice = QStringLiteral(" 桌面没有系统托盘，窗体已最小化 ... ");
const QString HotKeyToggle::kTrayLostNotice = QStringLiteral(" 系统托盘已退出，窗体已恢复 ... ");

void ShowWindow(QWidget &window)
{
    // A window hidden while minimised comes back to be seen.
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

HotKeyToggle::HotKeyToggle(DesktopServices &desktop, QWidget &window, QObject *parent)
    : QObject(parent), m_desktop(desktop), m_window(window)
{
    connect(&desktop, &DesktopServices::hotKeyPressed, this, [this](int id) {
        if (id == ShowHideKey)
            Toggle();
    });
    connect(&desktop, &DesktopServices::trayLost, this, [this] {
        if (m_window.isVisible())
            return;
        ShowWindow(m_window);
        emit notice(kTrayLostNotice);
    });
}

void HotKeyToggle::Toggle()
{
    if (m_window.isVisible() && !m_window.isMinimized()) {
        Hide();
        return;
    }
    ShowWindow(m_window);
    m_desktop.removeTrayIcon();
}

void HotKeyToggle::Hide()
{
    // Hidden without a tray host to show the icon, the window could not
    // come back.
    if (m_desktop.trayAvailable()) {
        m_window.hide();
        m_desktop.addTrayIcon(m_window.windowIcon(), kTrayTip);
        return;
    }
    m_window.showMinimized();
    if (!m_saidNoTray) {
        m_saidNoTray = true;
        emit notice(kNoTrayNotice);
    }
}
