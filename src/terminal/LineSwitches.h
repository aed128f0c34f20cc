// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The output lines by hand. 发送中断信号(Break) holds the transmit line in
// break for the stored length and then releases it, on a timer, so the
// window goes on receiving meanwhile. The DTR and RTS lamps are switches: a
// click turns the line over and the lamp follows. While the modem functions
// drive the lines (a call, an answer wait, a patrol, a command run) the
// switches are off, and the lines stay as those functions leave them.
// 选项 → 设置Break时长 sets how long a break holds the line.

#include <QObject>
#include <functional>

class Dialogs;
class Lamp;
class QAction;
class Scheduler;
class SerialPort;
class Timer;

class LineSwitches : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        int &breakMs; // how long a break holds the line, as stored
    };
    LineSwitches(const Services &services, Lamp &dtr, Lamp &rts, QObject *parent);

    // Whether something else drives the lines now.
    void setLinesInUse(std::function<bool()> inUse) { m_linesInUse = std::move(inUse); }

    // The item 发送中断信号(Break) of the control menu and the option that
    // sets its length.
    QAction *breakItem() const { return m_breakItem; }
    QAction *breakLengthItem() const { return m_lengthItem; }
    void SendBreak();
    bool isInBreak() const;
    // Asks for the length until it is one of 1 to 10000 ms or the answer is
    // empty (Cancel), which changes nothing.
    void SetBreakLength();

    // Offers the break item and the switches as far as the port and the
    // modem functions allow; run on every poll tick and whenever the port
    // opens or closes.
    void Refresh();

private:
    void endBreak();
    void toggle(bool dtr);

    Services m_s;
    Lamp &m_dtr;
    Lamp &m_rts;
    std::function<bool()> m_linesInUse;
    QAction *m_breakItem = nullptr;
    QAction *m_lengthItem = nullptr;
    Timer *m_breakHold = nullptr;
};
