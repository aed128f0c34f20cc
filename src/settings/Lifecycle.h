// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The life cycle of the main window: the start-up sequence that brings it
// into its working state from the stored settings, and the exit sequence
// that asks for confirmation, saves the settings and releases the port.
// Both are fixed orders of steps; the steps that belong to other parts of
// the program are hooks.

#include "settings/Settings.h"

#include <QObject>
#include <functional>
#include <optional>

class CheckCodes;
class Dialogs;
class FormatSwitch;
class PortPanel;
class ReceivePath;
class Scheduler;
class SendPath;
class SerialPort;
class SettingsStore;
class StatusBar;
struct TerminalFlags;

class Lifecycle : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        SettingsStore &store;
        SettingsValues &values;
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        StatusBar &status;
        TerminalFlags &flags;
        FormatSwitch &formats;
        PortPanel &portPanel;
        SendPath &send;
        ReceivePath &receive;
        CheckCodes &checks;
    };
    struct Hooks
    {
        std::function<void()> loadCommands;   // open, load and close the command store
        std::function<void()> closeSplash;    // closes the splash window (it pauses 1 s)
        std::function<void()> stopCountdown;  // the dial countdown timer
        std::function<bool()> callIsUp;       // the hang-up button is visible
        std::function<void()> hangUp;         // the hang-up action
        std::function<void()> releaseDesktop; // tray icon, hot keys
    };

    Lifecycle(const Parts &parts, Hooks hooks, QObject *parent = nullptr);

    void StartUp();
    // Runs the exit sequence; false when the user cancelled the close.
    bool Exit();

private:
    struct PortValues
    {
        QString name;
        QString settings;
    };

    bool confirm(const QString &text, const QString &title);
    // The controls the settings fill and are read from.
    SettingsWidgets settingsWidgets();
    // Exit step 5, with its message when the store could not be written.
    void saveSettings();

    Parts m_p;
    Hooks m_hooks;
    // The port name and settings text start-up loaded, from the load until
    // the port set-up gives them to the port.
    std::optional<PortValues> m_portAwaitingSetUp;
};
