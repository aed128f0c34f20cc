// The time 保存接收数据 takes to save a receive pane of 50 million characters
// (lines of 47 hex characters, as received hex data broken into lines), and
// the window's reply time meanwhile: a timer asks to be woken every 10 ms and
// records how late it was (worst and median). As when data keeps arriving,
// 300 characters are appended to the pane every 20 ms during the save.
//
//   save_bench [millions]      (default 50)

#include "MemorySettingsStore.h"
#include "PaneMeasures.h"
#include "RecordingDesktop.h"
#include "SilentDialogs.h"
#include "core/Scheduler.h"
#include "desktop/DataFiles.h"
#include "desktop/MainWindow.h"
#include "serial/DeviceCatalog.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double millions = app.arguments().value(1, QStringLiteral("50")).toDouble();

    QtScheduler scheduler;
    bench::SilentDialogs dialogs;
    DeviceCatalog devices;
    MemorySettingsStore settings;
    RecordingDesktop desktop;
    MainWindow window({scheduler, dialogs, devices, settings, desktop});
    window.resize(1000, 700);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "the window was not shown\n");

    ReceivePane &pane = *window.receivePath().Text2();
    const QString line = bench::hexText(47) + u'\n';
    pane.setText(line.repeated(qsizetype(millions * 1e6) / line.size()));
    bench::settle(pane);
    QTemporaryDir dir;
    dialogs.saveAnswer = dir.filePath(QStringLiteral("pane.txt"));

    QElapsedTimer clock;
    std::vector<double> lateMs;
    qint64 armedAt = 0;
    QTimer reply;
    reply.setTimerType(Qt::PreciseTimer);
    QObject::connect(&reply, &QTimer::timeout, [&] {
        lateMs.push_back((clock.nsecsElapsed() - armedAt) / 1e6 - 10);
        armedAt = clock.nsecsElapsed();
    });
    QTimer arrivals;
    QObject::connect(&arrivals, &QTimer::timeout, [&] { pane.append(bench::hexText(bench::kAppendLength)); });
    clock.start();
    armedAt = clock.nsecsElapsed();
    reply.start(10);
    arrivals.start(20);
    window.dataFiles().cuns1()->trigger();
    const double saveMs = clock.nsecsElapsed() / 1e6;
    reply.stop();
    arrivals.stop();

    const double worst = lateMs.empty() ? saveMs : *std::max_element(lateMs.begin(), lateMs.end());
    std::printf("save_bench pane of %gM characters: saved in %.0f ms, %lld bytes; window reply late by "
                "worst %.1f ms, median %.1f ms (%zu replies)\n",
                millions, saveMs, QFileInfo(dialogs.saveAnswer).size(), worst,
                lateMs.empty() ? saveMs : bench::median(lateMs), lateMs.size());
    return 0;
}
