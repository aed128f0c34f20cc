#pragma once
// The main window `com`: builds the controls, menus, toolbar and status bar,
// creates the parts of the terminal that work on them and wires the parts
// together. The behaviour itself lives in the parts.

#include "core/TerminalFlags.h"

#include <QMainWindow>

class CheckCodes;
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

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    struct Services
    {
        Scheduler &scheduler;
        Dialogs &dialogs;
        DeviceCatalog &devices;
    };

    explicit MainWindow(const Services &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Brings the window into its working state: the port is applied once
    // and polling starts with receiving off.
    void StartUp();

    SerialPort &port() { return *m_port; }
    TerminalFlags &flags() { return m_flags; }
    FormatSwitch &formats() { return *m_formats; }
    PortPanel &portPanel() { return *m_portPanel; }
    SendPath &sendPath() { return *m_send; }
    ReceivePath &receivePath() { return *m_receive; }
    CheckCodes &checkCodes() { return *m_checks; }
    StatusBar &statusBar() { return *m_status; }
    Toolbar &toolbar() { return *m_toolbar; }

private:
    void buildMenus();
    void buildLayout();
    QAction *addMenuItem(QMenu *menu, const char *name, const QString &text,
                         const QKeySequence &shortcut = {});

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
};
