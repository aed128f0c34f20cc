// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real desktop: a lock file for the running copy, hot keys through an
// X11 key grab in X11 sessions and through the desktop portal under Wayland, QSystemTrayIcon (on an XEmbed tray or a
// StatusNotifierItem host), and programs found on PATH and started with
// QProcess.

#include "desktop/DesktopServices.h"

#include <QPointer>

class QTimer;

#include <memory>
#include <optional>

class QLockFile;
class QProcessEnvironment;
class PortalShortcuts;
class X11KeyGrab;

// True for an X11 session: the Qt platform is xcb and neither
// XDG_SESSION_TYPE nor WAYLAND_DISPLAY tell of Wayland. Under XWayland the
// platform is xcb too, but keys grabbed there stop arriving once a Wayland
// window has the focus.
bool IsX11Session(const QString &platformName, const QProcessEnvironment &environment);

// The command line of a desktop entry's Exec key (freedesktop.org desktop
// entry text), without its field codes (%f, %U, ...); empty when it has none
// or when the entry runs in a terminal (Terminal=true): started from here it
// would have nowhere to show.
QStringList DesktopEntryCommand(const QString &entryText);

class SystemDesktop : public DesktopServices
{
    Q_OBJECT
public:
    // lockPath is the file that marks the running copy; by default one in
    // the user's runtime folder.
    explicit SystemDesktop(const QString &lockPath = defaultLockPath(), QObject *parent = nullptr);
    ~SystemDesktop() override;

    static QString defaultLockPath();

    bool anotherCopyRunning() override;
    bool globalKeysAvailable() const override;
    bool grabHotKeys() override;
    void releaseHotKeys() override;
    bool trayAvailable() const override;
    void setTrayMenu(QMenu *menu) override;
    void addTrayIcon(const QIcon &icon, const QString &tip) override;
    void setTrayIcon(const QIcon &icon) override;
    void removeTrayIcon() override;
    bool hasTrayIcon() const override;
    LockKeys lockKeys() const override;
    bool openPath(const QString &path) override;
    QString findProgram(const QString &name) const override;
    void askDefaultCommand(const QString &mimeType, QObject *context, CommandAnswer answer) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;

private:
    // The kind of tray host that shows the icons now.
    static TrayHost currentTrayHost();

    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    X11KeyGrab *m_keys;
    PortalShortcuts *m_portal;
    // Whether the session offers global keys, asked once.
    mutable std::optional<bool> m_globalKeys;
    QSystemTrayIcon *m_tray = nullptr;
    QTimer *m_trayWatch = nullptr;
    QPointer<QMenu> m_trayMenu;
};
