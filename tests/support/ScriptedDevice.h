// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial device the test scripts: it reads the input the test feeds, raises
// the input lines the test sets, can refuse to open, can echo what is written
// like a loopback plug, keeps the settings it was opened with, and logs every
// write and every change of the output lines with its virtual time.

#include "core/Scheduler.h"
#include "serial/InputBuffer.h"
#include "serial/SerialDevice.h"

#include <QList>
#include <QStringList>

// Everything the program wrote to the scripted devices, with the virtual time
// of each write, and every change of the output lines. It outlives the
// devices, which the port makes anew at each opening.
struct WriteLog
{
    struct Write
    {
        qint64 at;
        QByteArray bytes;
    };
    QList<Write> writes;
    // "<time> DTR 1", "<time> RTS 0", "<time> BREAK 1": each line the program
    // drove, in order.
    QStringList lineChanges;

    // The time of the first write of exactly these bytes at or after from; -1 if none.
    qint64 timeOf(const QByteArray &bytes, qint64 from = 0) const;
    // The bytes of every write at or after from, joined.
    QByteArray since(qint64 from) const;
    // The bytes of each write, in order.
    QList<QByteArray> chunks() const;
};

class ScriptedDevice : public SerialDevice
{
    Q_OBJECT
public:
    ScriptedDevice(Scheduler &clock, WriteLog &log) : m_clock(clock), m_log(log) {}

    // The lines the device raises while it is open.
    InputLines lines;
    // When true, every byte written comes back as input.
    bool echo = false;
    // When 0 or more, a write takes at most this many bytes: the rest times out.
    qint64 writeLimit = -1;
    // What open() answers; anything but PortError::None leaves the device closed.
    int openError = PortError::None;
    // The settings of the last open().
    PortSettings settings;
    // RTS as the driver holds it under RTS/CTS flow control.
    bool driverRts = true;

    // The device goes away while open, as an unplugged adapter does.
    void unplug()
    {
        m_open = false;
        emit lost(QString());
    }
    // Bytes arriving from the far end.
    void feed(const QByteArray &bytes) { m_input.append(bytes); }

    int open(const PortSettings &) override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray &bytes, int timeoutMs) override;
    qint64 bytesAvailable() override { return m_input.size(); }
    QByteArray read(qint64 maxBytes) override { return m_input.take(maxBytes); }
    void discardInput() override { m_input.clear(); }
    void discardOutput() override {}
    bool setDtr(bool on) override { return logLine("DTR", on); }
    bool setRts(bool on) override { return logLine("RTS", on); }
    InputLines inputLines() override { return m_open ? lines : InputLines{}; }
    bool rtsLine() override { return m_open && driverRts; }
    bool setBreak(bool on) override { return logLine("BREAK", on); }

private:
    bool logLine(const char *line, bool on);

    Scheduler &m_clock;
    WriteLog &m_log;
    bool m_open = false;
    InputBuffer m_input;
};
