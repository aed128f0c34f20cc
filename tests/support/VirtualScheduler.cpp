// SPDX-License-Identifier: GPL-3.0-or-later
#include "VirtualScheduler.h"

#include <QCoreApplication>
#include <algorithm>

class VirtualTimer : public Timer
{
public:
    VirtualTimer(VirtualScheduler *clock, QObject *parent) : Timer(parent), m_clock(clock)
    {
        m_clock->m_timers.push_back(this);
    }
    ~VirtualTimer() override
    {
        auto &all = m_clock->m_timers;
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
    void setInterval(int ms) override
    {
        m_interval = ms;
        if (m_active)
            start();
    }
    int interval() const override { return m_interval; }
    void start() override
    {
        m_active = true;
        m_due = m_clock->now() + m_interval;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    bool ticks() const { return m_active && m_interval > 0; }
    qint64 due() const { return m_due; }
    void fire()
    {
        m_due += m_interval;
        emit timeout();
    }

private:
    VirtualScheduler *m_clock;
    int m_interval = 0;
    bool m_active = false;
    qint64 m_due = 0;
};

Timer *VirtualScheduler::createTimer(QObject *parent, const QString &name)
{
    auto *t = new VirtualTimer(this, parent);
    t->setObjectName(name);
    return t;
}

VirtualTimer *VirtualScheduler::nextDue(qint64 deadline) const
{
    VirtualTimer *next = nullptr;
    for (VirtualTimer *t : m_timers)
        if (t->ticks() && t->due() <= deadline && (!next || t->due() < next->due()))
            next = t;
    return next;
}

void VirtualScheduler::runUntil(qint64 deadline)
{
    for (;;) {
        processEvents();
        if (isShuttingDown())
            return;
        VirtualTimer *t = nextDue(deadline);
        if (!t)
            break;
        m_now = std::max(m_now, t->due());
        t->fire();
    }
    m_now = std::max(m_now, deadline);
    processEvents();
}

void VirtualScheduler::wait(int ms)
{
    if (ms <= 0 || isShuttingDown())
        return;
    runUntil(m_now + ms);
}

void VirtualScheduler::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void VirtualScheduler::waitForEvents()
{
    // The same short step as the real scheduler's.
    runUntil(m_now + 5);
}
