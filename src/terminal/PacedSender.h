// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes one send's bytes at the pace of the send pacing option. The pauses
// run on a scheduler timer, so the window stays live during a paced send;
// the bytes between two pauses go out in one write.

#include "terminal/SendPacing.h"

#include <QList>
#include <QObject>

class Scheduler;
class SerialPort;
class Timer;

class PacedSender : public QObject
{
    Q_OBJECT
public:
    PacedSender(SerialPort &port, Scheduler &scheduler, QObject *parent);

    // Starts writing bytes; counts[i] is what byte i adds to the send
    // counter once it has left. The bytes before the first pause leave at
    // once. The send lasts until the pause after its last byte has passed,
    // so that the next send keeps the pace too.
    void start(const QByteArray &bytes, const QList<int> &counts, SendPacing pacing);
    bool isSending() const { return m_sending; }
    // Ends the send at once: the bytes not written yet never leave, and no
    // finished() follows. Returns how many bytes did not leave (0 when no
    // send was going).
    qint64 stop();
    // Serves events until the send is over or the program is closing.
    void waitUntilDone();

signals:
    // Bytes have left; the send counter grows by count.
    void sent(qint64 count);
    // The send ended by itself: unsent is 0 when every byte left, else the
    // number of bytes a write did not get out (the write time-out, or the
    // port closed meanwhile).
    void finished(qint64 unsent);

private:
    void writeOn();
    void finish(qint64 unsent);

    SerialPort &m_port;
    Scheduler &m_scheduler;
    Timer *m_pause = nullptr;
    QByteArray m_bytes;
    QList<int> m_counts;
    SendPacing m_pacing;
    qsizetype m_next = 0;
    bool m_sending = false;
    // Tells a write that returns after a stop (a write runs events) that
    // its send is over, even when another has started meanwhile.
    quint64 m_sendNumber = 0;
};
