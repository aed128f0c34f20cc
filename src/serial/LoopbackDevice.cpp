// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/LoopbackDevice.h"

int LoopbackDevice::open(const PortSettings &settings)
{
    m_open = true;
    m_rts = settings.hardwareFlow();
    m_input.clear();
    return PortError::None;
}

void LoopbackDevice::close()
{
    m_open = false;
    m_input.clear();
}

qint64 LoopbackDevice::write(const QByteArray &bytes, int)
{
    if (!m_open)
        return 0;
    m_input.append(bytes);
    return bytes.size();
}

QByteArray LoopbackDevice::read(qint64 maxBytes)
{
    return m_input.take(maxBytes);
}

bool LoopbackDevice::setRts(bool on)
{
    m_rts = on && m_open;
    return m_open;
}
