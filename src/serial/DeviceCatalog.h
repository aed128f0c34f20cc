// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which device a port name stands for: a simulated device by its name, a
// URL (rfc2217://host:port, socket://host:port) a port on another machine,
// a number N the platform's N-th serial port, any other text a device name
// or path. Also the list the port box offers.

#include "serial/SerialDevice.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A serial port the system reports, with what it knows of the hardware.
struct SystemPort
{
    QString name;         // the device name the port box takes: "ttyUSB0"
    QString location;     // "/dev/ttyUSB0"
    QString description;  // "FT232R USB UART"
    QString manufacturer; // "FTDI"
    // A USB adapter's identity: the same adapter keeps it under a new name.
    bool hasIds = false;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;
    bool permitted = true; // this user may read and write the device

    // What the port box lists: "ttyUSB0 — FT232R USB UART (FTDI)", and a
    // mark when the user may not open it.
    QString label() const;
    // The same USB adapter: vendor and product, and the serial number when
    // the adapter has one.
    bool sameAdapter(const SystemPort &other) const;
};

// Why a device could not be opened for lack of permission, and what to do
// on this system: join the group that owns serial devices.
QString PermissionAdvice(const QString &location);
// 0 when this user may read and write the device file; otherwise why not,
// as an errno value (EACCES: no permission).
int DeviceAccessError(const QString &location);

class DeviceCatalog
{
public:
    using Maker = std::function<std::unique_ptr<SerialDevice>()>;

    // The loopback device is always there; other simulated devices are added.
    DeviceCatalog();
    void addSimulated(const QString &name, Maker make);

    QStringList simulatedNames() const;
    bool isSimulated(const QString &name) const { return simulatedNames().contains(name.trimmed()); }
    // The serial ports the system reports (pseudo-terminals are not among them).
    static QList<SystemPort> systemPorts();
    // The system's port behind a port name or path (a symbolic link such as
    // /dev/serial/by-id/... included); nothing for a port it does not list.
    static std::optional<SystemPort> systemPortOf(const QString &name);
    // The device path of a port name: "3" gives /dev/ttyS2 on Linux.
    static QString devicePath(const QString &name);
    // The device file of a port name: a bare name is looked for in /dev.
    static QString deviceFile(const QString &name);
    // True when the name is a pseudo-terminal's own device file (/dev/pts/N),
    // not a link to one. Such a device never comes back once its far end is
    // gone: the kernel gives its number to the next pseudo-terminal that any
    // program opens.
    static bool namesPseudoTerminal(const QString &name);

    std::unique_ptr<SerialDevice> create(const QString &name) const;

    static const QString kLoopbackName;

private:
    std::vector<std::pair<QString, Maker>> m_simulated;
};
