// SPDX-License-Identifier: GPL-3.0-or-later
// What waiting for a lost device costs and how soon it is back.
//
//   portwatch_bench [seconds]
//
// 0. The processor time of the event loop alone, for comparison.
// 1. The processor time of a port watcher that waits for a USB adapter that
//    is not there (it looks for the device file and reads the system's port
//    list at every look), over the given seconds (default 30).
// 2. The same for a device file that is there but does not open (a
//    pseudo-terminal whose far end is gone): an open attempt at every look.
// 3. The reconnect delay: a pseudo-terminal behind a symbolic link comes
//    back at a random moment; the time until the port is open again,
//    over 20 returns.

#include "CpuTime.h"
#include "PtyPair.h"
#include "core/Scheduler.h"
#include "serial/DeviceCatalog.h"
#include "serial/PortWatcher.h"
#include "serial/SerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void measureWaiting(const char *what, const PortWatcher *watcher, int seconds)
{
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds * 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wallSeconds = double(wall.elapsed()) / 1000;
    std::printf("%s: %.2f ms processor time per second (%.3f %% of one core) over %.0f s, still waiting: %s\n",
                what, cpu * 1000 / wallSeconds, cpu * 100 / wallSeconds, wallSeconds,
                !watcher ? "-" : watcher->isWatching() ? "yes" : "no");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    QtScheduler scheduler;
    DeviceCatalog devices;
    SerialPort port([&devices](const QString &name) { return devices.create(name); });
    const auto open = [&port](const QString &name) {
        port.setPortName(name);
        return port.open() == PortError::None;
    };
    QElapsedTimer listing;
    listing.start();
    const qsizetype listed = DeviceCatalog::systemPorts().size();
    std::printf("system ports listed: %lld, reading the list took %lld ms\n", qlonglong(listed),
                qlonglong(listing.elapsed()));
    measureWaiting("the event loop alone, for comparison", nullptr, std::max(1, seconds / 3));

    {
        SystemPort adapter;
        adapter.name = QStringLiteral("ttyUSB9");
        adapter.hasIds = true;
        adapter.vendorId = 0x0403;
        adapter.productId = 0x6001;
        adapter.serialNumber = QStringLiteral("BENCH0");
        PortWatcher watcher(scheduler, devices, open, nullptr);
        watcher.watch(adapter.name, adapter);
        measureWaiting("waiting for an absent USB adapter", &watcher, seconds);
    }

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyBENCH"));
    {
        PtyPair dead;
        dead.closeMaster();
        QFile::link(dead.slavePath(), link);
        PortWatcher watcher(scheduler, devices, open, nullptr);
        watcher.watch(link, std::nullopt);
        measureWaiting("waiting for a device file that does not open", &watcher, std::max(1, seconds / 3));
    }

    QList<qint64> delays;
    for (int i = 0; i < 20; ++i) {
        PtyPair dead;
        dead.closeMaster();
        QFile::remove(link);
        QFile::link(dead.slavePath(), link);
        PortWatcher watcher(scheduler, devices, open, nullptr);
        QElapsedTimer sinceReturn;
        QEventLoop loop;
        QObject::connect(&watcher, &PortWatcher::reopened, &loop, &QEventLoop::quit);
        watcher.watch(link, std::nullopt);
        runFor(int(QRandomGenerator::global()->bounded(100, 600)));
        PtyPair back;
        QFile::remove(link);
        QFile::link(back.slavePath(), link);
        sinceReturn.start();
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        delays << (port.isOpen() ? sinceReturn.elapsed() : -1);
        port.close();
    }
    std::sort(delays.begin(), delays.end());
    std::printf("reconnect delay after the device is back, 20 returns: min %lld ms, median %lld ms, max %lld ms\n",
                delays.first(), delays[delays.size() / 2], delays.last());
    return 0;
}
