// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/SystemDesktop.h"

#include "desktop/PortalShortcuts.h"
#include "desktop/X11KeyGrab.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLockFile>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

namespace {

// X keysyms of the hot keys (XK_KP_Multiply, XK_KP_Divide).
constexpr unsigned long kKeypadMultiply = 0xffaa;
constexpr unsigned long kKeypadDivide = 0xffaf;

// How long the desktop may take to name its default program.
constexpr int kQueryTimeoutMs = 3000;

} // namespace

QStringList DesktopEntryCommand(const QString &entryText)
{
    bool inMainGroup = false;
    QStringList command;
    for (const QString &raw : entryText.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        if (line == QLatin1String("Terminal=true"))
            return {};
        if (!line.startsWith(QLatin1String("Exec=")) || !command.isEmpty())
            continue;
        for (const QString &arg : QProcess::splitCommand(line.mid(5))) {
            if (!(arg.size() == 2 && arg.startsWith(u'%')))
                command << arg;
        }
    }
    return command;
}

bool IsX11Session(const QString &platformName, const QProcessEnvironment &environment)
{
    const QString sessionType = environment.value(QStringLiteral("XDG_SESSION_TYPE"));
    return platformName == QLatin1String("xcb")
           && sessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) != 0
           && environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
}

SystemDesktop::SystemDesktop(const QString &lockPath, QObject *parent)
    : DesktopServices(parent), m_lockPath(lockPath), m_keys(new X11KeyGrab(this)),
      m_portal(new PortalShortcuts(this))
{
    connect(m_keys, &X11KeyGrab::pressed, this, &DesktopServices::hotKeyPressed);
    connect(m_portal, &PortalShortcuts::pressed, this, &DesktopServices::hotKeyPressed);
}

SystemDesktop::~SystemDesktop()
{
    releaseHotKeys();
    removeTrayIcon();
}

QString SystemDesktop::defaultLockPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/kestrel.lock");
}

bool SystemDesktop::anotherCopyRunning()
{
    if (m_lock)
        return false;
    auto lock = std::make_unique<QLockFile>(m_lockPath);
    // The lock lives as long as the copy runs; only a lock whose process
    // is gone is stale.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return false;
    }
    // A lock that cannot be made at all (no runtime folder) says nothing
    // about another copy.
    return lock->error() == QLockFile::LockFailedError;
}

static bool x11Session()
{
    return IsX11Session(QGuiApplication::platformName(), QProcessEnvironment::systemEnvironment());
}

bool SystemDesktop::globalKeysAvailable() const
{
    if (!m_globalKeys)
        m_globalKeys = x11Session() ? m_keys->isOpen() : PortalShortcuts::offered();
    return *m_globalKeys;
}

bool SystemDesktop::grabHotKeys()
{
    if (!globalKeysAvailable())
        return false;
    if (!x11Session()) {
        // The portal binds keypad * only: keypad / has no action to offer,
        // and the desktop lets the user choose another key.
        m_portal->bind({{QStringLiteral("show-hide"), QStringLiteral("隐藏或显示 Kestrel 窗体"),
                         QStringLiteral("KP_Multiply"), ShowHideKey}});
        return true;
    }
    m_keys->grab(kKeypadMultiply, ShowHideKey);
    m_keys->grab(kKeypadDivide, DivideKey);
    return true;
}

void SystemDesktop::releaseHotKeys()
{
    m_keys->releaseAll();
    m_portal->release();
}

DesktopServices::LockKeys SystemDesktop::lockKeys() const
{
    if (!m_keys->isOpen())
        return {};
    const X11KeyGrab::LockLamps lamps = m_keys->lockLamps();
    return {true, lamps.num, lamps.caps};
}

bool SystemDesktop::trayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

TrayHost SystemDesktop::currentTrayHost()
{
    // Qt shows its icons through a StatusNotifierItem host where the
    // watcher on the session bus says one is registered, on an XEmbed tray
    // otherwise, and decides that once per run: so does this.
    static const TrayHost host = [] {
        const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.interface() || !bus.interface()->isServiceRegistered(watcherName))
            return TrayHost::XEmbed;
        QDBusInterface watcher(watcherName, QStringLiteral("/StatusNotifierWatcher"), watcherName, bus);
        return watcher.property("IsStatusNotifierHostRegistered").toBool() ? TrayHost::StatusNotifier
                                                                            : TrayHost::XEmbed;
    }();
    return host;
}

void SystemDesktop::setTrayMenu(QMenu *menu)
{
    m_trayMenu = menu;
    if (m_tray)
        m_tray->setContextMenu(menu);
}

void SystemDesktop::addTrayIcon(const QIcon &icon, const QString &tip)
{
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(this);
        m_tray->setContextMenu(m_trayMenu);
        const TrayHost host = currentTrayHost();
        connect(m_tray, &QSystemTrayIcon::activated, this,
                [this, host](QSystemTrayIcon::ActivationReason why) { reportTrayActivation(why, host); });
    }
    m_tray->setIcon(icon);
    m_tray->setToolTip(tip);
    m_tray->show();
    // Qt says nothing when the tray host ends; ask it now and then.
    if (!m_trayWatch) {
        m_trayWatch = new QTimer(this);
        m_trayWatch->setInterval(2000);
        connect(m_trayWatch, &QTimer::timeout, this, [this] {
            if (trayAvailable())
                return;
            removeTrayIcon();
            emit trayLost();
        });
    }
    m_trayWatch->start();
}

void SystemDesktop::setTrayIcon(const QIcon &icon)
{
    if (hasTrayIcon())
        m_tray->setIcon(icon);
}

void SystemDesktop::removeTrayIcon()
{
    if (m_trayWatch)
        m_trayWatch->stop();
    delete m_tray;
    m_tray = nullptr;
}

bool SystemDesktop::hasTrayIcon() const
{
    return m_tray != nullptr;
}

bool SystemDesktop::openPath(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString SystemDesktop::findProgram(const QString &name) const
{
    return QStandardPaths::findExecutable(name);
}

void SystemDesktop::askDefaultCommand(const QString &mimeType, QObject *context, CommandAnswer answer)
{
    // xdg-mime may take seconds (it starts a shell and may ask the desktop),
    // so it runs beside the window; the answer comes when it ends, or empty
    // when it cannot start or takes too long.
    auto *query = new QProcess(this);
    auto *limit = new QTimer(query);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, query, &QProcess::kill);
    QPointer<QObject> guard(context);
    auto reply = [query, guard, answer](const QStringList &command) {
        query->disconnect();
        query->deleteLater();
        if (guard)
            answer(command);
    };
    connect(query, &QProcess::errorOccurred, this, [reply](QProcess::ProcessError error) {
        // A crash or a kill is followed by finished, which answers.
        if (error == QProcess::FailedToStart)
            reply({});
    });
    connect(query, &QProcess::finished, this, [query, reply](int code, QProcess::ExitStatus status) {
        const QString entryName = QString::fromUtf8(query->readAllStandardOutput()).trimmed();
        if (status != QProcess::NormalExit || code != 0 || entryName.isEmpty()) {
            reply({});
            return;
        }
        QFile entry(QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entryName));
        reply(entry.open(QIODevice::ReadOnly) ? DesktopEntryCommand(QString::fromUtf8(entry.readAll()))
                                              : QStringList());
    });
    limit->start(kQueryTimeoutMs);
    query->start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
}

bool SystemDesktop::startProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments, QDir::homePath());
}
