// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop seam: the check for a running copy, the global hot keys, the
// tray icon, opening a file with the desktop's program and starting a
// program. SystemDesktop is the real one; tests use a recording fake.

#include <QIcon>
#include <QObject>
#include <QStringList>
#include <QSystemTrayIcon>

#include <functional>

class QMenu;

// The hot keys the main window registers, by id.
enum HotKeyId {
    ShowHideKey = 0, // keypad multiply: hides the window into the tray (or minimises it) and back
    DivideKey = 1,   // keypad divide: held, with no action of its own
};

// The two kinds of tray host on Linux desktops: an XEmbed tray (X11
// panels of old) and a StatusNotifierItem host (KDE, most panels today,
// GNOME with an extension).
enum class TrayHost { XEmbed, StatusNotifier };

class DesktopServices : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // True when another copy of the program is running. Otherwise this copy
    // becomes the running one until it ends; a copy that crashed does not
    // count as running.
    virtual bool anotherCopyRunning() = 0;

    // True where the session has global keys: an X11 session, or under
    // Wayland a desktop portal that offers global shortcuts. Keys grabbed
    // through XWayland stop arriving once another program's window has the
    // focus, so they are never grabbed there.
    virtual bool globalKeysAvailable() const = 0;
    // Grabs both hot keys without modifiers (through the portal keypad *
    // only); false where the session has no global keys. A key another
    // program holds is no error: it just never arrives.
    virtual bool grabHotKeys() = 0;
    virtual void releaseHotKeys() = 0;

    // True while a tray host runs that can show the icon. Without one a
    // window hidden into the tray could not come back.
    virtual bool trayAvailable() const = 0;
    // The menu the tray icon carries; the host (or Qt, on an XEmbed tray)
    // opens it where the desktop places menus. Set once, before or after
    // the icon is added.
    virtual void setTrayMenu(QMenu *menu) = 0;
    // The tray icon: added with its tip, its picture changed while it is
    // there (no effect without one), and removed.
    virtual void addTrayIcon(const QIcon &icon, const QString &tip) = 0;
    virtual void setTrayIcon(const QIcon &icon) = 0;
    virtual void removeTrayIcon() = 0;
    virtual bool hasTrayIcon() const = 0;

    // The Num Lock and Caps Lock states, where the session tells them.
    struct LockKeys
    {
        bool known = false;
        bool num = false;
        bool caps = false;
    };
    virtual LockKeys lockKeys() const = 0;

    // Opens a file with the desktop's program for it; false when that fails.
    virtual bool openPath(const QString &path) = 0;
    // The full path of an installed program, or empty.
    virtual QString findProgram(const QString &name) const = 0;
    // Asks the desktop for the command line of its default program for a
    // MIME type, without file arguments, and answers later (empty when there
    // is none) without holding up the window meanwhile. No answer comes once
    // context is gone.
    using CommandAnswer = std::function<void(const QStringList &command)>;
    virtual void askDefaultCommand(const QString &mimeType, QObject *context, CommandAnswer answer) = 0;
    // Starts a program without waiting; false when it cannot start.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;

signals:
    void hotKeyPressed(int id);
    // The user activated the tray icon to bring the window back.
    void trayShowRequested();
    // The tray host went away while the icon was there (a panel that ended
    // or crashed): the icon is gone with it.
    void trayLost();

protected:
    // Turns an activation of the tray icon into what it asks for. A
    // StatusNotifierItem host sends one Trigger for the click that
    // activates the icon and never a double-click; an XEmbed icon sends
    // Trigger for every press and DoubleClick after the second, so there the
    // double-click shows the window. The menu (Context) is the icon's own.
    void reportTrayActivation(QSystemTrayIcon::ActivationReason why, TrayHost host)
    {
        const auto showing = host == TrayHost::StatusNotifier ? QSystemTrayIcon::Trigger
                                                              : QSystemTrayIcon::DoubleClick;
        if (why == showing)
            emit trayShowRequested();
    }
};
