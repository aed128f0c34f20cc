// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user's side of the modem: the call button `hu` with its countdown and
// progress bar, the hang-up button `hang`, hanging up by itself when the
// carrier drops, and waiting for and answering incoming calls (`Huru`).

#include "modem/DialCountdown.h"
#include "modem/RingWatch.h"

#include <QObject>

class QAction;
class QCheckBox;
class QPushButton;
class QRadioButton;
class QWidget;
class Dialogs;
class ModemCommands;
class ProgressShape;
class ReceivePath;
class Scheduler;
class SendPath;
class SerialPort;
class StatusBar;
class Timer;
struct TerminalFlags;

class CallAnswer : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        StatusBar &status;
        TerminalFlags &flags;
        ModemCommands &modem;
        SendPath &send;
        ReceivePath &receive;
        const int &handshakeWaitMs;
    };

    CallAnswer(const Services &services, QWidget *parent);

    // The frame with the buttons, the dialing options, `Huru` and the bar.
    QWidget *frame() const { return m_frame; }
    QRadioButton *yoption() const { return m_yoption; }
    QRadioButton *moption() const { return m_moption; }
    // The menu items 呼叫 F6 and 挂机 F7.
    QAction *callItem() const { return m_callItem; }
    QAction *hangItem() const { return m_hangItem; }
    Timer *go() const { return m_go; }

    void Call();
    void HangUpAction();
    // The modem's part of the receive tick: watches for and answers calls.
    void CallWatch();
    // Right after the CD lamp is painted: hang up when the carrier dropped.
    void CheckCarrierLoss();
    bool isCallUp() const;
    // A call is being dialed, is up or is being hung up, or calls are
    // waited for: the modem functions drive DTR and RTS.
    bool drivesLines() const;

private:
    void buildControls(QWidget *parent);
    void countdownTick();
    void answerIncomingCall();
    void paintBar();
    void setBusyPointer(bool busy);

    Services m_s;
    DialCountdown m_countdown;
    RingWatch m_ringWatch;
    Timer *m_go = nullptr;

    QWidget *m_frame = nullptr;
    QPushButton *m_hu = nullptr;
    QPushButton *m_hang = nullptr;
    QCheckBox *m_huru = nullptr;
    QRadioButton *m_yoption = nullptr;
    QRadioButton *m_moption = nullptr;
    ProgressShape *m_sp = nullptr;
    // A call is being dialed: the modem's answers belong to the dial.
    bool m_dialing = false;
    // The hang-up sequence is running.
    bool m_hangingUp = false;
    QAction *m_callItem = nullptr;
    QAction *m_hangItem = nullptr;
};
