// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Measures of the receive pane shared by the benchmarks: hex text as the
// pane shows it, filling a shown pane, the median time of one append, and
// the peak memory. Each figure is printed as one line "name at size: value".

#include "terminal/ReceivePane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

constexpr qsizetype kKB = 1024;
constexpr qsizetype kAppendLength = 300;

// Received bytes as the pane shows them in hex: "41 42 … ", `length` characters.
inline QString hexText(qsizetype length, int first = 0)
{
    QString text;
    text.reserve(length + 3);
    for (int i = first; text.size() < length; ++i)
        text += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
    text.truncate(length);
    return text;
}

inline QString sizeName(qsizetype size)
{
    return size >= kKB * kKB ? QStringLiteral("%1MB").arg(size / (kKB * kKB)) : QStringLiteral("%1KB").arg(size / kKB);
}

inline void print(const char *name, const QString &at, double value)
{
    std::printf("%s at %s: %.0f\n", name, qPrintable(at), value);
    std::fflush(stdout);
}

// The value below which the share p (0 to 1) of the values lie; 0 for none.
// The number given after an option ("--mb 300"), or `fallback`.
inline double numberAfter(const QStringList &args, const QString &option, double fallback)
{
    const qsizetype at = args.indexOf(option);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toDouble() : fallback;
}

// The pane length asked for by "--mb N", in characters (N millions).
inline qsizetype paneChars(const QStringList &args, double defaultMillions)
{
    return qsizetype(numberAfter(args, QStringLiteral("--mb"), defaultMillions) * 1e6);
}

inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * values.size()))];
}

inline double median(std::vector<double> values)
{
    return percentile(std::move(values), 0.5);
}

// Lets the pane paint and finish what it has pending.
inline void settle(ReceivePane &pane)
{
    QTest::qWait(50); // the pane paints at most once a frame
    QTimer *rewrap = pane.findChild<QTimer *>(QStringLiteral("rewrapTimer"));
    while (rewrap && rewrap->isActive())
        QTest::qWait(10);
    QCoreApplication::processEvents();
}

// A shown, read-only pane, as the receive path uses it.
inline void showPane(ReceivePane &pane)
{
    pane.resize(800, 400);
    pane.show();
    if (!QTest::qWaitForWindowExposed(&pane))
        std::fprintf(stderr, "the pane was not shown\n");
    pane.setReadOnlyForUser(true);
    settle(pane);
}

// Writes `size` characters of hex text into the pane; milliseconds taken.
inline double fill(ReceivePane &pane, qsizetype size)
{
    const QString text = hexText(size);
    QElapsedTimer timer;
    timer.start();
    pane.setText(text);
    const double ms = timer.nsecsElapsed() / 1e6;
    settle(pane);
    return ms;
}

// The median time of one append of 300 characters, over `count` appends,
// each followed by a pass of the event loop.
inline double appendUs(ReceivePane &pane, int count)
{
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        const QString chunk = hexText(kAppendLength, i);
        timer.start();
        pane.append(chunk);
        times.push_back(timer.nsecsElapsed() / 1e3);
        QCoreApplication::processEvents();
    }
    return median(times);
}

// A memory figure of this process in kB, by its name in /proc/self/status
// ("VmRSS" resident now, "VmHWM" the peak).
inline long memoryKb(const QByteArray &name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

inline long peakMemoryKb()
{
    return memoryKb("VmHWM");
}

} // namespace bench
