// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The input a simulated device holds for the program to read, bounded like
// a driver's input buffer: what does not fit is lost.

#include <QByteArray>

class InputBuffer
{
public:
    static constexpr qsizetype kLimit = 64 * 1024;

    void append(const QByteArray &bytes) { m_bytes.append(bytes.left(kLimit - m_bytes.size())); }
    QByteArray take(qint64 maxBytes)
    {
        const QByteArray out = m_bytes.left(maxBytes);
        m_bytes.remove(0, out.size());
        return out;
    }
    qsizetype size() const { return m_bytes.size(); }
    void clear() { m_bytes.clear(); }

private:
    QByteArray m_bytes;
};
