// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sends a file's bytes as they are, in pieces: each piece is one port write
// (the driver keeps the port's flow control), or goes through the send
// pacing when that is on. The window has its turn between pieces.

#include "terminal/SendPacing.h"

#include <QFile>
#include <QObject>

class PacedSender;
class Scheduler;
class SerialPort;

class RawSender : public QObject
{
    Q_OBJECT
public:
    RawSender(SerialPort &port, Scheduler &scheduler, QObject *parent);

    // Starts sending the open file.
    void start(std::unique_ptr<QFile> file, SendPacing pacing);
    bool isRunning() const { return m_file != nullptr; }
    // Stops at once: what has not left yet stays unsent; no finished().
    void cancel();

signals:
    // Bytes have left the port: the send counter grows by count.
    void sent(qint64 count);
    void progress(qint64 done, qint64 total);
    void finished(bool ok, const QString &failure);

private:
    void sendPiece();
    void pieceDone(qint64 unsent);
    void end(bool ok, const QString &failure);

    SerialPort &m_port;
    PacedSender *m_paced = nullptr;
    std::unique_ptr<QFile> m_file;
    SendPacing m_pacing;
    qint64 m_done = 0;
    qint64 m_pieceSize = 0;
    qint64 m_lastPiece = 0;
};
