#include "desktop/SystemDesktop.h"

#include "desktop/X11KeyGrab.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
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
    for (const QString &raw : entryText.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup || !line.startsWith(QLatin1String("Exec=")))
            continue;
        QStringList command;
        for (const QString &arg : QProcess::splitCommand(line.mid(5))) {
            if (!(arg.size() == 2 && arg.startsWith(u'%')))
                command << arg;
        }
        return command;
    }
    return {};
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

QStringList SystemDesktop::defaultCommandFor(const QString &mimeType) const
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(kQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished(kQueryTimeoutMs);
        return {};
    }
    const QString entryName = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (entryName.isEmpty())
        return {};
    QFile entry(QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entryName));
    if (!entry.open(QIODevice::ReadOnly))
        return {};
    return DesktopEntryCommand(QString::fromUtf8(entry.readAll()));
}

bool SystemDesktop::startProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments, QDir::homePath());
}
