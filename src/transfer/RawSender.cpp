// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/RawSender.h"

#include "serial/SerialPort.h"
#include "terminal/PacedSender.h"
#include "transfer/ChildBridge.h"

#include <QTimer>

RawSender::RawSender(SerialPort &port, Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_port(port), m_paced(new PacedSender(port, scheduler, this))
{
    connect(m_paced, &PacedSender::sent, this, &RawSender::sent);
    connect(m_paced, &PacedSender::finished, this, &RawSender::pieceDone);
    connect(&m_port, &SerialPort::deviceLost, this, [this](const QString &reason) {
        if (isRunning())
            end(false, QStringLiteral("串口已断开：%1").arg(reason));
    });
}

void RawSender::start(std::unique_ptr<QFile> file, SendPacing pacing)
{
    m_file = std::move(file);
    m_pacing = pacing;
    m_done = 0;
    m_pieceSize = TransferPiece(m_port);
    emit progress(0, m_file->size());
    QTimer::singleShot(0, this, &RawSender::sendPiece);
}

void RawSender::sendPiece()
{
    if (!isRunning())
        return;
    if (m_file->atEnd()) {
        end(true, {});
        return;
    }
    const QByteArray piece = m_file->read(m_pieceSize);
    if (piece.isEmpty()) {
        end(false, QStringLiteral("文件 %1 读取出错：%2").arg(m_file->fileName(), m_file->errorString()));
        return;
    }
    if (!m_port.isOpen()) {
        end(false, QStringLiteral("串口已关闭"));
        return;
    }
    m_lastPiece = piece.size();
    if (m_pacing.isOn()) {
        m_paced->start(piece, QList<int>(piece.size(), 1), m_pacing);
        return;
    }
    const qint64 written = m_port.output(piece);
    if (!isRunning())
        return; // cancelled while the write ran events
    emit sent(written);
    pieceDone(piece.size() - written);
}

void RawSender::pieceDone(qint64 unsent)
{
    if (!isRunning())
        return;
    m_done += m_lastPiece - unsent;
    emit progress(m_done, m_file->size());
    if (unsent > 0) {
        end(false, m_port.isOpen() ? QStringLiteral("设备长时间不接收数据（流控暂停或写入超时），已发送 %1 字节").arg(m_done)
                                   : QStringLiteral("串口已关闭"));
        return;
    }
    QTimer::singleShot(0, this, &RawSender::sendPiece);
}

void RawSender::cancel()
{
    m_paced->stop();
    m_file.reset();
}

void RawSender::end(bool ok, const QString &failure)
{
    m_paced->stop();
    m_file.reset();
    emit finished(ok, failure);
}
