// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/DeviceCatalog.h"

#include "serial/LoopbackDevice.h"
#include "serial/NetworkAddress.h"
#include "serial/NetworkDevice.h"
#include "serial/QtSerialDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

const QString DeviceCatalog::kLoopbackName = QStringLiteral("模拟回环口");

DeviceCatalog::DeviceCatalog()
{
    addSimulated(kLoopbackName, [] { return std::make_unique<LoopbackDevice>(); });
}

void DeviceCatalog::addSimulated(const QString &name, Maker make)
{
    m_simulated.emplace_back(name, std::move(make));
}

QStringList DeviceCatalog::simulatedNames() const
{
    QStringList names;
    for (const auto &entry : m_simulated)
        names << entry.first;
    return names;
}

QString SystemPort::label() const
{
    QString text = name;
    if (!description.isEmpty())
        text += QStringLiteral(" — ") + description;
    if (!manufacturer.isEmpty())
        text += QStringLiteral(" (%1)").arg(manufacturer);
    if (!permitted)
        text += QStringLiteral(" [无访问权限]");
    return text;
}

bool SystemPort::sameAdapter(const SystemPort &other) const
{
    return hasIds && other.hasIds && vendorId == other.vendorId && productId == other.productId
           && serialNumber == other.serialNumber;
}

QString PermissionAdvice(const QString &location)
{
    // The group that owns the device file is the one that may use it
    // (dialout on Debian); a device owned by root's group names no such group.
    QString group = QFileInfo(location).group();
    if (group.isEmpty() || group == u"root")
        group = QStringLiteral("dialout");
    return QStringLiteral("当前用户没有读写“%1”的权限。\n请把用户加入“%2”组：sudo usermod -aG %2 $USER，"
                          "然后注销并重新登录。")
        .arg(location, group);
}

int DeviceAccessError(const QString &location)
{
    // The effective user's rights, as an open by this process gets them.
    if (::faccessat(AT_FDCWD, QFile::encodeName(location).constData(), R_OK | W_OK, AT_EACCESS) == 0)
        return 0;
    return errno;
}

QList<SystemPort> DeviceCatalog::systemPorts()
{
    QList<SystemPort> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SystemPort port;
        port.name = info.portName();
        port.location = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.hasIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        port.vendorId = info.vendorIdentifier();
        port.productId = info.productIdentifier();
        port.serialNumber = info.serialNumber();
        port.permitted = DeviceAccessError(port.location) == 0;
        ports << port;
    }
    return ports;
}

std::optional<SystemPort> DeviceCatalog::systemPortOf(const QString &name)
{
    const QString file = QFileInfo(deviceFile(name)).canonicalFilePath();
    if (file.isEmpty())
        return std::nullopt;
    for (const SystemPort &port : systemPorts())
        if (port.location == file)
            return port;
    return std::nullopt;
}

QString DeviceCatalog::devicePath(const QString &name)
{
    const QString trimmed = name.trimmed();
    bool isNumber = false;
    const int n = trimmed.toInt(&isNumber);
    if (!isNumber)
        return trimmed;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

QString DeviceCatalog::deviceFile(const QString &name)
{
    const QString path = devicePath(name);
    return path.startsWith(u'/') ? path : QStringLiteral("/dev/") + path;
}

bool DeviceCatalog::namesPseudoTerminal(const QString &name)
{
    const QString file = QDir::cleanPath(deviceFile(name));
    return file.startsWith(QLatin1String("/dev/pts/")) && !QFileInfo(file).isSymLink();
}

std::unique_ptr<SerialDevice> DeviceCatalog::create(const QString &name) const
{
    const QString trimmed = name.trimmed();
    for (const auto &entry : m_simulated)
        if (entry.first == trimmed)
            return entry.second();
    // A URL opens a network port; a wrong one is told by its open.
    if (NetworkAddress::isNetworkName(trimmed))
        return std::make_unique<NetworkDevice>(trimmed);
    bool isNumber = false;
    const int n = trimmed.toInt(&isNumber);
    if (trimmed.isEmpty() || (isNumber && (n < 1 || n > 32767)))
        return nullptr;
    return std::make_unique<QtSerialDevice>(devicePath(trimmed));
}
