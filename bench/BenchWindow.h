// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks that work a whole window share: the main window shown
// offscreen over the real scheduler and dialogs that never block, and the
// window's reply time, measured as how late a timer set to 10 ms gets while
// the window works.

#include "MemorySettingsStore.h"
#include "PaneMeasures.h"
#include "RecordingDesktop.h"
#include "SilentDialogs.h"
#include "core/Scheduler.h"
#include "desktop/MainWindow.h"
#include "serial/DeviceCatalog.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

struct BenchWindow
{
    QtScheduler scheduler;
    SilentDialogs dialogs;
    DeviceCatalog devices;
    MemorySettingsStore settings;
    RecordingDesktop desktop;
    MainWindow window{{scheduler, dialogs, devices, settings, desktop}};

    BenchWindow()
    {
        window.resize(1000, 700);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::fprintf(stderr, "the window was not shown\n");
    }
};

class ReplyWatch
{
public:
    static constexpr int kIntervalMs = 10;

    ReplyWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { noteReply(); });
    }

    void start()
    {
        m_lateMs.clear();
        m_clock.start();
        m_armedAt = 0;
        m_timer.start(kIntervalMs);
    }
    // The stretch from the last reply to the stop counts as a wait too.
    void stop()
    {
        noteReply();
        m_timer.stop();
    }

    double elapsedMs() const { return m_clock.nsecsElapsed() / 1e6; }
    double worstMs() const { return *std::max_element(m_lateMs.begin(), m_lateMs.end()); }
    double medianMs() const { return median(m_lateMs); }
    std::size_t replies() const { return m_lateMs.size() - 1; }

private:
    void noteReply()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_lateMs.push_back(std::max(0.0, (now - m_armedAt) / 1e6 - kIntervalMs));
        m_armedAt = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_armedAt = 0;
    std::vector<double> m_lateMs;
};

} // namespace bench
