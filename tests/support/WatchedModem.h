// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated modem, watched: what the program writes to it goes to the
// shared write log with its virtual time, and the test can reach the
// instance the port opened. Header-only, for the tests that link the modem.

#include "ScriptedDevice.h"
#include "modem/SimulatedModem.h"

class WatchedModem : public SimulatedModem
{
public:
    static inline const QString kName = QStringLiteral("watched-modem");

    WatchedModem(Scheduler &clock, WriteLog &log) : SimulatedModem(clock), m_clock(clock), m_log(log) {}
    qint64 write(const QByteArray &bytes, int timeoutMs) override
    {
        if (isOpen())
            m_log.writes.append({m_clock.now(), bytes});
        return SimulatedModem::write(bytes, timeoutMs);
    }

private:
    Scheduler &m_clock;
    WriteLog &m_log;
};
