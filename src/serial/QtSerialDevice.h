// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A real serial device (or pseudo-terminal) through QSerialPort.

#include "serial/SerialDevice.h"

#include <QSerialPort>

class QtSerialDevice : public SerialDevice
{
    Q_OBJECT
public:
    // path: a device name ("ttyUSB0") or path ("/dev/pts/3").
    explicit QtSerialDevice(const QString &path, QObject *parent = nullptr);

    int open(const PortSettings &settings) override;
    QString openFailure() const override { return m_openFailure; }
    void close() override;
    bool isOpen() const override;
    qint64 write(const QByteArray &bytes, int timeoutMs) override;
    qint64 bytesAvailable() override;
    QByteArray read(qint64 maxBytes) override;
    void discardInput() override;
    void discardOutput() override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    InputLines inputLines() override;
    bool rtsLine() override;
    bool setBreak(bool on) override;

private:
    void onError(QSerialPort::SerialPortError error);
    bool applySettings(const PortSettings &settings);
    // Whether this user may read and write the device file.
    bool userMayUse() const;

    QSerialPort m_port;
    QString m_location; // the device file
    QString m_openFailure;
};
