// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SerialPort.h"

#include "core/TextCodec.h"

#include <utility>

SerialPort::SerialPort(DeviceFactory factory, QObject *parent)
    : QObject(parent), m_factory(std::move(factory))
{
}

SerialPort::~SerialPort()
{
    // A connection still being made is given up: its open returns to a
    // port that no longer waits for it.
    if (m_opening)
        m_opening->close();
}

int SerialPort::setSettings(const QString &text)
{
    const auto parsed = PortSettings::parse(text);
    if (!parsed)
        return PortError::BadSettings;
    m_settings = *parsed;
    m_settingsText = text.trimmed();
    return PortError::None;
}

int SerialPort::open()
{
    close();
    m_openFailure.clear();
    std::shared_ptr<SerialDevice> device = m_factory(m_name);
    if (!device)
        return PortError::NoSuchPort;
    // A network device serves events while it connects: a close() among
    // them gives the attempt up, and the device lives until open() returns.
    m_opening = device;
    connect(device.get(), &SerialDevice::connecting, this, &SerialPort::connecting);
    const int error = device->open(m_settings);
    device->disconnect(this);
    const bool givenUp = m_opening != device;
    if (!givenUp)
        m_opening.reset();
    if (givenUp || error == PortError::Abandoned) {
        device->close();
        return PortError::Abandoned;
    }
    if (error != PortError::None) {
        m_openFailure = device->openFailure();
        return error;
    }
    m_device = std::move(device);
    SerialDevice *opened = m_device.get();
    connect(opened, &SerialDevice::inputArrived, this, &SerialPort::inputArrived);
    connect(opened, &SerialDevice::lost, this, [this, opened](const QString &reason) {
        // Called from inside the device: release it once control is back,
        // unless the port has moved on to another device meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, opened] {
                if (m_device.get() == opened)
                    m_device.reset();
            },
            Qt::QueuedConnection);
        emit deviceLost(reason);
    });
    m_heldBytes.clear();
    m_dtrAccepted = m_device->setDtr(m_dtr);
    if (!m_settings.hardwareFlow())
        m_rtsAccepted = m_device->setRts(m_rts);
    return PortError::None;
}

void SerialPort::close()
{
    if (m_opening) {
        m_opening->close();
        m_opening.reset();
    }
    if (m_device) {
        m_device->disconnect(this);
        m_device->close();
        m_device.reset();
        emit closed();
    }
}

bool SerialPort::isOpen() const
{
    return m_device && m_device->isOpen();
}

qint64 SerialPort::output(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return 0;
    // Closing the port, unlocking the panel, closing the window or losing
    // the device may happen in the events the write runs; the device then
    // closes, but lives on until its write has returned.
    const std::shared_ptr<SerialDevice> device = m_device;
    ++m_writes;
    const qint64 written = device->write(bytes, commTimeoutMs());
    --m_writes;
    return written;
}

qint64 SerialPort::outputText(const QString &text)
{
    if (!isOpen())
        return 0;
    emit commandStarting();
    const QByteArray bytes = EncodeGbk(text);
    const qint64 written = output(bytes);
    emit commandWritten(bytes, bytes.size() - written);
    return written;
}

qint64 SerialPort::bytesWaiting()
{
    return isOpen() ? m_device->bytesAvailable() : 0;
}

QByteArray SerialPort::read(qint64 maxBytes)
{
    return isOpen() ? m_device->read(maxBytes) : QByteArray();
}

QString SerialPort::readText()
{
    const qint64 n = bytesWaiting();
    if (n <= 0)
        return {};
    return DecodeGbkPiece(read(n), m_heldBytes);
}

QByteArray SerialPort::takeHeldBytes()
{
    return std::exchange(m_heldBytes, {});
}

void SerialPort::discardInput()
{
    if (isOpen())
        m_device->discardInput();
    m_heldBytes.clear();
}

void SerialPort::discardOutput()
{
    if (isOpen())
        m_device->discardOutput();
}

bool SerialPort::setInBufferSize(int size)
{
    if (isOpen() || size < 1)
        return false;
    m_inBufferSize = size;
    return true;
}

bool SerialPort::setOutBufferSize(int size)
{
    if (isOpen() || size < 1)
        return false;
    m_outBufferSize = size;
    return true;
}

void SerialPort::setDtrEnable(bool on)
{
    m_dtr = on;
    if (isOpen())
        m_dtrAccepted = m_device->setDtr(on);
}

void SerialPort::setRtsEnable(bool on)
{
    m_rts = on;
    // Under RTS/CTS flow control RTS belongs to the driver: the setting is
    // kept for when the port opens without it.
    if (isOpen() && !m_settings.hardwareFlow())
        m_rtsAccepted = m_device->setRts(on);
}

bool SerialPort::setBreak(bool on)
{
    return isOpen() && m_device->setBreak(on);
}

bool SerialPort::cdHolding()
{
    return isOpen() && m_device->inputLines().cd;
}

bool SerialPort::ctsHolding()
{
    return isOpen() && m_device->inputLines().cts;
}

bool SerialPort::dsrHolding()
{
    return isOpen() && m_device->inputLines().dsr;
}

LineStates SerialPort::lineStates()
{
    if (!isOpen())
        return {};
    const InputLines in = m_device->inputLines();
    const bool rts = m_settings.hardwareFlow() ? m_device->rtsLine() : m_rts && m_rtsAccepted;
    return {in.cd, in.cts, in.dsr, m_dtr && m_dtrAccepted, rts};
}

int SerialPort::commTimeoutMs() const
{
    return (m_outBufferSize / m_settings.baud) * 10000 + 1000;
}
