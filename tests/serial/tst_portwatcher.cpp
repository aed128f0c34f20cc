// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting for a lost device: which port the watcher reopens, over a port
// list the test plays and virtual time.

#include "VirtualScheduler.h"
#include "serial/PortWatcher.h"

#include <QTest>

namespace {

SystemPort usbPort(const QString &name, quint16 product, const QString &serial)
{
    SystemPort port;
    port.name = name;
    port.location = "/dev/" + name;
    port.hasIds = true;
    port.vendorId = 0x0403;
    port.productId = product;
    port.serialNumber = serial;
    return port;
}

} // namespace

class PortWatcherTest : public QObject
{
    Q_OBJECT
private slots:
    // The lost port was ttyUSB0 (FTDI 6001, serial "A1"); the watcher looks
    // at the ports that are there after the loss and opens what it finds.
    void aLostAdapterIsFoundUnderItsNewName_data()
    {
        QTest::addColumn<QString>("serialAtLoss");
        QTest::addColumn<QList<SystemPort>>("presentAtLoss");
        QTest::addColumn<QList<SystemPort>>("presentAfter");
        QTest::addColumn<QString>("reopened");
        QTest::newRow("same adapter, new name")
            << "A1" << QList<SystemPort>{} << QList<SystemPort>{usbPort("ttyUSB1", 0x6001, "A1")} << "ttyUSB1";
        QTest::newRow("another serial number")
            << "A1" << QList<SystemPort>{} << QList<SystemPort>{usbPort("ttyUSB1", 0x6001, "B2")} << "";
        QTest::newRow("another product")
            << "A1" << QList<SystemPort>{} << QList<SystemPort>{usbPort("ttyUSB1", 0x6015, "A1")} << "";
        QTest::newRow("no serial number: a new port of the kind")
            << "" << QList<SystemPort>{usbPort("ttyUSB1", 0x6001, "")}
            << QList<SystemPort>{usbPort("ttyUSB1", 0x6001, ""), usbPort("ttyUSB2", 0x6001, "")} << "ttyUSB2";
        QTest::newRow("no serial number: the twin that stayed is not it")
            << "" << QList<SystemPort>{usbPort("ttyUSB1", 0x6001, "")}
            << QList<SystemPort>{usbPort("ttyUSB1", 0x6001, "")} << "";
    }
    void aLostAdapterIsFoundUnderItsNewName()
    {
        QFETCH(QString, serialAtLoss);
        QFETCH(QList<SystemPort>, presentAtLoss);
        QFETCH(QList<SystemPort>, presentAfter);
        QFETCH(QString, reopened);
        VirtualScheduler clock;
        DeviceCatalog devices;
        QList<SystemPort> present = presentAtLoss;
        QStringList tried;
        PortWatcher watcher(
            clock, devices,
            [&](const QString &name) {
                tried << name;
                return true;
            },
            nullptr, [&] { return present; });
        QString reopenedAs;
        connect(&watcher, &PortWatcher::reopened, [&](const QString &name) { reopenedAs = name; });

        watcher.watch("ttyUSB0", usbPort("ttyUSB0", 0x6001, serialAtLoss));
        present = presentAfter;
        clock.advance(PortWatcher::kIntervalMs - 1);
        QVERIFY(tried.isEmpty());
        clock.advance(1);
        QCOMPARE(reopenedAs, reopened);
        QCOMPARE(watcher.isWatching(), reopened.isEmpty());
        QCOMPARE(tried, reopened.isEmpty() ? QStringList() : QStringList{reopened});
    }

    // A simulated device has no file: the watcher tries to open it at each
    // look until it opens, and stops when told.
    void aSimulatedDeviceIsTriedUntilItOpens()
    {
        VirtualScheduler clock;
        DeviceCatalog devices;
        int attempts = 0;
        PortWatcher watcher(clock, devices, [&](const QString &) { return ++attempts == 3; }, nullptr,
                            [] { return QList<SystemPort>{}; });
        watcher.watch(DeviceCatalog::kLoopbackName, std::nullopt);
        clock.advance(10 * PortWatcher::kIntervalMs);
        QCOMPARE(attempts, 3);
        QVERIFY(!watcher.isWatching());

        watcher.watch(DeviceCatalog::kLoopbackName, std::nullopt);
        watcher.stop();
        clock.advance(10 * PortWatcher::kIntervalMs);
        QCOMPARE(attempts, 3);
        // Nothing reopens while the program closes.
        watcher.watch(DeviceCatalog::kLoopbackName, std::nullopt);
        clock.shutDown();
        clock.advance(10 * PortWatcher::kIntervalMs);
        QCOMPARE(attempts, 3);
    }
};

QTEST_GUILESS_MAIN(PortWatcherTest)
#include "tst_portwatcher.moc"
