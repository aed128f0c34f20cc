// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the event loop until done() holds or `ms` have passed; true when it
// holds. Unlike QTest::qWaitFor it never sleeps between passes (that one
// sleeps 10 ms each time): a protocol that waits for an answer after every
// block, with both ends in the test's process, would otherwise measure the
// sleeps instead of the program.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

template <class Done>
bool WaitFor(Done done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the loop to look again when nothing else does
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() >= ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}
