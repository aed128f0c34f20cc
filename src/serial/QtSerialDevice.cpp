// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/QtSerialDevice.h"

#include "serial/DeviceCatalog.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>

namespace {
// What the port holds in memory before the device has to keep the rest:
// enough for fast streams, bounded for a stream nobody reads.
constexpr qint64 kReadBuffer = 64 * 1024;
} // namespace

QtSerialDevice::QtSerialDevice(const QString &path, QObject *parent)
    : SerialDevice(parent), m_location(DeviceCatalog::deviceFile(path))
{
    m_port.setPortName(path);
    m_port.setReadBufferSize(kReadBuffer);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialDevice::onError);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialDevice::inputArrived);
}

int QtSerialDevice::open(const PortSettings &settings)
{
    m_openFailure.clear();
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto error = m_port.error();
        // Said at once, from the call that failed, so it is not stale.
        m_openFailure = error == QSerialPort::UnsupportedOperationError
                            ? QStringLiteral("“%1”不是串口设备").arg(m_port.portName())
                            : m_port.errorString();
        m_port.clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError: return PortError::NoSuchPort;
        case QSerialPort::PermissionError:
            // Also what a port locked or held exclusively by another program
            // reports: only a device this user may not use is a permission
            // matter, with its own advice.
            if (!userMayUse()) {
                m_openFailure = PermissionAdvice(m_location);
                return PortError::PermissionDenied;
            }
            return PortError::PortInUse;
        case QSerialPort::OpenError: return PortError::PortInUse;
        default: return PortError::Other;
        }
    }
    if (!applySettings(settings)) {
        m_port.close();
        m_port.clearError();
        return PortError::BadSettings;
    }
    return PortError::None;
}

bool QtSerialDevice::userMayUse() const
{
    return DeviceAccessError(m_location) != EACCES;
}

bool QtSerialDevice::applySettings(const PortSettings &s)
{
    const auto parity = s.parity == 'e'   ? QSerialPort::EvenParity
                        : s.parity == 'o' ? QSerialPort::OddParity
                        : s.parity == 'm' ? QSerialPort::MarkParity
                        : s.parity == 's' ? QSerialPort::SpaceParity
                                          : QSerialPort::NoParity;
    const auto stop = s.stopBits == 2     ? QSerialPort::TwoStop
                      : s.stopBits == 1.5 ? QSerialPort::OneAndHalfStop
                                          : QSerialPort::OneStop;
    const auto flow = s.flow == 'h'   ? QSerialPort::HardwareControl
                      : s.flow == 'x' ? QSerialPort::SoftwareControl
                                      : QSerialPort::NoFlowControl;
    // A pseudo-terminal takes any of these; a real device may refuse some.
    return m_port.setBaudRate(s.baud) && m_port.setParity(parity)
           && m_port.setDataBits(QSerialPort::DataBits(s.dataBits)) && m_port.setStopBits(stop)
           && m_port.setFlowControl(flow);
}

void QtSerialDevice::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialDevice::isOpen() const
{
    return m_port.isOpen();
}

qint64 QtSerialDevice::write(const QByteArray &bytes, int timeoutMs)
{
    if (m_port.write(bytes) < 0)
        return 0;
    // Wait for the bytes to leave in short slices and keep the window painted
    // meanwhile, so a device that never takes them cannot freeze it.
    QElapsedTimer elapsed;
    elapsed.start();
    while (m_port.isOpen() && m_port.bytesToWrite() > 0 && elapsed.elapsed() < timeoutMs) {
        m_port.waitForBytesWritten(10);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (!m_port.isOpen())
        return 0;
    const qint64 unsent = m_port.bytesToWrite();
    if (unsent > 0)
        m_port.clear(QSerialPort::Output);
    return bytes.size() - unsent;
}

qint64 QtSerialDevice::bytesAvailable()
{
    if (!m_port.isOpen())
        return 0;
    // The port fills its buffer from the device only when events run: when
    // the buffer is empty, take what the device holds now, so a reader that
    // drains the port is not kept waiting for the next pass of events.
    if (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(0)
        && m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

QByteArray QtSerialDevice::read(qint64 maxBytes)
{
    return m_port.isOpen() ? m_port.read(maxBytes) : QByteArray();
}

void QtSerialDevice::discardInput()
{
    if (!m_port.isOpen())
        return;
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
}

void QtSerialDevice::discardOutput()
{
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Output);
}

bool QtSerialDevice::setDtr(bool on)
{
    const bool ok = m_port.isOpen() && m_port.setDataTerminalReady(on);
    m_port.clearError();
    return ok;
}

bool QtSerialDevice::setRts(bool on)
{
    const bool ok = m_port.isOpen() && m_port.setRequestToSend(on);
    m_port.clearError();
    return ok;
}

InputLines QtSerialDevice::inputLines()
{
    if (!m_port.isOpen())
        return {};
    const auto signals_ = m_port.pinoutSignals();
    m_port.clearError();
    return {signals_.testFlag(QSerialPort::DataCarrierDetectSignal),
            signals_.testFlag(QSerialPort::ClearToSendSignal),
            signals_.testFlag(QSerialPort::DataSetReadySignal)};
}

bool QtSerialDevice::rtsLine()
{
    if (!m_port.isOpen())
        return false;
    const bool on = m_port.pinoutSignals().testFlag(QSerialPort::RequestToSendSignal);
    m_port.clearError();
    return on;
}

bool QtSerialDevice::setBreak(bool on)
{
    const bool ok = m_port.isOpen() && m_port.setBreakEnabled(on);
    m_port.clearError();
    return ok;
}

void QtSerialDevice::onError(QSerialPort::SerialPortError error)
{
    // A device that goes away makes QSerialPort report read or resource
    // errors in a tight loop while it still looks open: close at the first.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!m_port.isOpen())
        return;
    // Not errorString(): for a read that found the device gone it holds
    // whatever the last failed system call left (an ioctl's "Inappropriate
    // ioctl for device"), not what happened.
    const QString reason = error == QSerialPort::ReadError ? QStringLiteral("读取数据出错")
                                                            : QStringLiteral("设备已不可用");
    m_port.close();
    m_port.clearError();
    emit lost(reason);
}
