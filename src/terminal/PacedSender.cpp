// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PacedSender.h"

#include "core/Scheduler.h"
#include "serial/SerialPort.h"

#include <numeric>

PacedSender::PacedSender(SerialPort &port, Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_port(port), m_scheduler(scheduler)
{
    m_pause = scheduler.createTimer(this, QStringLiteral("pacing"));
    connect(m_pause, &Timer::timeout, this, &PacedSender::writeOn);
    connect(&scheduler, &Scheduler::shuttingDown, this, &PacedSender::stop);
}

void PacedSender::start(const QByteArray &bytes, const QList<int> &counts, SendPacing pacing)
{
    m_bytes = bytes;
    m_counts = counts;
    m_pacing = pacing;
    m_next = 0;
    m_sending = true;
    ++m_sendNumber;
    writeOn();
}

qint64 PacedSender::stop()
{
    const qint64 unsent = m_sending ? m_bytes.size() - m_next : 0;
    m_pause->stop();
    m_sending = false;
    ++m_sendNumber;
    return unsent;
}

void PacedSender::waitUntilDone()
{
    while (m_sending && !m_scheduler.isShuttingDown())
        m_scheduler.waitForEvents();
}

void PacedSender::writeOn()
{
    // The timer stays stopped while a write runs events, so no tick
    // re-enters here.
    m_pause->stop();
    if (m_next == m_bytes.size()) {
        finish(0);
        return;
    }
    qsizetype end = m_next;
    int pause = 0;
    while (end < m_bytes.size() && (pause = m_pacing.pauseAfter(m_bytes, end)) == 0)
        ++end;
    const qsizetype from = m_next;
    m_next = std::min(end + 1, m_bytes.size());
    const quint64 sendNumber = m_sendNumber;
    const qint64 written = m_port.output(m_bytes.mid(from, m_next - from));
    const auto counts = m_counts.cbegin() + from;
    if (const qint64 count = std::accumulate(counts, counts + written, qint64(0)))
        emit sent(count);
    if (sendNumber != m_sendNumber)
        return;
    if (from + written < m_next)
        finish(m_bytes.size() - from - written);
    else if (pause > 0) {
        m_pause->setInterval(pause);
        m_pause->start();
    } else {
        finish(0);
    }
}

void PacedSender::finish(qint64 unsent)
{
    m_sending = false;
    m_bytes.clear();
    m_counts.clear();
    emit finished(unsent);
}
