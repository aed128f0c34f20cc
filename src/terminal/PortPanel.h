// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The port panel: chooses the port (`comba`) and its settings text
// (`text4`), opens the port and initialises a modem on DSR, reports why an
// open failed, locks the panel while the port is in use, edits the buffer
// sizes and shows the five line lamps, of which DTR and RTS are switches
// too. With 断线自动重连 on, a device that goes away is waited for and
// reopened when it comes back. A network port (a URL in the port box) shows
// its connecting in the status bar, where 设 置 gives it up; the last ten
// network ports opened are offered in the port list.

#include "serial/DeviceCatalog.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class QComboBox;
class QPushButton;
class QLabel;
class QWidget;
class ClickLabel;
class Dialogs;
class Lamp;
class LineSwitches;
class PortWatcher;
class QAction;
class Scheduler;
class SerialPort;
class StatusBar;
class Toolbar;
struct TerminalFlags;

class PortPanel : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        const DeviceCatalog &devices;
        StatusBar &status;
        Toolbar &toolbar;
        TerminalFlags &flags;
        int &breakMs; // how long a break holds the line, as stored
    };
    // What other parts add to the panel: the check for a lost carrier right
    // after the CD lamp is painted and the hang-up action (call and answer),
    // whether auto-sending is on, which keeps the panel locked, whether
    // receiving is on, which the toolbar keeps showing after a set-up, and
    // whether the modem functions drive the lines, which keeps the line
    // switches off.
    struct Hooks
    {
        std::function<void()> checkCarrierLoss;
        std::function<void()> hangUp;
        std::function<bool()> isAutoSending;
        std::function<bool()> isReceiving;
        std::function<bool()> linesInUse;
    };

    PortPanel(const Services &services, QWidget *parent);
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    // The parameter book's list as the window is designed.
    static QStringList DesignParameterBook() { return {QStringLiteral("2400,n,8,1")}; }

    QComboBox *comba() const { return m_comba; }
    QComboBox *text4() const { return m_text4; }
    QComboBox *numtext() const { return m_numtext; }
    // The labels beside the parameter box and the phone box.
    ClickLabel *lref() const { return m_lref; }
    ClickLabel *ltel() const { return m_ltel; }
    // The panel's frame with the boxes, buttons, picture and lamps; the
    // buffer-size labels "发送:" and "接收:" stand beside the counters.
    QWidget *frame() const { return m_frame; }
    QWidget *sendBufferLabel() const;
    QWidget *receiveBufferLabel() const;
    QPushButton *exitButton() const { return m_command1; }
    // The mouse is over the receive frame: both buffer labels turn black.
    void resetBufferLabels();

    // Configures and opens the port; false after a failure, which has been
    // reported.
    bool SetupPort();
    // The apply action (`que`), also run by Enter in the boxes, by the
    // port-switch menu items and once at start-up.
    void Apply();
    // The unlock action (`she`).
    void Unlock();
    // The menu items 转串口1/2/3.
    void SwitchToPort(int number);
    // Paints the lamps from the port's lines; run on every poll tick.
    void UpdateLineLamps();

    bool isLocked() const;

    // The break item and the DTR and RTS switches.
    LineSwitches *lineSwitches() const { return m_switches; }

    // The option 断线自动重连 (checked by default).
    QAction *autoReconnectItem() const { return m_mAutoReconnect; }
    // A lost device is being waited for.
    bool isWaitingForDevice() const;

    // The network ports opened lately, the latest first, as the port list
    // offers them; setting them replaces the list's entries.
    static constexpr int kNetworkPortsKept = 10;
    QStringList networkPorts() const { return m_networkPorts; }
    void setNetworkPorts(const QStringList &ports);

signals:
    // The port opened and the panel locked.
    void portApplied();
    // The device went away under the open port; the port is closed already.
    void portLost();

private:
    void buildControls(QWidget *parent);
    void editBufferSize(bool sendSide);
    void showUnlocked();
    void onDeviceLost(const QString &reason);
    void onReopened(const QString &name);
    void onConnecting(const QString &where);
    // Shows the boxes and 确 定 for a new choice, or the locked panel with
    // 设 置, which gives a connection attempt up.
    void showLocked(bool locked);
    void rememberNetworkPort(const QString &name);

    Services m_s;
    Hooks m_hooks;
    QAction *m_mAutoReconnect = nullptr;
    PortWatcher *m_watcher = nullptr;
    // The system's port the open port is, when the system lists it: a USB
    // adapter is recognised by it under a new name.
    std::optional<SystemPort> m_opened;
    // An unlock is hanging up the call on the port it closes; a set-up
    // waits until that is over.
    bool m_hangingUp = false;
    // A set-up is initialising the modem and dropping DTR.
    bool m_settingUp = false;
    LineSwitches *m_switches = nullptr;
    QStringList m_networkPorts;
    // The panel was locked only to offer 设 置 while a port connects.
    bool m_lockedForConnect = false;

    QWidget *m_frame = nullptr;
    QPushButton *m_command1 = nullptr;
    QComboBox *m_comba = nullptr;
    QComboBox *m_text4 = nullptr;
    QComboBox *m_numtext = nullptr;
    QPushButton *m_que = nullptr;
    QPushButton *m_she = nullptr;
    QLabel *m_piccom = nullptr;
    ClickLabel *m_lref = nullptr;
    ClickLabel *m_ltel = nullptr;
    ClickLabel *m_label1 = nullptr;
    ClickLabel *m_label2 = nullptr;
    Lamp *m_spcd = nullptr;
    Lamp *m_shcts = nullptr;
    Lamp *m_shdsr = nullptr;
    Lamp *m_shdtr = nullptr;
    Lamp *m_shrts = nullptr;
};
