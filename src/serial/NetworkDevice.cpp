// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/NetworkDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

using namespace Rfc2217;

namespace {
// What the device takes from the socket before the program has read it;
// beyond it the data stays in the network's buffers and the server slows.
constexpr qsizetype kInputLimit = 64 * 1024;

// The options this client takes part in; any other is refused.
bool wanted(quint8 option)
{
    return option == OptBinary || option == OptSuppressGoAhead || option == OptComPort;
}
} // namespace

NetworkDevice::NetworkDevice(const QString &name, QObject *parent)
    : SerialDevice(parent), m_name(name.trimmed())
{
    m_socket.setReadBufferSize(kInputLimit);
    connect(&m_socket, &QTcpSocket::connected, this, &NetworkDevice::wake);
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] {
        const qsizetype before = m_input.size();
        pull();
        wake();
        if (m_open && m_input.size() > before)
            emit inputArrived();
    });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkDevice::onSocketError);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetworkDevice::onSocketError);
}

NetworkDevice::~NetworkDevice()
{
    dropSocket();
}

// The connection is cut without a word from it afterwards.
void NetworkDevice::dropSocket()
{
    m_socket.disconnect(this);
    m_socket.abort();
}

int NetworkDevice::fail(int error, const QString &why)
{
    m_openFailure = why;
    dropSocket();
    return error;
}

int NetworkDevice::open(const PortSettings &settings)
{
    m_openFailure.clear();
    QString error;
    const std::optional<NetworkAddress> address = NetworkAddress::parse(m_name, &error);
    if (!address)
        return fail(PortError::NetworkFailure, QStringLiteral("网络端口地址有误：") + error);
    m_address = *address;
    emit connecting(m_address.endpoint());
    if (const int error = connectSocket(); error != PortError::None)
        return error;
    if (speaksRfc2217())
        if (const int error = negotiate(settings); error != PortError::None)
            return error;
    m_open = true;
    // Data that came with the last answers is input already.
    if (!m_input.isEmpty())
        QMetaObject::invokeMethod(this, &SerialDevice::inputArrived, Qt::QueuedConnection);
    return PortError::None;
}

int NetworkDevice::connectSocket()
{
    m_socket.connectToHost(m_address.host, m_address.port);
    const bool connected = waitUntil(
        [this] { return m_socket.state() == QAbstractSocket::ConnectedState; }, kConnectTimeoutMs);
    if (m_abandoned)
        return fail(PortError::Abandoned, {});
    if (connected)
        return PortError::None;
    const QString where = m_address.endpoint();
    switch (m_socket.error()) {
    case QAbstractSocket::HostNotFoundError:
        return fail(PortError::NetworkFailure, QStringLiteral("找不到主机“%1”（主机名无法解析）").arg(m_address.host));
    case QAbstractSocket::ConnectionRefusedError:
        return fail(PortError::NetworkFailure, QStringLiteral("%1 拒绝连接（该端口上没有服务在运行）").arg(where));
    default:
        if (!m_failed)
            return fail(PortError::NetworkFailure,
                        QStringLiteral("连接 %1 超时（%2 秒内没有应答）").arg(where).arg(kConnectTimeoutMs / 1000));
        return fail(PortError::NetworkFailure, QStringLiteral("无法连接 %1：%2").arg(where, m_socket.errorString()));
    }
}

