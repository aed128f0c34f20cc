// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's one serial port (the control MSComm1). It keeps the port
// name, the settings text, the buffer sizes and the line settings, and opens
// the device that the name stands for: a number N is the platform's N-th
// serial port, any other text a device name or path, or a simulated device.

#include "serial/SerialDevice.h"

#include <functional>
#include <memory>

class Scheduler;

// How long a break holds the line, in milliseconds: the default and the
// range a stored or typed length must keep to.
namespace BreakLength {
constexpr int DefaultMs = 250;
constexpr int MinMs = 1;
constexpr int MaxMs = 10000;
} // namespace BreakLength

struct LineStates
{
    bool cd = false, cts = false, dsr = false, dtr = false, rts = false;
};

class SerialPort : public QObject
{
    Q_OBJECT
public:
    using DeviceFactory = std::function<std::unique_ptr<SerialDevice>(const QString &name)>;

    explicit SerialPort(DeviceFactory factory, QObject *parent = nullptr);
    ~SerialPort() override;

    // The port's name as the user typed it, trimmed.
    QString portName() const { return m_name; }
    void setPortName(const QString &name) { m_name = name.trimmed(); }

    // The last settings text the port accepted. A refused text returns 380
    // and leaves the settings as they were.
    QString settings() const { return m_settingsText; }
    int setSettings(const QString &text);

    // Opens the named device with the current settings; a PortError number.
    // A network port lets events run while it connects (see connecting());
    // a close() meanwhile gives it up, and open() returns Abandoned.
    int open();
    // An open is still connecting.
    bool isConnecting() const { return m_opening != nullptr; }
    // Why the last open failed, in words for the user; may be empty.
    QString openFailure() const { return m_openFailure; }
    void close();
    bool isOpen() const;

    // Writes bytes, bounded by the comm time-out; the number of bytes that
    // left. Text goes out as its GBK bytes. A write lets events run while it
    // waits for the bytes to leave: the port may be closed or lose its
    // device meanwhile, and the write then ends with what had left.
    qint64 output(const QByteArray &bytes);
    // Writes a modem command of the program's own (AT commands and the
    // escape), announced before and after (see the signals).
    qint64 outputText(const QString &text);
    // A write is waiting for its bytes to leave; events run inside it.
    bool isWriting() const { return m_writes > 0; }

    // InBufferCount: bytes waiting to be read, in the port and, when the
    // port's buffer is empty, in the device.
    qint64 bytesWaiting();
    QByteArray read(qint64 maxBytes);
    // Reads everything waiting as text. A character split across two reads
    // decodes whole: a lead byte at the end of a read is held for the next.
    QString readText();
    // The byte a readText() holds, handed over and forgotten: when the
    // reading goes on in a byte format, it is shown as the byte it is.
    QByteArray takeHeldBytes();
    void discardInput();
    void discardOutput();

    int inBufferSize() const { return m_inBufferSize; }
    int outBufferSize() const { return m_outBufferSize; }
    // A size change fails while the port is open or for a size below 1.
    bool setInBufferSize(int size);
    bool setOutBufferSize(int size);

    // The program's own DTR and RTS settings (DTREnable, RTSEnable). Under
    // RTS/CTS flow control the driver drives RTS and the setting waits.
    void setDtrEnable(bool on);
    void setRtsEnable(bool on);
    bool dtrEnable() const { return m_dtr; }
    bool rtsEnable() const { return m_rts; }
    bool cdHolding();
    bool ctsHolding();
    bool dsrHolding();
    // The settings the port opens with (the last accepted text's).
    const PortSettings &portSettings() const { return m_settings; }
    // Holds the line in break or releases it; false while closed or when the
    // device refuses.
    bool setBreak(bool on);
    // What the lamps show: every line off while the port is closed, and
    // DTR/RTS off when the device refused them; under RTS/CTS flow control
    // RTS as the driver holds it.
    LineStates lineStates();

    // The write time-out: (OutBufferSize / baud) * 10000 + 1000 ms.
    int commTimeoutMs() const;

signals:
    // The device has input waiting (see SerialDevice::inputArrived).
    void inputArrived();
    // The device went away while open; the port is closed already.
    void deviceLost(const QString &reason);
    // The device being opened is connecting to host:port, which may take long.
    void connecting(const QString &where);
    // The port let its device go (closed, set up anew, or the window
    // closing): what belonged to that opening ends.
    void closed();
    // A modem command of the program's own (outputText) is about to go out:
    // a send still going ends first, so that their bytes never interleave.
    void commandStarting();
    // A modem command was written; `unsent` bytes of it did not leave.
    void commandWritten(const QByteArray &bytes, qint64 unsent);

private:
    DeviceFactory m_factory;
    // Shared with a write in progress, which keeps the device alive until it
    // returns even when the port lets it go meanwhile.
    std::shared_ptr<SerialDevice> m_device;
    // The device whose open() is still running.
    std::shared_ptr<SerialDevice> m_opening;
    int m_writes = 0;
    QString m_name = QStringLiteral("1");
    QString m_settingsText = QStringLiteral("9600,n,8,1");
    PortSettings m_settings;
    QString m_openFailure;
    int m_inBufferSize = 1024;
    int m_outBufferSize = 512;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_dtrAccepted = false;
    bool m_rtsAccepted = false;
    QByteArray m_heldBytes;
};
