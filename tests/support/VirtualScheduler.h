// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Virtual time for tests: timers and waits run in microseconds and always in
// the same order. Time only moves inside wait(), waitForEvents() and
// advance(); Qt's pending events are served at every step.

#include "core/Scheduler.h"

#include <vector>

class VirtualScheduler : public Scheduler
{
    Q_OBJECT
public:
    using Scheduler::Scheduler;

    Timer *createTimer(QObject *parent, const QString &name = {}) override;
    void wait(int ms) override;
    void processEvents() override;
    void waitForEvents() override;
    qint64 now() const override { return m_now; }

    // Lets ms of virtual time pass, firing every timer that falls due.
    void advance(int ms) { runUntil(m_now + ms); }

    // Lets time pass until the predicate holds or ms have passed; true when
    // it holds.
    template <typename Pred>
    bool advanceUntil(Pred pred, int ms)
    {
        const qint64 end = m_now + ms;
        while (!pred() && m_now < end)
            runUntil(std::min(end, m_now + 1));
        return pred();
    }

private:
    friend class VirtualTimer;
    void runUntil(qint64 deadline);
    class VirtualTimer *nextDue(qint64 deadline) const;

    qint64 m_now = 0;
    std::vector<class VirtualTimer *> m_timers;
};
