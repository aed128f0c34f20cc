// SPDX-License-Identifier: GPL-3.0-or-later
// What the receive pane costs: the time of one append of 300 characters of
// hex text with the pane holding 10 KB to 10 MB of text, and of one character
// typed over another in the middle of it; at 1 MB the time of one repaint, the rate at which the pane takes hex text and how busy it is
// at 921600 baud; the time to write a pane of 10 MB and to lay its lines out
// again for a new width; and the
// peak memory. Sizes count characters of text (1 KB = 1024).
//
//   pane_bench
//
// Each figure is printed as one line "name at size: value".

#include "PaneMeasures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace bench;

// The median time to paint the whole pane once.
double paintUs(ReceivePane &pane)
{
    settle(pane);
    QWidget *viewport = pane.viewport();
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < 11; ++i) {
        timer.start();
        viewport->repaint();
        times.push_back(timer.nsecsElapsed() / 1e3);
    }
    return median(times);
}

// Characters per second the pane takes in 300-character appends, each
// followed by a pass of the event loop, while `total` characters are added.
double streamRate(ReceivePane &pane, qsizetype total)
{
    const QString chunk = hexText(kAppendLength);
    QElapsedTimer timer;
    timer.start();
    for (qsizetype added = 0; added < total; added += chunk.size()) {
        pane.append(chunk);
        QCoreApplication::processEvents();
    }
    return total / (timer.nsecsElapsed() / 1e9);
}

// The share of one second the pane is busy showing hex text received at
// `baud` (10 bits a byte, three characters each), appended every 20 ms as
// the receive path's poll timer does, in real time.
double busyPercent(ReceivePane &pane, int baud)
{
    constexpr int kTickMs = 20;
    const QString tick = hexText(qsizetype(baud) / 10 * 3 * kTickMs / 1000);
    QElapsedTimer clock, busy;
    qint64 busyNs = 0;
    clock.start();
    for (int i = 1; i <= 1000 / kTickMs; ++i) {
        busy.start();
        pane.append(tick);
        QCoreApplication::processEvents();
        busyNs += busy.nsecsElapsed();
        while (clock.elapsed() < i * kTickMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, kTickMs);
    }
    return 100.0 * busyNs / clock.nsecsElapsed();
}

// The median time of one character typed over another in the middle of the
// pane, over `count` characters: the lines stay as they are, so this is what
// an edit costs beyond laying out what it changes.
double overtypeUs(ReceivePane &pane, int count)
{
    pane.setReadOnlyForUser(false);
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = pane.length() / 2 + 3 * i; // the first digit of a byte
        const QString digit = pane.text().mid(at, 1);
        pane.select(at, 1);
        timer.start();
        QTest::keyClick(&pane, Qt::Key_X);
        times.push_back(timer.nsecsElapsed() / 1e3);
        pane.select(at, 1);
        QTest::keyClicks(&pane, digit);
        QCoreApplication::processEvents();
    }
    pane.setReadOnlyForUser(true);
    return median(times);
}

// Milliseconds to lay the lines out again after the pane's width changed,
// without the settling delay before that starts.
double rewrapMs(ReceivePane &pane, int newWidth)
{
    QTimer *rewrap = pane.findChild<QTimer *>(QStringLiteral("rewrapTimer"));
    QElapsedTimer clock;
    qint64 doneNs = -1;
    // Connected after the pane's own handler, so it runs when the new lines are done.
    const auto done = QObject::connect(rewrap, &QTimer::timeout, [&] { doneNs = clock.nsecsElapsed(); });
    clock.start();
    pane.resize(newWidth, pane.height());
    if (!QTest::qWaitFor([&] { return doneNs >= 0; }, 60000))
        return -1;
    QObject::disconnect(done);
    return doneNs / 1e6 - rewrap->interval();
}

void benchAppends()
{
    ReceivePane pane;
    showPane(pane);
    for (qsizetype size : {10 * kKB, 100 * kKB, kKB * kKB, 10 * kKB * kKB}) {
        const double setTextMs = fill(pane, size);
        print("append_us", sizeName(size), appendUs(pane, 51));
        print("overtype_us", sizeName(size), overtypeUs(pane, 21));
        if (size == kKB * kKB) {
            print("paint_us", sizeName(size), paintUs(pane));
            fill(pane, size);
            print("stream_kchars_per_s", sizeName(size), streamRate(pane, 3 * kKB * kKB) / 1000);
            fill(pane, size);
            print("busy_percent_921600_baud", sizeName(size), busyPercent(pane, 921600));
        }
        if (size == 10 * kKB * kKB) {
            print("settext_ms", sizeName(size), setTextMs);
            print("rewrap_ms", sizeName(size), rewrapMs(pane, 600));
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchAppends();
    std::printf("peak_memory_kB: %ld\n", peakMemoryKb());
    return 0;
}
