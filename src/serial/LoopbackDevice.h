// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated loopback plug: every byte written comes back as input, and CTS
// follows RTS (which, under RTS/CTS flow control, the driver holds on: the
// plug is always ready). No modem lines (DSR, CD) are raised, so the port
// set-up sends no modem initialisation to it. A break shows nothing: the
// receiving side of a plug takes it for no character at all.

#include "serial/InputBuffer.h"
#include "serial/SerialDevice.h"

class LoopbackDevice : public SerialDevice
{
    Q_OBJECT
public:
    using SerialDevice::SerialDevice;

    int open(const PortSettings &settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray &bytes, int timeoutMs) override;
    qint64 bytesAvailable() override { return m_input.size(); }
    QByteArray read(qint64 maxBytes) override;
    void discardInput() override { m_input.clear(); }
    void discardOutput() override {}
    bool setDtr(bool) override { return m_open; }
    bool setRts(bool on) override;
    InputLines inputLines() override { return {false, m_rts, false}; }
    bool rtsLine() override { return m_rts; }
    bool setBreak(bool) override { return m_open; }

private:
    bool m_open = false;
    bool m_rts = false;
    InputBuffer m_input;
};
