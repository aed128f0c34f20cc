// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parts of a pane's text that are not received data: shown sends and
// time stamps, each with the colour it is shown in. They are kept as marks
// with the text, as the colours are, so they move with edits and cost
// nothing per character; a note's colour is in its marks, so it costs no
// second mark among the colours. Whatever reads the
// pane as data (the checksum of a selection, keyword matching, converting
// the pane) leaves them out; what reads it as text (saving, copying) keeps
// them.

#include "terminal/PaneColours.h"

#include <QString>

class PaneNotes
{
public:
    // Each run, moved by `shift`, in order and not overlapping, is a note in
    // its colour.
    void markAll(const std::vector<PaneColours::Run> &runs, qsizetype shift = 0) { m_marks.colourAll(runs, shift); }
    // Characters [from, from + removed) were replaced by `added` others,
    // which are data.
    void replaced(qsizetype from, qsizetype removed, qsizetype added) { m_marks.replaced(from, removed, added); }
    void clear() { m_marks.clear(); }
    void dropBefore(qsizetype position) { m_marks.dropBefore(position); }

    // The colour of the note at a position; invalid where there is none.
    QColor colourAt(qsizetype position) const { return m_marks.at(position); }
    // The characters around a position that are one note, or no note.
    PaneColours::Run runAt(qsizetype position) const { return m_marks.runAt(position); }
    // The notes that overlap [from, to), cut to it, in order.
    std::vector<PaneColours::Run> runs(qsizetype from, qsizetype to) const { return m_marks.runs(from, to); }
    // Some character of [from, to) belongs to a note.
    bool overlaps(qsizetype from, qsizetype to) const;
    // The characters [from, to) of `text` without the notes among them.
    QString dataOf(const QString &text, qsizetype from, qsizetype to) const;

private:
    // A valid colour marks a note.
    PaneColours m_marks;
};
