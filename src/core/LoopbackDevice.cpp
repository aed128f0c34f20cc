#include "core/LoopbackDevice.h"

namespace {
// Like a driver's input buffer: what does not fit is lost.
constexpr qsizetype kInputLimit = 64 * 1024;
} // namespace

int LoopbackDevice::open(const PortSettings &)
{
    m_open = true;
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
    m_input.append(bytes.left(kInputLimit - m_input.size()));
    return bytes.size();
}

QByteArray LoopbackDevice::read(qint64 maxBytes)
{
    const QByteArray out = m_input.left(maxBytes);
    m_input.remove(0, out.size());
    return out;
}

bool LoopbackDevice::setRts(bool on)
{
    m_rts = on && m_open;
    return m_open;
}
