#pragma once
// The desktop seam: the check for a running copy, the global hot keys, the
// tray icon, opening a file with the desktop's program and starting a
// program. SystemDesktop is the real one; tests use a recording fake.

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QStringList>

#include <functional>

// The hot keys the main window registers, by id.
enum HotKeyId {
    ShowHideKey = 0, // keypad multiply: hides the window into the tray and back
    DivideKey = 1,   // keypad divide: held, with no action of its own
};

class DesktopServices : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // True when another copy of the program is running. Otherwise this copy
    // becomes the running one until it ends; a copy that crashed does not
    // count as running.
    virtual bool anotherCopyRunning() = 0;

    // Grabs both hot keys without modifiers; false where the session has
    // no global keys (not X11). A key another program holds is no error: it
    // just never arrives.
    virtual bool grabHotKeys() = 0;
    virtual void releaseHotKeys() = 0;

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
    void trayDoubleClicked();
    // The right mouse button on the tray icon, at pos on the screen.
    void trayMenuRequested(const QPoint &pos);
};
