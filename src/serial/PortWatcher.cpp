// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortWatcher.h"

#include "core/Scheduler.h"
#include "serial/NetworkAddress.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <memory>
#include <sys/stat.h>

namespace {

// How long after a change in /dev the list is read at every look: udev
// gives a new device its attributes a moment after its file appears.
constexpr qint64 kSettleMs = 2000;

struct ChangedPortList
{
    QList<SystemPort> ports;
    bool read = false;
    timespec devChanged{};
    QElapsedTimer sinceChange;

    QList<SystemPort> operator()()
    {
        struct stat dev{};
        if (::stat("/dev", &dev) == 0
            && (dev.st_mtim.tv_sec != devChanged.tv_sec || dev.st_mtim.tv_nsec != devChanged.tv_nsec)) {
            devChanged = dev.st_mtim;
            // The first look only notes the time: the list it reads is new.
            if (read)
                sinceChange.start();
        }
        if (!read || (sinceChange.isValid() && sinceChange.elapsed() < kSettleMs)) {
            ports = DeviceCatalog::systemPorts();
            read = true;
        }
        return ports;
    }
};

} // namespace

PortWatcher::Lister PortWatcher::systemPortsWhenChanged()
{
    auto list = std::make_shared<ChangedPortList>();
    return [list] { return (*list)(); };
}

PortWatcher::PortWatcher(Scheduler &scheduler, const DeviceCatalog &devices, Opener open,
                         QObject *parent, Lister listPorts)
    : QObject(parent), m_scheduler(scheduler), m_devices(devices), m_open(std::move(open)), m_listPorts(std::move(listPorts)),
      m_timer(scheduler.createTimer(this, QStringLiteral("portWatch")))
{
    m_timer->setInterval(kIntervalMs);
    connect(m_timer, &Timer::timeout, this, &PortWatcher::look);
    // Nothing reopens a port while the program closes.
    connect(&scheduler, &Scheduler::shuttingDown, this, &PortWatcher::stop);
}

void PortWatcher::watch(const QString &name, const std::optional<SystemPort> &adapter)
{
    m_name = name;
    m_adapter = adapter;
    m_presentAtLoss.clear();
    m_networkPauseMs = kFirstNetworkPauseMs;
    m_nextNetworkTry = m_scheduler.now() + m_networkPauseMs;
    if (m_adapter)
        for (const SystemPort &port : m_listPorts())
            m_presentAtLoss << port.name;
    m_timer->start();
}

void PortWatcher::stop()
{
    m_timer->stop();
}

bool PortWatcher::isWatching() const
{
    return m_timer->isActive();
}

void PortWatcher::look()
{
    if (NetworkAddress::isNetworkName(m_name)) {
        tryNetwork();
        return;
    }
    // A simulated device has no file; trying to open it is the look.
    if ((m_devices.isSimulated(m_name) || QFileInfo::exists(DeviceCatalog::deviceFile(m_name)))
        && reopen(m_name))
        return;
    if (!m_adapter)
        return;
    for (const SystemPort &port : m_listPorts())
        if (port.sameAdapter(*m_adapter) && !m_presentAtLoss.contains(port.name) && reopen(port.name))
            return;
}

void PortWatcher::tryNetwork()
{
    if (m_scheduler.now() < m_nextNetworkTry)
        return;
    // The try serves events while it connects, this timer's among them: no
    // second try starts inside it.
    m_nextNetworkTry = std::numeric_limits<qint64>::max();
    if (reopen(m_name))
        return;
    // The try took its own time (a connection that timed out): the pause
    // counts from its end.
    m_networkPauseMs = std::min(m_networkPauseMs * 2, kLongestNetworkPauseMs);
    m_nextNetworkTry = m_scheduler.now() + m_networkPauseMs;
}

bool PortWatcher::reopen(const QString &name)
{
    // A device file can be there before it can be opened (a pseudo-terminal
    // whose far end is gone, a device udev has not given its rights yet):
    // a failed open just waits for the next look.
    if (!m_open(name))
        return false;
    stop();
    emit reopened(name);
    return true;
}
