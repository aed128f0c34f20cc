// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window `com`: builds the controls, menus, toolbar and status bar,
// creates the parts of the terminal that work on them and wires the parts
// together. The behaviour itself lives in the parts.

#include "commands/CommandManager.h"
#include "desktop/SplashWindow.h"
#include "settings/Settings.h"
#include "terminal/TerminalFlags.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class Books;
class CallAnswer;
class DataFiles;
class FileTransfer;
class KeywordHighlighting;
class ReceiveAutoSave;
class DesktopServices;
class IconCycle;
class MenuTree;
class ReceiveAreaResizer;
class TopmostSwitch;
class TrayMenu;
class CheckCodes;
class CommandMenu;
class CommandSequencer;
class CommandStore;
class Lifecycle;
class ModemCommands;
class PatrolDialer;
class SettingsStore;
class DeviceCatalog;
class Dialogs;
class FormatSwitch;
class PortPanel;
class ReceivePath;
class Scheduler;
class SendPath;
class SerialPort;
class StatusBar;
class Toolbar;
class QMenu;

class FindBar;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    struct Services
    {
        Scheduler &scheduler;
        Dialogs &dialogs;
        DeviceCatalog &devices;
        SettingsStore &settings;
        // Tray, hot keys, opening files, starting programs.
        DesktopServices &desktop;
    };

    // Said once at start-up where the session has no global keys.
    static const QString kNoHotKeysNotice;

    explicit MainWindow(const Services &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Brings the window into its working state from the stored settings:
    // the port is applied once and polling starts with receiving off. The
    // splash window, if any, closes on the way. Where the session has no
    // global keys the status bar then says so.
    void StartUp(SplashWindow *splash = nullptr);

    SerialPort &port() { return *m_port; }
    TerminalFlags &flags() { return m_flags; }
    FormatSwitch &formats() { return *m_formats; }
    PortPanel &portPanel() { return *m_portPanel; }
    SendPath &sendPath() { return *m_send; }
    ReceivePath &receivePath() { return *m_receive; }
    CheckCodes &checkCodes() { return *m_checks; }
    StatusBar &statusBar() { return *m_status; }
    Toolbar &toolbar() { return *m_toolbar; }
    SettingsValues &settingsValues() { return m_values; }
    CommandStore &commandStore() { return *m_store; }
    CommandSequencer &sequencer() { return *m_sequencer; }
    ModemCommands &modem() { return *m_modem; }
    PatrolDialer &patrol() { return *m_patrol; }
    Books &books() { return *m_books; }
    MenuTree &menus() { return *m_menus; }
    // The menu item (or menu) of this object name; null when there is none.
    QAction *menuItem(const QString &name) const;
    IconCycle &iconCycle() { return *m_icons; }
    TopmostSwitch &topmost() { return *m_topmost; }
    ReceiveAreaResizer &receiveArea() { return *m_resizer; }
    FindBar &findBar() { return *m_findBar; }
    KeywordHighlighting &keywords() { return *m_keywords; }
    DataFiles &dataFiles() { return *m_files; }
    ReceiveAutoSave &autoSave() { return *m_autoSave; }
    FileTransfer &fileTransfer() { return *m_transfer; }
    void OpenCommandManager();
    // From now on the program ends when this window's exit path lets it
    // close, and only then: closing the last visible window (a question box
    // or the command manager while this one sits in the tray) no longer ends
    // it. Called before the program's event loop runs.
    void endProgramOnExit();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildModem();
    void buildCommands();
    void buildMenus();
    void buildLayout();
    void buildDesktop();
    void buildFiles();
    void openAbout();
    void sayIfNotOpened(bool opened, const QString &what);

    Services m_services;
    TerminalFlags m_flags;
    SerialPort *m_port = nullptr;
    StatusBar *m_status = nullptr;
    Toolbar *m_toolbar = nullptr;
    FormatSwitch *m_formats = nullptr;
    PortPanel *m_portPanel = nullptr;
    SendPath *m_send = nullptr;
    ReceivePath *m_receive = nullptr;
    CheckCodes *m_checks = nullptr;
    SettingsValues m_values;
    std::unique_ptr<ModemCommands> m_modem;
    CallAnswer *m_call = nullptr;
    PatrolDialer *m_patrol = nullptr;
    Books *m_books = nullptr;
    CommandStore *m_store = nullptr;
    CommandMenu *m_commandMenu = nullptr;
    CommandSequencer *m_sequencer = nullptr;
    QPointer<CommandManager> m_manager;
    Lifecycle *m_lifecycle = nullptr;
    QPointer<SplashWindow> m_splash;
    MenuTree *m_menus = nullptr;
    TrayMenu *m_tray = nullptr;
    IconCycle *m_icons = nullptr;
    TopmostSwitch *m_topmost = nullptr;
    ReceiveAreaResizer *m_resizer = nullptr;
    FindBar *m_findBar = nullptr;
    KeywordHighlighting *m_keywords = nullptr;
    DataFiles *m_files = nullptr;
    ReceiveAutoSave *m_autoSave = nullptr;
    FileTransfer *m_transfer = nullptr;
    QPointer<QWidget> m_about;
    bool m_closing = false;
    bool m_endsProgram = false;
};
