// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated Hayes-style modem on a telephone line, for trying out the
// modem functions without hardware. The user picks it by name in the port
// box. All its timing runs through the scheduler.
//
// How it behaves:
// - DSR is high while the port is open. Echo is off; results are verbose
//   words on their own line ("\r\nOK\r\n").
// - Command mode: AT, ATZ, ATE0, ATV1, ATQ0, ATXn, ATLn, ATMn, AT&F and
//   ATSn=v answer "OK"; ATH / ATH0 hang up and answer "OK"; ATO returns to
//   a call that is still up; anything else answers "ERROR". Upper or lower
//   case, each command ends with CR.
// - ATDT / ATDP / ATD + number dials. The outcome depends on the last digit
//   of the number:
//       0-4  "CONNECT 9600" after 3 s, carrier up, data mode
//       5    "BUSY" after 2 s
//       6    "NO CARRIER" after 5 s
//       7    "NO DIALTONE" after 1 s
//       8    no answer at all
//       9    "BUSY" after 2 s, and then that number calls back: the modem
//            rings ("RING") 10 s later and every 6 s after, 10 times, until
//            the call is answered.
//   Any character sent while the modem is dialing or answering abandons the
//   attempt with "NO CARRIER".
// - ATA or ATHA while ringing answers the call: "CONNECT 9600" after 3 s,
//   carrier up. Without an incoming call they answer "NO CARRIER".
// - Data mode: everything sent comes back, as from a far end that echoes.
//   Three plus signs in a row ("+++") return to command mode ("OK") with
//   the call still up.
// - Dropping DTR hangs up a call or a dialing attempt.

#include "serial/InputBuffer.h"
#include "serial/SerialDevice.h"

#include <functional>

class Scheduler;
class Timer;

class SimulatedModem : public SerialDevice
{
    Q_OBJECT
public:
    static const QString kName;

    explicit SimulatedModem(Scheduler &scheduler, QObject *parent = nullptr);

    int open(const PortSettings &settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray &bytes, int timeoutMs) override;
    qint64 bytesAvailable() override { return m_input.size(); }
    QByteArray read(qint64 maxBytes) override;
    void discardInput() override { m_input.clear(); }
    void discardOutput() override {}
    bool setDtr(bool on) override;
    bool setRts(bool) override { return m_open; }
    InputLines inputLines() override { return {m_carrier, false, m_open}; }
    bool rtsLine() override { return m_open; }
    // A break goes to the far end in a call and is ignored in command mode;
    // the far end here echoes characters only, so it shows nothing.
    bool setBreak(bool) override { return m_open; }

    // An incoming call: "RING" now and every 6 s, 10 times, until answered.
    // Ignored while the line is in use.
    void ring();
    // The far end hangs up: carrier drops and the modem says "NO CARRIER".
    void dropCarrier();

private:
    enum class Mode { Command, Dialing, Answering, Data };

    void acceptCommandByte(char c);
    void runCommand(const QByteArray &line);
    void dial(const QByteArray &number);
    void answer();
    void acceptDataByte(char c);

    void afterDelay(int ms, std::function<void()> step);
    void ringOnce();
    void stopRinging();
    void goOnline();
    void hangUp();
    void respond(const char *word);
    void appendInput(const QByteArray &bytes);

    Timer *m_progress;
    Timer *m_ringer;
    std::function<void()> m_pendingStep;

    bool m_open = false;
    bool m_dtr = false;
    bool m_carrier = false;
    Mode m_mode = Mode::Command;
    QByteArray m_line;
    bool m_lineOverflow = false;
    int m_plusRun = 0;
    int m_ringsLeft = 0;
    bool m_ringing = false;
    InputBuffer m_input;
};
