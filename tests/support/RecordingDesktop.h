// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A desktop for tests: records the tray icon and its menu, the hot-key
// grabs, the files opened and the programs started; the programs
// "installed", the default text editor, the other running copy, the
// session's global keys and the tray host are set by the test. Hot keys and
// tray activations are sent with press and activateTray. Header-only, for
// the tests that link the desktop.

#include "desktop/DesktopServices.h"

struct RecordingDesktop : DesktopServices
{
    // What the test sets.
    bool otherCopy = false;       // another copy is running
    bool x11 = true;              // the session has global keys
    bool trayHostRuns = true;     // a tray host can show the icon
    TrayHost host = TrayHost::XEmbed;
    QStringList installed;        // program names findProgram knows
    QStringList defaultEditor;    // the default command for text/plain
    LockKeys locks;               // what lockKeys answers

    // What the program did.
    bool grabbed = false;
    int grabs = 0;
    int releases = 0;
    bool tray = false;
    QIcon trayIcon;
    QString trayTip;
    QMenu *trayMenu = nullptr;    // the menu the icon carries
    int trayChanges = 0;          // setTrayIcon while the icon was there
    QStringList opened;
    QList<QStringList> started;   // program, then its arguments

    bool anotherCopyRunning() override { return otherCopy; }
    bool globalKeysAvailable() const override { return x11; }
    bool grabHotKeys() override
    {
        ++grabs;
        grabbed = x11;
        return x11;
    }
    void releaseHotKeys() override
    {
        ++releases;
        grabbed = false;
    }
    bool trayAvailable() const override { return trayHostRuns; }
    void setTrayMenu(QMenu *menu) override { trayMenu = menu; }
    void addTrayIcon(const QIcon &icon, const QString &tip) override
    {
        tray = true;
        trayIcon = icon;
        trayTip = tip;
    }
    void setTrayIcon(const QIcon &icon) override
    {
        if (!tray)
            return;
        trayIcon = icon;
        ++trayChanges;
    }
    void removeTrayIcon() override { tray = false; }
    // The tray host ends, taking the icon with it.
    void endTrayHost()
    {
        trayHostRuns = false;
        tray = false;
        emit trayLost();
    }
    bool hasTrayIcon() const override { return tray; }
    LockKeys lockKeys() const override { return locks; }
    bool openPath(const QString &path) override
    {
        opened << path;
        return true;
    }
    QString findProgram(const QString &name) const override
    {
        return installed.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    }
    void askDefaultCommand(const QString &mimeType, QObject *, CommandAnswer answer) override
    {
        answer(mimeType == QLatin1String("text/plain") ? defaultEditor : QStringList());
    }
    bool startProgram(const QString &program, const QStringList &arguments) override
    {
        started << (QStringList{program} + arguments);
        return true;
    }

    // A hot key arrives; only while grabbed, as with a real grab.
    void press(int id)
    {
        if (grabbed)
            emit hotKeyPressed(id);
    }
    // The tray host reports an activation of the icon, as the host of kind
    // host does.
    void activateTray(QSystemTrayIcon::ActivationReason why)
    {
        if (tray)
            reportTrayActivation(why, host);
    }
};
