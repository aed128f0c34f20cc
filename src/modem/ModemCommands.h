// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The AT command layer between the call functions and the serial port:
// dialing the number in the phone box, hanging up, and waiting for the
// handshake after an incoming call was answered. It also owns the handshake
// wait time.
//
// Every pause goes through the scheduler and owns its deadline, so a wait
// started meanwhile by another handler never shortens or lengthens these.
// When the program is shutting down, the operations end at their next pass
// without touching the window.

#include <QString>
#include <functional>

class Dialogs;
class Scheduler;
class SerialPort;

enum class DialMethod { Tone, Pulse, None };

// What the AT layer needs from the main window.
struct ModemWindow
{
    std::function<QString()> phoneNumber;             // text of the phone box numtext
    std::function<DialMethod()> dialMethod;           // yoption / moption
    std::function<void()> stopReceiving;              // receiving off, as 停 止 does, if it is on
    std::function<void(const QString &)> appendToPane; // appends to the receive pane Text2
};

constexpr int kDefaultHandshakeWaitMs = 35000;

// The wait time that applies: a stored 0 (or less) counts as the default.
int EffectiveHandshakeWaitMs(int waitMs);

// A duration in whole or fractional seconds as the user reads it: "35", "12.5".
QString SecondsText(int ms);

class ModemCommands
{
public:
    // handshakeWaitMs is the settings value ("Options"/"WaitModemTime"),
    // read at every wait so a change through the menu counts at once.
    ModemCommands(SerialPort &port, Scheduler &scheduler, Dialogs &dialogs, ModemWindow window,
                  const int &handshakeWaitMs);

    // Dials the phone box's number and waits for the connection; true when
    // it was made. After a failure the modem has been hung up.
    bool Dial();
    // Returns the modem to command mode, hangs up and pulses DTR.
    void HangUp();
    // Waits for the handshake of an answered call, showing the modem's
    // answers in the receive pane; true when carrier detect is high at the end.
    bool WaitConnect();


private:
    // A pause; false when the program is shutting down and the operation must end.
    bool pause(int ms);

    enum class Watch { Dialing, Answering };
    // Collects the modem's answers until carrier, "CONNECT", a failure word
    // or the end of the handshake wait; false when the attempt failed.
    bool waitForHandshake(Watch watch);

    SerialPort &m_port;
    Scheduler &m_scheduler;
    Dialogs &m_dialogs;
    ModemWindow m_window;
    const int &m_handshakeWaitMs;
};

// The menu item 设置握手时间 (control 设置握手等待时间): asks for the wait
// time in seconds, 5 to 60; any other answer sets 35 s.
void SetHandshakeTime(Dialogs &dialogs, int &handshakeWaitMs);
