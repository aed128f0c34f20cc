// The tray icon on a StatusNotifierItem host: a private session bus (a
// dbus-daemon of the test's own) carries a stand-in for the watcher that
// says a host is registered, so a single click (Trigger) on the icon asks
// for the window and a double-click is not waited for.

#include "desktop/Artwork.h"
#include "desktop/SystemDesktop.h"

#include <QApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

// The part of the watcher the program asks: whether a host is registered.
class FakeWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
public:
    bool isHostRegistered() const { return true; }
};

class TrayWatcherTest : public QObject
{
    Q_OBJECT
    FakeWatcher m_watcher;

private slots:
    void initTestCase()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY2(bus.isConnected(), "no private session bus");
        QVERIFY(bus.registerObject("/StatusNotifierWatcher", &m_watcher, QDBusConnection::ExportAllProperties));
        QVERIFY(bus.registerService("org.kde.StatusNotifierWatcher"));
    }

    void aClickOnAStatusNotifierHostShowsTheWindow()
    {
        QTemporaryDir dir;
        SystemDesktop desktop(dir.filePath("kestrel.lock"));
        QMenu menu;
        desktop.setTrayMenu(&menu);
        desktop.addTrayIcon(KestrelIcon("kestrel"), "Kestrel");
        auto *icon = desktop.findChild<QSystemTrayIcon *>();
        QVERIFY(icon);
        QCOMPARE(icon->contextMenu(), &menu);
        QSignalSpy shows(&desktop, &DesktopServices::trayShowRequested);
        emit icon->activated(QSystemTrayIcon::Context);
        QCOMPARE(shows.count(), 0);
        emit icon->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(shows.count(), 1);
    }
};

int main(int argc, char *argv[])
{
    // A bus of the test's own, so that no desktop's watcher answers.
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead(10000)) {
        std::fprintf(stderr, "tst_traywatcher needs dbus-daemon: apt install dbus-daemon\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
    int result = 0;
    {
        QApplication app(argc, argv);
        TrayWatcherTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    daemon.terminate();
    daemon.waitForFinished();
    return result;
}
#include "tst_traywatcher.moc"
