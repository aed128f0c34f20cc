// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keypad * hides the main window into the tray and brings it back: hiding
// adds the tray icon, showing removes it. Where no tray host runs, hiding
// minimises the window instead, so that it can always come back, and the
// first time says why; when the tray host goes away with the window in it,
// the window comes back by itself. The other hot key (keypad /) is held without an
// action of its own.

#include <QObject>

class DesktopServices;
class QWidget;

// Shows a window (not minimised), raised above the others and active.
void ShowWindow(QWidget &window);

class HotKeyToggle : public QObject
{
    Q_OBJECT
public:
    // The tray icon's tip: the product, and the key that brings the window back.
    static const QString kTrayTip;
    // Why the window was minimised rather than hidden.
    static const QString kNoTrayNotice;
    // Why the window hidden in the tray came back by itself.
    static const QString kTrayLostNotice;

    HotKeyToggle(DesktopServices &desktop, QWidget &window, QObject *parent = nullptr);

    // Hides a window on the screen; shows a hidden or minimised one
    // (removing the tray icon).
    void Toggle();
    // Hides the window into the tray (adding the icon), or minimises it
    // where no tray host runs.
    void Hide();

signals:
    // Said once a run, the first time the window is minimised for want of a
    // tray; and each time the tray host goes away with the window in it.
    void notice(const QString &text);

private:
    DesktopServices &m_desktop;
    QWidget &m_window;
    bool m_saidNoTray = false;
};
