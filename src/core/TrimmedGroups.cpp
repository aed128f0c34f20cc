// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TrimmedGroups.h"

#include <algorithm>

TrimmedGroups::TrimmedGroups(bool trim, qsizetype group, Chunk chunk)
    : m_trim(trim), m_group(std::max<qsizetype>(group, 1)), m_chunk(std::move(chunk))
{
}

void TrimmedGroups::feed(QStringView piece)
{
    if (!m_trim)
        return pass(piece);
    if (!m_started) {
        while (!piece.isEmpty() && piece.front() == u' ')
            piece = piece.sliced(1);
        if (piece.isEmpty())
            return;
        m_started = true;
    }
    qsizetype end = piece.size();
    while (end > 0 && piece[end - 1] == u' ')
        --end;
    if (end == 0) {
        m_blanks += piece.size();
        return;
    }
    // Blanks held back stand inside the text after all.
    for (; m_blanks > 0; m_blanks -= std::min<qsizetype>(m_blanks, 64))
        pass(QString(std::min<qsizetype>(m_blanks, 64), u' '));
    pass(piece.first(end));
    m_blanks = piece.size() - end;
}

void TrimmedGroups::pass(QStringView text)
{
    if (!m_partial.isEmpty()) {
        const qsizetype missing = std::min(m_group - m_partial.size(), text.size());
        m_partial += text.first(missing);
        text = text.sliced(missing);
        if (m_partial.size() < m_group)
            return;
        m_chunk(m_partial);
        m_partial.clear();
    }
    const qsizetype whole = text.size() - text.size() % m_group;
    if (whole > 0)
        m_chunk(text.first(whole));
    m_partial = text.sliced(whole).toString();
}

void TrimmedGroups::finish()
{
    if (!m_partial.isEmpty())
        m_chunk(m_partial);
    m_partial.clear();
    m_started = false;
    m_blanks = 0;
}
