// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop on a private session bus (a dbus-daemon of the test's own):
// a stand-in for the StatusNotifierItem watcher that says a host is
// registered, so a single click (Trigger) on the tray icon asks for the
// window; and a stand-in for the desktop portal's global shortcuts, through
// which keypad * arrives where the session is not X11.

#include "desktop/Artwork.h"
#include "desktop/SystemDesktop.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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

// The global shortcuts portal, on a connection of its own in a thread of
// its own (the program asks it with blocking calls): sessions are granted,
// bound shortcuts recorded and keys pressed on request.
class FakePortal : public QDBusVirtualObject
{
    Q_OBJECT
public:
    static constexpr const char *kPath = "/org/freedesktop/portal/desktop";
    static constexpr const char *kInterface = "org.freedesktop.portal.GlobalShortcuts";
    static constexpr const char *kSession = "/org/freedesktop/portal/desktop/session/1_1/kestrel";

    explicit FakePortal(const QDBusConnection &bus) : m_bus(bus) {}

    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QString member = message.member();
        const QVariantList args = message.arguments();
        if (member == "Get") {
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
        } else if (member == "CreateSession") {
            answer(message, qdbus_cast<QVariantMap>(args.value(0)), {{"session_handle", QString(kSession)}});
        } else if (member == "BindShortcuts") {
            QStringList bound;
            const QDBusArgument shortcuts = args.value(1).value<QDBusArgument>();
            shortcuts.beginArray();
            while (!shortcuts.atEnd()) {
                QString id;
                QVariantMap properties;
                shortcuts.beginStructure();
                shortcuts >> id >> properties;
                shortcuts.endStructure();
                bound << id + " " + properties.value("preferred_trigger").toString();
            }
            shortcuts.endArray();
            answer(message, qdbus_cast<QVariantMap>(args.value(3)), {});
            emit bindShortcuts(args.value(0).value<QDBusObjectPath>().path(), bound);
        } else if (member == "Close") {
            m_bus.send(message.createReply());
            emit closed(message.path());
        } else {
            return false;
        }
        return true;
    }

public slots:
    void press(const QString &id)
    {
        QDBusMessage activated = QDBusMessage::createSignal(kPath, kInterface, "Activated");
        activated << QVariant::fromValue(QDBusObjectPath(kSession)) << id << qulonglong(0) << QVariantMap();
        m_bus.send(activated);
    }

signals:
    void bindShortcuts(const QString &session, const QStringList &bound);
    void closed(const QString &session);

private:
    // Replies with the request object and answers on it, as the portal does.
    void answer(const QDBusMessage &call, const QVariantMap &options, const QVariantMap &results)
    {
        QString sender = call.service().mid(1);
        sender.replace('.', '_');
        const QString request = QString(kPath) + "/request/" + sender + "/" + options.value("handle_token").toString();
        m_bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response = QDBusMessage::createTargetedSignal(call.service(), request,
                                                                   "org.freedesktop.portal.Request", "Response");
        response << 0u << results;
        m_bus.send(response);
    }

    QDBusConnection m_bus;
};

class SessionBusTest : public QObject
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

    // Not X11 (the platform here is offscreen): keypad * is bound through
    // the portal, arrives from it, and is unbound on release.
    void thePortalCarriesTheHotKeyOutsideX11()
    {
        QDBusConnection portalBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "portal");
        FakePortal portal(portalBus);
        QVERIFY(portalBus.registerVirtualObject(FakePortal::kPath, &portal, QDBusConnection::SubPath));
        QVERIFY(portalBus.registerService("org.freedesktop.portal.Desktop"));
        QThread thread;
        portal.moveToThread(&thread);
        thread.start();
        const auto stop = qScopeGuard([&] {
            portalBus.unregisterObject(FakePortal::kPath);
            thread.quit();
            thread.wait();
        });
        QSignalSpy bound(&portal, &FakePortal::bindShortcuts);
        QSignalSpy closed(&portal, &FakePortal::closed);

        QTemporaryDir dir;
        SystemDesktop desktop(dir.filePath("kestrel.lock"));
        QSignalSpy keys(&desktop, &DesktopServices::hotKeyPressed);
        QVERIFY(desktop.globalKeysAvailable());
        QVERIFY(desktop.grabHotKeys());
        QTRY_COMPARE(bound.count(), 1);
        QCOMPARE(bound.first().at(0).toString(), QString(FakePortal::kSession));
        QCOMPARE(bound.first().at(1).toStringList(), QStringList{"show-hide KP_Multiply"});

        QMetaObject::invokeMethod(&portal, "press", Q_ARG(QString, "show-hide"));
        QTRY_COMPARE(keys.count(), 1);
        QCOMPARE(keys.first().first().toInt(), int(ShowHideKey));

        desktop.releaseHotKeys();
        QTRY_COMPARE(closed.count(), 1);
        QCOMPARE(closed.first().first().toString(), QString(FakePortal::kSession));
        QMetaObject::invokeMethod(&portal, "press", Q_ARG(QString, "show-hide"));
        QTest::qWait(100);
        QCOMPARE(keys.count(), 1);

    }
};

int main(int argc, char *argv[])
{
    // A bus of the test's own, so that no desktop's watcher answers.
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead(10000)) {
        std::fprintf(stderr, "tst_sessionbus needs dbus-daemon: apt install dbus-daemon\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
    int result = 0;
    {
        QApplication app(argc, argv);
        SessionBusTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    daemon.terminate();
    daemon.waitForFinished();
    return result;
}
#include "tst_sessionbus.moc"