int NetworkDevice::negotiate(const PortSettings &settings)
{
    // Ask for the COM-PORT option, binary data both ways (every byte value
    // as it is, no CR NUL) and no go-ahead; these are not asked again.
    for (const quint8 option : {OptComPort, OptBinary, OptSuppressGoAhead}) {
        m_socket.write(negotiation(WILL, option));
        m_answeredWill.set(option);
    }
    for (const quint8 option : {OptBinary, OptSuppressGoAhead}) {
        m_socket.write(negotiation(DO, option));
        m_answeredDo.set(option);
    }
    const QString notSerialServer =
        QStringLiteral("%1 上的服务不是 RFC 2217 串口服务器（Telnet 协商失败），连接已关闭").arg(m_address.endpoint());
    // A Telnet server negotiates before anything else: data before any
    // command means the far end is something else (a web server's error
    // page, a raw port's output). Data after one is the device's.
    const auto garbage = [this] { return !m_input.isEmpty() && !m_decoder.sawCommand(); };
    const bool agreed = waitUntil([&] { return m_comPortAgreed || m_comPortRefused || garbage(); },
                                  kNegotiationTimeoutMs);
    if (m_abandoned)
        return fail(PortError::Abandoned, {});
    if (m_comPortRefused)
        return fail(PortError::NetworkFailure,
                    QStringLiteral("%1 上的 Telnet 服务器不支持串口控制（RFC 2217），连接已关闭").arg(m_address.endpoint()));
    if (!agreed || garbage())
        return fail(PortError::NetworkFailure, notSerialServer);

    m_answers.clear();
    m_socket.write(settingsCommands(settings));
    m_socket.write(comPortCommand(SetModemStateMask, QByteArray(1, char(StateCd | StateDsr | StateCts))));
    const auto expected = settingsValues(settings);
    const bool answered = waitUntil(
        [&] {
            for (const auto &entry : expected)
                if (!m_answers.count(entry.first))
                    return false;
            return true;
        },
        kNegotiationTimeoutMs);
    if (m_abandoned)
        return fail(PortError::Abandoned, {});
    if (!answered)
        return fail(PortError::NetworkFailure,
                    QStringLiteral("%1 没有回答串口设置命令，连接已关闭").arg(m_address.endpoint()));
    for (const auto &entry : expected)
        if (m_answers[entry.first] != entry.second)
            return fail(PortError::BadSettings,
                        QStringLiteral("%1 不接受这组串口设置").arg(m_address.endpoint()));
    return PortError::None;
}

bool NetworkDevice::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        const qint64 left = timeoutMs - elapsed.elapsed();
        if (m_abandoned || m_failed || left <= 0)
            return false;
        QEventLoop loop;
        m_waiting = &loop;
        QTimer::singleShot(int(left), &loop, &QEventLoop::quit);
        loop.exec();
        m_waiting = nullptr;
    }
    return true;
}

void NetworkDevice::wake()
{
    if (m_waiting)
        m_waiting->quit();
}

void NetworkDevice::onSocketError()
{
    if (!m_open) {
        // Still opening: the wait sees it and says why.
        if (m_socket.error() != QAbstractSocket::SocketTimeoutError)
            m_failed = true;
        wake();
        return;
    }
    if (m_socket.state() == QAbstractSocket::ConnectedState
        && m_socket.error() == QAbstractSocket::SocketTimeoutError)
        return;
    const QString reason = m_socket.error() == QAbstractSocket::RemoteHostClosedError
                                   || m_socket.state() == QAbstractSocket::UnconnectedState
                               ? QStringLiteral("网络连接已断开（%1）").arg(m_address.endpoint())
                               : QStringLiteral("网络连接出错（%1）：%2").arg(m_address.endpoint(), m_socket.errorString());
    m_open = false;
    dropSocket();
    emit lost(reason);
}

void NetworkDevice::close()
{
    if (!m_open) {
        // Closing while open() waits gives the attempt up.
        m_abandoned = true;
        wake();
    }
    m_open = false;
    dropSocket();
    m_input.clear();
}

void NetworkDevice::pull()
{
    const qint64 room = kInputLimit - m_input.size();
    if (room <= 0 || m_socket.bytesAvailable() <= 0)
        return;
    const QByteArray wire = m_socket.read(room);
    if (!speaksRfc2217()) {
        m_input.append(wire);
        return;
    }
    std::vector<Event> events;
    m_input.append(m_decoder.decode(wire, events));
    for (const Event &event : events)
        handle(event);
}

void NetworkDevice::handle(const Event &event)
{
    switch (event.type) {
    case Event::Type::Will: answerOption(DO, event.option); break;
    case Event::Type::Wont: answerOption(DONT, event.option); break;
    case Event::Type::Do: answerOption(WILL, event.option); break;
    case Event::Type::Dont: answerOption(WONT, event.option); break;
    case Event::Type::ComPort:
        if (event.command == ServerOffset + NotifyModemState && !event.value.isEmpty())
            m_modemState = quint8(event.value[0]);
        else if (event.command > ServerOffset)
            m_answers[quint8(event.command - ServerOffset)] = event.value;
        break;
    }
}

