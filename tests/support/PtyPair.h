// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pseudo-terminal pair for end-to-end tests of the real serial backend:
// the program opens the slave path as its port, the test plays the device
// on the master side.

#include <QByteArray>
#include <QString>

#include <termios.h>

class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }
    // The device side's descriptor, to wait on; -1 once closed.
    int masterFd() const { return m_master; }
    QString slavePath() const { return m_path; }

    // The device side: write bytes towards the program, read what it sent.
    void write(const QByteArray &bytes);
    // Writes what the terminal takes now, without waiting; the number of
    // bytes written.
    qint64 writeSome(const QByteArray &bytes);
    // Everything the program has sent so far, or at most maxBytes of it
    // (non-blocking).
    QByteArray readAvailable(qint64 maxBytes = -1);
    // The terminal's settings as the program left them (speed, parity, data
    // and stop bits, flow control).
    termios attributes() const;
    // Closes the device side: the program's port loses its device.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
