// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial port seam: one device behind the program's port. The real
// backend drives QSerialPort; simulated devices (loopback, modem) live in
// the process and can be picked by the user in the port box.

#include "serial/PortSettings.h"

#include <QByteArray>
#include <QObject>

// The error numbers the port set-up turns into messages.
namespace PortError {
constexpr int None = 0;
constexpr int BadSettings = 380;
constexpr int NoSuchPort = 8002;
constexpr int PortInUse = 8005;
// The device is there but this user may not read and write it.
constexpr int PermissionDenied = 70;
// A network port could not be reached or spoke no serial server's protocol;
// openFailure() says what happened.
constexpr int NetworkFailure = 8010;
// The open was given up (the port closed) while it was still connecting.
constexpr int Abandoned = -2;
constexpr int Other = -1;
} // namespace PortError

struct InputLines
{
    bool cd = false;
    bool cts = false;
    bool dsr = false;
};

class SerialDevice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the device with these settings; a PortError number.
    virtual int open(const PortSettings &settings) = 0;
    // Why the last open() failed, in words for the user; empty when its
    // error number says it all.
    virtual QString openFailure() const { return {}; }
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Writes the bytes, waiting at most timeoutMs for them to leave; the
    // number of bytes that left (what did not is discarded).
    virtual qint64 write(const QByteArray &bytes, int timeoutMs) = 0;

    virtual qint64 bytesAvailable() = 0;
    virtual QByteArray read(qint64 maxBytes) = 0;
    virtual void discardInput() = 0;
    virtual void discardOutput() = 0;

    // Drive the output lines; false when the device refuses (a
    // pseudo-terminal has no such lines), which is harmless.
    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;
    virtual InputLines inputLines() = 0;
    // The RTS line as the driver holds it; asked only under RTS/CTS flow
    // control, where the driver drives RTS itself.
    virtual bool rtsLine() = 0;
    // Holds the transmit line in break (on) or releases it; false when the
    // device refuses, which is harmless.
    virtual bool setBreak(bool on) = 0;

signals:
    // Input arrived from outside the program (a real device); devices in the
    // process need not say so, their input is there at the next poll.
    void inputArrived();
    // The device went away while open (unplugged, far end closed); the
    // device has closed itself. The reason is that of the error that closed
    // it, or empty.
    void lost(const QString &reason);
    // The device is reaching its port over the network (host:port), which
    // may take a while: events run meanwhile, and close() gives it up.
    void connecting(const QString &where);
};
