#pragma once
// Keypad * hides the main window into the tray and brings it back: hiding
// adds the tray icon, showing removes it. The other hot key (keypad /) is
// held without an action of its own.

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

    HotKeyToggle(DesktopServices &desktop, QWidget &window, QObject *parent = nullptr);

    // Hides a visible window (adding the tray icon) or shows a hidden one
    // (removing it).
    void Toggle();

private:
    DesktopServices &m_desktop;
    QWidget &m_window;
};
