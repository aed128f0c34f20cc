// SPDX-License-Identifier: GPL-3.0-or-later
// The hot key on a real X server (Xvfb, with trayer as the tray host; the
// test command starts both): keypad * pressed through XTEST hides the
// window into the tray and brings it back. Also the tray icon's menu and
// activation, the lock lamps, a key that another client holds, and no grab
// in a Wayland session.

#include "desktop/Artwork.h"
#include "desktop/HotKeyToggle.h"
#include "desktop/SystemDesktop.h"
#include "desktop/X11KeyGrab.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

class X11HotKeyTest : public QObject
{
    Q_OBJECT

    Display *m_display = nullptr;

    // Presses and releases a key as the keyboard would.
    void press(KeySym key)
    {
        const KeyCode code = XKeysymToKeycode(m_display, key);
        XTestFakeKeyEvent(m_display, code, True, 0);
        XTestFakeKeyEvent(m_display, code, False, 0);
        XFlush(m_display);
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server: run through scripts/test.sh, which starts Xvfb");
        m_display = XOpenDisplay(nullptr);
        QVERIFY(m_display);
    }
    void cleanupTestCase()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }

    void keypadStarHidesIntoTheTrayAndBack()
    {
        QTemporaryDir dir;
        SystemDesktop desktop(dir.filePath("kestrel.lock"));
        QWidget window;
        window.setWindowTitle("Kestrel 5.00");
        window.setWindowIcon(KestrelIcon("kestrel"));
        window.resize(300, 200);
        HotKeyToggle toggle(desktop, window);
        QMenu menu;
        desktop.setTrayMenu(&menu);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(desktop.grabHotKeys());
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);

        press(XK_KP_Multiply);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 5000);
        QVERIFY(desktop.hasTrayIcon());
        // The icon carries its menu; on this XEmbed tray a double-click, not
        // a single click, asks for the window.
        auto *icon = desktop.findChild<QSystemTrayIcon *>();
        QVERIFY(icon);
        QCOMPARE(icon->contextMenu(), &menu);
        QSignalSpy shows(&desktop, &DesktopServices::trayShowRequested);
        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(shows.count(), 0);
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(shows.count(), 1);
        press(XK_KP_Multiply);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);
        QVERIFY(!desktop.hasTrayIcon());

        // Keypad / is held by the program and does nothing; the next * still works.
        press(XK_KP_Divide);
        press(XK_KP_Multiply);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 5000);
        press(XK_KP_Multiply);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 5000);

        // The status bar's NUM panel follows the Num Lock lamp.
        QVERIFY(desktop.lockKeys().known);
        const bool numLock = desktop.lockKeys().num;
        press(XK_Num_Lock);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.lockKeys().num, !numLock, 5000);
        press(XK_Num_Lock);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.lockKeys().num, numLock, 5000);

        // A key another client holds is refused without harm.
        X11KeyGrab other;
        QVERIFY(!other.grab(XK_KP_Multiply, 0));
        // Released, the key no longer reaches the program: another client can take it.
        desktop.releaseHotKeys();
        QVERIFY(other.grab(XK_KP_Multiply, 0));
    }

    // A Wayland session (its environment, here on an X server as under
    // XWayland): nothing is grabbed through X, so keypad * and / stay free
    // (the keys would go through the desktop portal where it offers them).
    void waylandSessionGrabsNoKeys()
    {
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        QTemporaryDir dir;
        SystemDesktop desktop(dir.filePath("kestrel.lock"));
        desktop.grabHotKeys();
        qunsetenv("WAYLAND_DISPLAY");
        X11KeyGrab other;
        QVERIFY(other.grab(XK_KP_Multiply, 0));
        QVERIFY(other.grab(XK_KP_Divide, 1));
    }
};

int main(int argc, char *argv[])
{
    // Without an X server the test skips instead of failing to start.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    X11HotKeyTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_x11hotkey.moc"
