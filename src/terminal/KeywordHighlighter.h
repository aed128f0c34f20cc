// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyword colouring rule, without widgets. For each enabled keyword in
// the order 1, 2, 3 the text is searched from the start, letters compared
// without regard to case and matches found inside longer words; every match
// is coloured, and the next search starts one character after its end (so
// AB in ABAB finds only the first). Where matches of different keywords
// cover the same characters, the later keyword's colour is what remains.
//
// The highlighter works incrementally on a text that grows at its end: each
// run searches only what was appended since the last one (from early enough
// to catch a match across the old end) and continues each keyword's chain of
// matches exactly where a full run would, so the colouring after any
// sequence of appends equals one full run over the final text. A run costs
// what was appended, not the length of the text, and hands its colouring
// over as runs in order, so the pane takes them in one merge at its end.

#include "terminal/PaneColours.h"
#include "terminal/PaneNotes.h"

#include <QColor>
#include <QString>
#include <array>
#include <deque>
#include <vector>

// One keyword as the keyword window stores it.
struct KeywordEntry
{
    // The byte boxes joined with single spaces, outer spaces removed.
    QString Text;
    QColor Color = QColor(Qt::black);
    bool Enabled = false;
    // Byte1's width, to cut Text back into the boxes.
    int PieceWidth = 0;
};

using Keywords = std::array<KeywordEntry, 3>;

class KeywordHighlighter
{
public:
    // The keywords to look for; the next run starts over at the text's start.
    void setKeywords(const Keywords &keywords);
    // The text was replaced or edited: the next run starts over.
    void restart();
    // The colouring of the matches in `text` that earlier runs have not
    // given: runs in order, not overlapping. `text` is the earlier text with
    // more appended (or any text after restart()). A match that touches a
    // note (a shown send, a time stamp) is no match: notes are not data.
    // `text` may be the end of that text only, from the position `offset`
    // on: the text before it is not searched again.
    std::vector<PaneColours::Run> run(QStringView text, const PaneNotes &notes = {}, qsizetype offset = 0);
    // The length of the text the last run searched.
    qsizetype searched() const { return m_searched; }

private:
    using Match = std::pair<qsizetype, qsizetype>;
    struct Chain
    {
        QString text;
        QColor colour;
        // Where the next search begins.
        qsizetype next = 0;
        // The matches near the end of the text searched so far: a match of an
        // earlier keyword across that end may cover them, and then they are
        // coloured again to keep this keyword's colour on top.
        std::deque<Match> recent;
    };
    // The matches of one chain from `touched` on, the recent ones cut to it.
    std::vector<Match> searchOn(Chain &chain, QStringView text, qsizetype offset, const PaneNotes &notes,
                                qsizetype touched) const;

    std::vector<Chain> m_chains;
    qsizetype m_searched = 0;
    qsizetype m_longest = 0;
};
