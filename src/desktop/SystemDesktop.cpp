#include "desktop/SystemDesktop.h"

#include "desktop/X11KeyGrab.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QPointer>
#include <QProcess>
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

SystemDesktop::SystemDesktop(const QString &lockPath, QObject *parent)
    : DesktopServices(parent), m_lockPath(lockPath), m_keys(new X11KeyGrab(this))
{
    connect(m_keys, &X11KeyGrab::pressed, this, &DesktopServices::hotKeyPressed);
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

bool SystemDesktop::grabHotKeys()
{
    if (!m_keys->isOpen())
        return false;
    m_keys->grab(kKeypadMultiply, ShowHideKey);
    m_keys->grab(kKeypadDivide, DivideKey);
    return true;
}

void SystemDesktop::releaseHotKeys()
{
    m_keys->releaseAll();
}

DesktopServices::LockKeys SystemDesktop::lockKeys() const
{
    if (!m_keys->isOpen())
        return {};
    const X11KeyGrab::LockLamps lamps = m_keys->lockLamps();
    return {true, lamps.num, lamps.caps};
}

void SystemDesktop::addTrayIcon(const QIcon &icon, const QString &tip)
{
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(this);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
            if (why == QSystemTrayIcon::DoubleClick)
                emit trayDoubleClicked();
            else if (why == QSystemTrayIcon::Context)
                emit trayMenuRequested(QCursor::pos());
        });
    }
    m_tray->setIcon(icon);
    m_tray->setToolTip(tip);
    m_tray->show();
}

void SystemDesktop::setTrayIcon(const QIcon &icon)
{
    if (hasTrayIcon())
        m_tray->setIcon(icon);
}

void SystemDesktop::removeTrayIcon()
{
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
