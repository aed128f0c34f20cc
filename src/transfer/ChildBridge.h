// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs one lrzsz program with the open port as its line: what the port
// receives goes to the child's standard input, what the child writes goes
// out of the port. The child runs on its own; the window only passes bytes
// along as they come, in pieces small enough to keep it answering.

#include "transfer/TransferProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>

class QTimer;
class SerialPort;

// What one write to the port carries at most: the port lets no user input
// through while a write waits, so a write is kept to ~50 ms of line time;
// but each write costs a wait of its own, so a whole XMODEM-1K block goes
// in one.
qint64 TransferPiece(const SerialPort &port);

class ChildBridge : public QObject
{
    Q_OBJECT
public:
    ChildBridge(SerialPort &port, QObject *parent);
    ~ChildBridge() override;

    // Starts the program (found on the search path) in folder.
    void start(const QString &programPath, const QStringList &arguments, const QString &folder);
    bool isRunning() const { return m_running; }
    // Ends the child at once and sends the protocol's cancel sequence, and
    // a second time a moment later, so the device stops too. No finished()
    // follows.
    void cancel();

signals:
    // The child reported a file by name (YMODEM and ZMODEM name each file).
    void fileNamed(const QString &name);
    // Bytes of the file done, and its size when the child knows it (else -1).
    void progress(qint64 done, qint64 total);
    // All bytes the port has passed to the child so far; what an XMODEM
    // receive, of which the child reports no figures, shows as progress.
    void received(qint64 total);
    // The child ended: ok when it reported success, else failure says why.
    void finished(bool ok, const QString &failure);

private:
    void fromPort();
    void toPort();
    void readReport();
    void childEnded(int exitCode, QProcess::ExitStatus status);
    // The child has ended and all it wrote has gone out: the transfer ends.
    void finishChild();
    void portGone(const QString &reason);
    void end(bool ok, const QString &failure);
    // Ends the child (if it still runs) and stops passing bytes.
    void stopChild();

    SerialPort &m_port;
    QProcess *m_child = nullptr;
    QTimer *m_poll = nullptr;
    bool m_running = false;
    bool m_writing = false;
    bool m_childEnded = false;
    bool m_childOk = false;
    QByteArray m_report;
    qint64 m_received = 0;
    QString m_lastLine;
};