void NetworkDevice::answerOption(quint8 verb, quint8 option)
{
    // verb is what this side would answer if it agreed.
    const bool asksUs = verb == WILL || verb == WONT; // the server's DO / DONT
    const bool request = verb == WILL || verb == DO;   // the server wants it on
    if (option == OptComPort && asksUs)
        (request ? m_comPortAgreed : m_comPortRefused) = true;
    std::bitset<256> &answered = asksUs ? m_answeredWill : m_answeredDo;
    if (!request) {
        // A refusal is acknowledged once; an option already off needs none.
        if (answered.test(option)) {
            answered.reset(option);
            m_socket.write(negotiation(asksUs ? WONT : DONT, option));
        }
        return;
    }
    if (answered.test(option))
        return;
    answered.set(option);
    const bool agree = wanted(option);
    const quint8 reply = asksUs ? (agree ? WILL : WONT) : (agree ? DO : DONT);
    m_socket.write(negotiation(reply, option));
}

qint64 NetworkDevice::write(const QByteArray &bytes, int timeoutMs)
{
    if (!m_open)
        return 0;
    if (m_socket.write(speaksRfc2217() ? escape(bytes) : bytes) < 0)
        return 0;
    // As a serial port's write: wait for the bytes to leave in short slices,
    // keeping the window painted, so a stalled server cannot freeze it.
    QElapsedTimer elapsed;
    elapsed.start();
    while (m_open && m_socket.bytesToWrite() > 0 && elapsed.elapsed() < timeoutMs) {
        m_socket.waitForBytesWritten(10);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (!m_open)
        return 0;
    // Bytes still queued belong to this write (the earlier ones left).
    return std::max<qint64>(0, bytes.size() - m_socket.bytesToWrite());
}

qint64 NetworkDevice::bytesAvailable()
{
    if (!m_open)
        return 0;
    // As with a serial port: when nothing is waiting, take what the system
    // holds now rather than wait for the next pass of events.
    if (m_input.isEmpty() && m_socket.bytesAvailable() == 0)
        m_socket.waitForReadyRead(0);
    pull();
    return m_open ? m_input.size() : 0;
}

QByteArray NetworkDevice::read(qint64 maxBytes)
{
    if (!m_open)
        return {};
    const QByteArray out = m_input.left(maxBytes);
    m_input.remove(0, out.size());
    pull();
    return out;
}

void NetworkDevice::discardInput()
{
    if (!m_open)
        return;
    // The server's commands in what is dropped still count.
    do {
        m_input.clear();
        pull();
    } while (!m_input.isEmpty());
    if (speaksRfc2217())
        m_socket.write(comPortCommand(PurgeData, QByteArray(1, char(PurgeReceive))));
}

void NetworkDevice::discardOutput()
{
    if (m_open && speaksRfc2217())
        m_socket.write(comPortCommand(PurgeData, QByteArray(1, char(PurgeTransmit))));
}

bool NetworkDevice::sendControl(quint8 value)
{
    // A plain socket carries no line signals: refused, as a pseudo-terminal's.
    if (!m_open || !speaksRfc2217())
        return false;
    m_socket.write(comPortCommand(SetControl, QByteArray(1, char(value))));
    return true;
}

bool NetworkDevice::setDtr(bool on)
{
    return sendControl(on ? DtrOn : DtrOff);
}

bool NetworkDevice::setRts(bool on)
{
    return sendControl(on ? RtsOn : RtsOff);
}

bool NetworkDevice::setBreak(bool on)
{
    return sendControl(on ? BreakOn : BreakOff);
}

InputLines NetworkDevice::inputLines()
{
    if (!m_open)
        return {};
    // Notifications may wait in the socket behind data the program has
    // not read yet.
    pull();
    return {(m_modemState & StateCd) != 0, (m_modemState & StateCts) != 0,
            (m_modemState & StateDsr) != 0};
}

bool NetworkDevice::rtsLine()
{
    // Under RTS/CTS flow control the server's driver holds RTS; it raises it
    // while it can take data, which a serving server can.
    return m_open && speaksRfc2217();
}
