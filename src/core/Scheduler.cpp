// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

class QtTimer : public Timer
{
public:
    explicit QtTimer(QObject *parent) : Timer(parent)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
    }
    void setInterval(int ms) override
    {
        m_interval = ms;
        if (m_active)
            restart();
    }
    int interval() const override { return m_interval; }
    void start() override
    {
        m_active = true;
        restart();
    }
    void stop() override
    {
        m_active = false;
        m_timer.stop();
    }
    bool isActive() const override { return m_active; }

private:
    // An interval of 0 or less never ticks, although the timer counts as running.
    void restart()
    {
        m_timer.stop();
        if (m_interval > 0)
            m_timer.start(m_interval);
    }

    QTimer m_timer;
    int m_interval = 0;
    bool m_active = false;
};

QElapsedTimer &monotonicClock()
{
    static QElapsedTimer c = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return c;
}

} // namespace

Timer *QtScheduler::createTimer(QObject *parent, const QString &name)
{
    auto *t = new QtTimer(parent);
    t->setObjectName(name);
    return t;
}

void QtScheduler::wait(int ms)
{
    if (ms <= 0 || isShuttingDown())
        return;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &Scheduler::shuttingDown, &loop, &QEventLoop::quit);
    deadline.start(ms);
    loop.exec();
}

void QtScheduler::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtScheduler::waitForEvents()
{
    // A short sleep in the event loop instead of spinning the processor.
    wait(5);
    processEvents();
}

qint64 QtScheduler::now() const
{
    return monotonicClock().elapsed();
}
