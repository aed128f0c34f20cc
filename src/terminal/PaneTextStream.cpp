// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PaneTextStream.h"

#include "terminal/TextPane.h"

#include <algorithm>

PaneTextStream::PaneTextStream(const TextPane &pane, qsizetype from, qsizetype to, Notes notes, Sink sink)
    : m_pane(pane),
      m_from(std::clamp<qsizetype>(from, 0, pane.length())),
      m_to(std::clamp<qsizetype>(to, m_from, pane.length())),
      m_notes(notes),
      m_sink(std::move(sink)),
      m_at(m_from),
      m_rush(QObject::connect(&pane, &TextPane::aboutToRewrite, [this] { all(); }))
{
}

PaneTextStream::~PaneTextStream()
{
    QObject::disconnect(m_rush);
}

bool PaneTextStream::next()
{
    if (m_failed || m_at >= m_to)
        return false;
    const PaneHistory &history = m_pane.history();
    qsizetype end = std::min(m_to, m_at + kPieceChars);
    if (end < m_to) {
        const QChar last = history.at(end - 1), after = history.at(end);
        if ((last == u'\r' && after == u'\n') || (last.isHighSurrogate() && after.isLowSurrogate()))
            ++end;
    }
    const QString piece = m_notes == Notes::With ? history.mid(m_at, end - m_at) : history.dataOf(m_at, end);
    m_at = end;
    if (!piece.isEmpty() && !m_sink(piece)) {
        m_failed = true;
        return false;
    }
    return true;
}

bool PaneTextStream::all()
{
    while (next()) {
    }
    return !m_failed;
}

bool PaneTextStream::wholePane(const TextPane &pane, const Sink &sink)
{
    return PaneTextStream(pane, 0, pane.length(), Notes::With, sink).all();
}
