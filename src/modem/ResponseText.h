// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text collected from a modem and searched for result words. Only the most
// recent part is kept, so a device that never stops talking cannot make it
// grow without end; the part kept is far longer than any result word, so a
// word split across two reads is still found.

#include <QString>

class ResponseText
{
public:
    static constexpr qsizetype kLimit = 4096;

    void append(const QString &chunk)
    {
        m_text += chunk;
        if (m_text.size() > kLimit)
            m_text.remove(0, m_text.size() - kLimit);
    }
    void setText(const QString &text) { m_text = text.right(kLimit); }
    void clear() { m_text.clear(); }
    const QString &text() const { return m_text; }
    bool contains(QLatin1StringView word) const { return m_text.contains(word); }

private:
    QString m_text;
};
