// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ChildBridge.h"

#include "serial/SerialPort.h"

#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace {

// How often the port is looked at besides its own signal: devices in the
// process have no signal of their own.
constexpr int kPollMs = 5;
// Where the first line of a report ends, at a CR or LF; -1 while none has.
qsizetype LineEnd(const QByteArray &report)
{
    for (qsizetype i = 0; i < report.size(); ++i)
        if (report[i] == '\r' || report[i] == '\n')
            return i;
    return -1;
}

} // namespace

qint64 TransferPiece(const SerialPort &port)
{
    return std::clamp<qint64>(port.portSettings().baud / 200, 2048, 16384);
}

ChildBridge::ChildBridge(SerialPort &port, QObject *parent) : QObject(parent), m_port(port)
{
    m_poll = new QTimer(this);
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, &ChildBridge::fromPort);
}

ChildBridge::~ChildBridge()
{
    if (m_running)
        cancel();
}

void ChildBridge::start(const QString &programPath, const QStringList &arguments, const QString &folder)
{
    m_report.clear();
    m_lastLine.clear();
    m_received = 0;
    m_childEnded = false;
    m_childOk = false;
    m_child = new QProcess(this);
    m_child->setWorkingDirectory(folder);
    connect(m_child, &QProcess::readyReadStandardOutput, this, &ChildBridge::toPort);
    connect(m_child, &QProcess::readyReadStandardError, this, &ChildBridge::readReport);
    connect(m_child, &QProcess::finished, this, &ChildBridge::childEnded);
    connect(m_child, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(false, QStringLiteral("传输程序未能启动：%1").arg(m_child->errorString()));
    });
    connect(&m_port, &SerialPort::inputArrived, this, &ChildBridge::fromPort);
    connect(&m_port, &SerialPort::deviceLost, this, &ChildBridge::portGone);
    connect(&m_port, &SerialPort::closed, this, [this] { portGone(QStringLiteral("串口已关闭")); });
    m_running = true;
    m_poll->start();
    m_child->start(programPath, arguments);
}

void ChildBridge::fromPort()
{
    if (!m_running)
        return;
    if (!m_port.isOpen()) {
        portGone({});
        return;
    }
    const qint64 waiting = m_port.bytesWaiting();
    if (waiting <= 0)
        return;
    const QByteArray bytes = m_port.read(waiting);
    m_child->write(bytes);
    m_received += bytes.size();
    emit received(m_received);
}

void ChildBridge::toPort()
{
    // A port write lets events run; a child's output arriving meanwhile
    // waits for the write under way to end.
    if (m_writing || !m_running)
        return;
    if (m_child->bytesAvailable() > 0) {
        m_writing = true;
        const QByteArray bytes = m_child->read(TransferPiece(m_port));
        const qint64 written = m_port.output(bytes);
        m_writing = false;
        if (!m_running)
            return;
        if (written < bytes.size()) {
            end(false, m_port.isOpen() ? QStringLiteral("数据未能写入串口（写入超时）") : QStringLiteral("串口已关闭"));
            return;
        }
        // One piece at a time, with a full pass of events between: a child
        // that hands over a whole file at once (sz does) must not keep the
        // window's input, 取消 among it, waiting until the line has taken it.
        if (m_child->bytesAvailable() > 0) {
            QTimer::singleShot(0, this, &ChildBridge::toPort);
            return;
        }
    }
    if (m_childEnded)
        finishChild();
}

void ChildBridge::readReport()
{
    static const QRegularExpression bytes(QStringLiteral(R"(Bytes (?:Sent|received):\s*(\d+)(?:/\s*(\d+))?)"));
    // XMODEM counts 128-byte sectors.
    static const QRegularExpression sectors(QStringLiteral(R"(sectors/kbytes (?:sent|received):\s*(\d+))"));
    static const QRegularExpression name(QStringLiteral(R"((?:Sending|Receiving):\s*(.+))"));
    m_report += m_child->readAllStandardError();
    // The programs rewrite their progress line with CR; a line is complete
    // at either line end.
    for (qsizetype end = LineEnd(m_report); end >= 0; end = LineEnd(m_report)) {
        const QString line = QString::fromUtf8(m_report.left(end)).trimmed();
        m_report.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        m_lastLine = line;
        if (const auto m = bytes.match(line); m.hasMatch())
            emit progress(m.captured(1).toLongLong(), m.captured(2).isEmpty() ? -1 : m.captured(2).toLongLong());
        else if (const auto x = sectors.match(line); x.hasMatch())
            emit progress(x.captured(1).toLongLong() * 128, -1);
        else if (const auto n = name.match(line); n.hasMatch())
            emit fileNamed(n.captured(1).trimmed());
    }
}

void ChildBridge::childEnded(int exitCode, QProcess::ExitStatus status)
{
    if (!m_running)
        return;
    m_childEnded = true;
    m_childOk = status == QProcess::NormalExit && exitCode == 0;
    // The child's last words (the end of a ZMODEM session) still go out;
    // the transfer ends once they have.
    toPort();
}

void ChildBridge::finishChild()
{
    readReport();
    if (m_childOk)
        end(true, {});
    else
        end(false, QStringLiteral("对方没有应答或数据出错，传输中止（%1）")
                       .arg(m_lastLine.isEmpty() ? QStringLiteral("协议超时") : m_lastLine));
}

void ChildBridge::portGone(const QString &reason)
{
    if (!m_running)
        return;
    m_child->kill();
    end(false, QStringLiteral("串口已断开：%1").arg(reason.isEmpty() ? QStringLiteral("设备已不可用") : reason));
}

void ChildBridge::cancel()
{
    if (!m_running)
        return;
    stopChild();
    m_port.discardOutput();
    m_port.output(CancelSequence());
    m_port.discardInput();
    QTimer::singleShot(kCancelRepeatMs, this, [this] {
        if (!m_running)
            m_port.output(CancelRepeat());
    });
}

void ChildBridge::end(bool ok, const QString &failure)
{
    if (!m_running)
        return;
    stopChild();
    emit finished(ok, failure);
}

void ChildBridge::stopChild()
{
    m_running = false;
    m_poll->stop();
    m_port.disconnect(this);
    m_child->disconnect(this);
    if (m_child->state() != QProcess::NotRunning) {
        m_child->kill();
        m_child->waitForFinished(1000);
    }
    m_child->deleteLater();
    m_child = nullptr;
}
