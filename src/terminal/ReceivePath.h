// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Received data is polled: the 20 ms timer `mtimer` runs the modem's call
// watch, the line lamps and, while receiving is on, drains the port's input
// into the receive pane `Text2` in the current receive format. A real device
// that has input waiting is drained at once, not at the next tick, and a
// fast stream is drained in steps of a few milliseconds with the window's
// events in between. This class owns that tick, the drain, start and stop of
// receiving, the receive counter `zir`, the clear action and the pane's
// read-only switch.

#include "terminal/ReceiveStamps.h"

#include <QByteArrayView>
#include <QObject>
#include <functional>
#include <QString>

class QAction;
class QCheckBox;
class QPushButton;
class QTimer;
class ClickLabel;
class FormatSwitch;
class ReceivePane;
class StampChoice;
class Scheduler;
class SerialPort;
class Toolbar;
class Timer;
class Dialogs;

class ReceivePath : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        Toolbar &toolbar;
        FormatSwitch &formats;
    };

    ReceivePath(const Services &services, QWidget *parent);

    ReceivePane *Text2() const { return m_text2; }
    Timer *mtimer() const { return m_mtimer; }

    // Starts the poll timer (the end of start-up); receiving stays as it is.
    void StartPolling();
    void StopPolling();

    void PollTick();
    // One step of reading the port's input into the pane.
    void DrainInput();

    // The receive action (`Receive`, menu 接收, toolbar button 2).
    void Receive();
    // The only ways receiving goes on and off: each changes the state, the
    // buttons `Receive`/`tings` and the toolbar together.
    void StartReceive();
    void StopReceive();
    bool isReceiving() const;
    void Clear();

    // A file transfer owns the port while it runs: the pane takes nothing
    // and the receive buttons wait; receiving goes on as it was after,
    // without what arrived meanwhile.
    void setHeld(bool held);
    bool isHeld() const { return m_held; }
    // Looks at each piece read for the start of a transfer: returns where
    // one begins in the piece, or -1. The pane takes the piece up to there,
    // holds itself and says transferStarting().
    void setStartWatch(std::function<qsizetype(QByteArrayView)> watch) { m_startWatch = std::move(watch); }

    // Shows a send in the pane when the option 显示发送数据 is on (see
    // SendPath::dataSent).
    void showSent(const QByteArray &bytes, qint64 unsent);
    // The option 显示发送数据 (mShowSent), off unless ticked.
    QAction *showSentItem() const { return m_showSent; }
    // The option 时间戳: the kind of the stamps and the frame gap.
    StampChoice *stamps() const { return m_stampChoice; }
    // The stamps' clock, which a test sets to a known time.
    ReceiveStamper &stamper() { return m_stamper; }

    qint64 counter() const { return m_counter; }
    void resetCounter();

    QPushButton *receiveButton() const { return m_receive; }
    QPushButton *stopButton() const { return m_tings; }
    QPushButton *clearButton() const { return m_command4; }
    QCheckBox *readOnlySwitch() const { return m_onlyR; }
    ClickLabel *counterLabel() const { return m_zir; }

signals:
    // A poll tick begins; the call watch and the line lamps run here, before
    // the drain.
    void polling();
    // Receiving was switched off (the send button is usable again).
    void receiveStopped();
    // The start watch found a transfer starting; the pane is held.
    void transferStarting();

private:
    // The pane's last character, as text (empty for an empty pane).
    QString paneEnd() const;
    void buildControls(QWidget *parent);
    void showCounter();
    // Runs a drain step once the window has had its turn.
    void drainSoon();
    // The receive format changed: a character half read as text is shown.
    void showHeldBytes();

    Services m_s;
    // Receiving is on; changed by StartReceive and StopReceive alone.
    bool m_receiving = false;
    bool m_held = false;
    std::function<qsizetype(QByteArrayView)> m_startWatch;
    Timer *m_mtimer = nullptr;
    qint64 m_counter = 0;
    QTimer *m_drainSoon = nullptr;
    // The text of a step, and what appending took per character last time.
    QString m_shown;
    double m_appendNsPerChar = 0;
    // The stamps of a step within m_shown, and a piece rendered in a byte
    // format before it is stamped.
    ReceiveStamper m_stamper;
    StampChoice *m_stampChoice = nullptr;
    std::vector<PaneColours::Run> m_stamps;
    QString m_piece;

    QAction *m_showSent = nullptr;
    ReceivePane *m_text2 = nullptr;
    QPushButton *m_receive = nullptr;
    QPushButton *m_tings = nullptr;
    QPushButton *m_command4 = nullptr;
    QCheckBox *m_onlyR = nullptr;
    ClickLabel *m_zir = nullptr;
};
