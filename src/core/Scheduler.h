// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scheduler seam: every timer of the program and every pause that keeps
// the user interface running go through it, so tests can run them in
// virtual time (a 35 s wait in microseconds, deterministically).

#include <QObject>
#include <memory>

// A repeating timer with the semantics the program relies on: it ticks every
// interval() ms while active; an interval of 0 or less never ticks.
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    void setEnabled(bool on) { on ? start() : stop(); }

signals:
    void timeout();
};

class Scheduler : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // A new stopped timer owned by parent.
    virtual Timer *createTimer(QObject *parent, const QString &name = {}) = 0;

    // Pauses for ms milliseconds while other events and timers keep running.
    // Every wait owns its deadline, so a nested wait never shortens or
    // lengthens an outer one's. Returns at once for ms <= 0 and as soon as
    // the program is shutting down.
    virtual void wait(int ms) = 0;

    // Runs the events that are pending now, without waiting.
    virtual void processEvents() = 0;

    // Lets a little time pass while serving events: the pass of a loop that
    // waits for the outside world (a modem's answer, a carrier).
    virtual void waitForEvents() = 0;

    // Milliseconds since an arbitrary start.
    virtual qint64 now() const = 0;

    // The program is closing: every running wait returns, and long
    // operations end at their next check.
    void shutDown() { m_shuttingDown = true; emit shuttingDown(); }
    bool isShuttingDown() const { return m_shuttingDown; }

signals:
    void shuttingDown();

private:
    bool m_shuttingDown = false;
};

// Qt timers and nested event loops.
class QtScheduler : public Scheduler
{
    Q_OBJECT
public:
    using Scheduler::Scheduler;
    Timer *createTimer(QObject *parent, const QString &name = {}) override;
    void wait(int ms) override;
    void processEvents() override;
    void waitForEvents() override;
    qint64 now() const override;
};
