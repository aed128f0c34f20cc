// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waits for a lost device to come back and reopens it as soon as it is
// there: under the same name, or, for a USB adapter, the same adapter
// (vendor, product, serial number) under a new name, as when ttyUSB0 comes
// back as ttyUSB1. While the device is away it looks a few times a second:
// whether the device file exists, and the system's port list only for an
// adapter it knows. A network port has no file to look at: the look is a
// connection attempt, with a growing pause between tries so that a server
// that is down is not hammered.

#include "serial/DeviceCatalog.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class Scheduler;
class Timer;

class PortWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 250;
    // The pause before the first try to reach a lost network port; it
    // doubles after each failed try, up to the longest pause.
    static constexpr int kFirstNetworkPauseMs = 3000;
    static constexpr int kLongestNetworkPauseMs = 30000;
    // Opens the port under a name; true when it opened.
    using Opener = std::function<bool(const QString &name)>;
    // The system's serial ports as they are now.
    using Lister = std::function<QList<SystemPort>()>;

    PortWatcher(Scheduler &scheduler, const DeviceCatalog &devices, Opener open, QObject *parent,
                Lister listPorts = systemPortsWhenChanged());

    // The system's port list, read anew only while /dev is changing: reading
    // it takes milliseconds, a look at the folder's time a few microseconds.
    static Lister systemPortsWhenChanged();

    // Starts watching for the port of this name; adapter is the system's
    // port it was when it was opened, if the system listed it.
    void watch(const QString &name, const std::optional<SystemPort> &adapter);
    void stop();
    bool isWatching() const;

signals:
    // The port opened again, under this name.
    void reopened(const QString &name);

private:
    void look();
    bool reopen(const QString &name);
    // A try to reach a network port, when its pause is over.
    void tryNetwork();

    Scheduler &m_scheduler;
    const DeviceCatalog &m_devices;
    Opener m_open;
    Lister m_listPorts;
    Timer *m_timer;
    QString m_name;
    std::optional<SystemPort> m_adapter;
    // The ports there when the device went away: none of them is the
    // adapter come back, even when it looks the same.
    QStringList m_presentAtLoss;
    int m_networkPauseMs = kFirstNetworkPauseMs;
    qint64 m_nextNetworkTry = 0;
};
