#pragma once
// Which device a port name stands for: a simulated device by its name, a
// number N the platform's N-th serial port, any other text a device name or
// path. Also the list the port box offers.

#include "serial/SerialDevice.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class DeviceCatalog
{
public:
    using Maker = std::function<std::unique_ptr<SerialDevice>()>;

    // The loopback device is always there; other simulated devices are added.
    DeviceCatalog();
    void addSimulated(const QString &name, Maker make);

    QStringList simulatedNames() const;
    // The serial ports the system reports (pseudo-terminals are not among them).
    static QStringList systemPorts();
    // The device path of a port name: "3" gives /dev/ttyS2 on Linux.
    static QString devicePath(const QString &name);

    std::unique_ptr<SerialDevice> create(const QString &name) const;

    static const QString kLoopbackName;

private:
    std::vector<std::pair<QString, Maker>> m_simulated;
};
