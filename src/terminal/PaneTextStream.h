// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of a range of a pane, as it was when the stream began, handed
// over piece by piece so that a range of any length (gigabytes of history)
// is never held whole: with the notes among it (the text as shown) or
// without them (the data). Whatever the pane gets meanwhile, the pieces
// stay those of that moment: appends leave the range as it was, and just
// before the pane is rewritten (emptied, converted, or its oldest lines
// dropped) the stream hands over all the rest at once.
//
// No piece ends between a CR and its LF or between the halves of a
// surrogate pair, so each can be converted on its own.

#include <QMetaObject>
#include <QStringView>
#include <functional>

class TextPane;

class PaneTextStream
{
public:
    // Characters of the pane read for one piece.
    static constexpr qsizetype kPieceChars = qsizetype(1) << 18;
    enum class Notes { With, Without };
    // Takes a piece; false stops the stream (a write failed).
    using Sink = std::function<bool(QStringView)>;

    PaneTextStream(const TextPane &pane, qsizetype from, qsizetype to, Notes notes, Sink sink);
    ~PaneTextStream();
    PaneTextStream(const PaneTextStream &) = delete;
    PaneTextStream &operator=(const PaneTextStream &) = delete;

    // Hands the next piece to the sink: false when there was none left, or
    // the sink refused it.
    bool next();
    // Hands over all that is left; false when the sink refused a piece.
    bool all();
    // The whole pane as shown, notes and all, to the sink.
    static bool wholePane(const TextPane &pane, const Sink &sink);
    bool failed() const { return m_failed; }
    // Characters of the pane handed over so far, and in all.
    qsizetype done() const { return m_at - m_from; }
    qsizetype total() const { return m_to - m_from; }

private:
    const TextPane &m_pane;
    const qsizetype m_from;
    const qsizetype m_to;
    const Notes m_notes;
    const Sink m_sink;
    qsizetype m_at;
    bool m_failed = false;
    QMetaObject::Connection m_rush;
};
