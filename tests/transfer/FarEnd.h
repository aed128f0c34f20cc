// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device side of a transfer test: a real lrzsz program whose standard
// input and output are joined to the master side of a pseudo-terminal, the
// program under test holding the slave side as its port. Bytes are passed
// along on a short timer, at most `pace` bytes each way per tick (0: as
// fast as they come), so a test can slow a transfer down to stop it in
// the middle.

#include "PtyPair.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

class FarEnd : public QObject
{
public:
    explicit FarEnd(PtyPair &pty, qint64 pace = 0) : m_pty(pty), m_pace(pace)
    {
        m_pump.setInterval(1);
        connect(&m_pump, &QTimer::timeout, this, &FarEnd::pump);
        m_pump.start();
        // At full speed the bytes move as soon as either side has some:
        // XMODEM waits for an answer after every block.
        if (pace == 0) {
            m_input = new QSocketNotifier(pty.masterFd(), QSocketNotifier::Read, this);
            connect(m_input, &QSocketNotifier::activated, this, &FarEnd::pump);
            connect(&m_child, &QProcess::readyReadStandardOutput, this, &FarEnd::pump);
        }
    }
    ~FarEnd() override
    {
        m_child.kill();
        m_child.waitForFinished(2000);
    }

    // Runs program in folder; the pump only gathers the program's bytes
    // when there is none (raw sends).
    void run(const QString &program, const QStringList &arguments, const QString &folder)
    {
        m_child.setWorkingDirectory(folder);
        m_child.start(program, arguments);
        m_child.waitForStarted(5000);
    }
    bool isRunning() const { return m_child.state() != QProcess::NotRunning; }
    int exitCode() const { return m_child.exitCode(); }
    QByteArray report() { return m_child.readAllStandardError(); }
    // What arrived from the program under test when no far-end program runs.
    QByteArray received;
    // The bytes passed along so far, both ways: how far a transfer has got,
    // whatever the programs report of it.
    qint64 moved() const { return m_moved; }
    // The device answers with random bytes instead of a protocol, a piece
    // every pass, whatever it is sent.
    void babble() { m_babble = true; }
    // The device goes away: the program ends and the terminal closes.
    void vanish()
    {
        m_pump.stop();
        delete m_input;
        m_child.disconnect(this);
        m_child.kill();
        m_child.waitForFinished(2000);
        m_pty.closeMaster();
    }

private:
    void pump()
    {
        const QByteArray in = m_pty.readAvailable(m_pace > 0 ? m_pace : -1);
        m_moved += in.size();
        if (m_child.state() == QProcess::Running)
            m_child.write(in);
        else if (m_child.state() == QProcess::NotRunning && m_child.program().isEmpty())
            received += in;
        if (m_child.state() == QProcess::Running || m_child.bytesAvailable() > 0)
            m_out += m_child.readAllStandardOutput();
        if (m_babble && m_out.isEmpty())
            for (int i = 0; i < 64; ++i)
                m_out += char(QRandomGenerator::global()->bounded(256));
        const QByteArray piece = m_pace > 0 ? m_out.left(m_pace) : m_out;
        const qint64 written = m_pty.writeSome(piece);
        m_moved += written;
        m_out.remove(0, written);
    }

    PtyPair &m_pty;
    qint64 m_pace;
    QProcess m_child;
    QTimer m_pump;
    QSocketNotifier *m_input = nullptr;
    QByteArray m_out;
    qint64 m_moved = 0;
    bool m_babble = false;
};
