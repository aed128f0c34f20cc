// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDevice.h"

qint64 WriteLog::timeOf(const QByteArray &bytes, qint64 from) const
{
    for (const Write &w : writes)
        if (w.at >= from && w.bytes == bytes)
            return w.at;
    return -1;
}

QByteArray WriteLog::since(qint64 from) const
{
    QByteArray all;
    for (const Write &w : writes)
        if (w.at >= from)
            all += w.bytes;
    return all;
}

QList<QByteArray> WriteLog::chunks() const
{
    QList<QByteArray> all;
    for (const Write &w : writes)
        all << w.bytes;
    return all;
}

int ScriptedDevice::open(const PortSettings &settings)
{
    this->settings = settings;
    m_open = openError == PortError::None;
    return openError;
}

bool ScriptedDevice::logLine(const char *line, bool on)
{
    if (m_open)
        m_log.lineChanges << QStringLiteral("%1 %2 %3").arg(m_clock.now()).arg(QLatin1String(line)).arg(on ? 1 : 0);
    return m_open;
}

qint64 ScriptedDevice::write(const QByteArray &whole, int)
{
    if (!m_open)
        return 0;
    const QByteArray bytes = writeLimit >= 0 ? whole.left(writeLimit) : whole;
    m_log.writes.append({m_clock.now(), bytes});
    if (echo)
        m_input.append(bytes);
    return bytes.size();
}
