#include "serial/DeviceCatalog.h"

#include "serial/LoopbackDevice.h"
#include "serial/QtSerialDevice.h"

#include <QSerialPortInfo>

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

QStringList DeviceCatalog::systemPorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names << info.systemLocation();
    return names;
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

std::unique_ptr<SerialDevice> DeviceCatalog::create(const QString &name) const
{
    const QString trimmed = name.trimmed();
    for (const auto &entry : m_simulated)
        if (entry.first == trimmed)
            return entry.second();
    bool isNumber = false;
    const int n = trimmed.toInt(&isNumber);
    if (trimmed.isEmpty() || (isNumber && (n < 1 || n > 32767)))
        return nullptr;
    return std::make_unique<QtSerialDevice>(devicePath(trimmed));
}
