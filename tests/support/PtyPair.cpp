// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw bytes both ways: no echo, no line editing, no CR/LF translation.
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    tcsetattr(m_slave, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Programs the tests start must not inherit either side: a copy of the
    // device side held open by a child keeps the terminal from hanging up
    // when the test closes it.
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_path = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

void PtyPair::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else {
            // Full: wake as soon as the program has read some of it.
            pollfd writable{m_master, POLLOUT, 0};
            poll(&writable, 1, 10);
        }
    }
}

qint64 PtyPair::writeSome(const QByteArray &bytes)
{
    if (m_master < 0 || bytes.isEmpty())
        return 0;
    const ssize_t n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
    return n > 0 ? n : 0;
}

QByteArray PtyPair::readAvailable(qint64 maxBytes)
{
    QByteArray out;
    char buffer[4096];
    for (;;) {
        const qint64 room = maxBytes < 0 ? qint64(sizeof buffer) : std::min<qint64>(sizeof buffer, maxBytes - out.size());
        const ssize_t n = m_master >= 0 && room > 0 ? ::read(m_master, buffer, size_t(room)) : -1;
        if (n <= 0)
            break;
        out.append(buffer, n);
    }
    return out;
}

termios PtyPair::attributes() const
{
    termios t{};
    tcgetattr(m_slave, &t);
    return t;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}
