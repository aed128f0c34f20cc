// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text colours of a pane's characters, kept as marks in sorted order:
// each mark gives the colour from its position until the next mark; no
// colour shows the pane's own. Sixteen bytes a mark and no allocation per
// mark, so a keyword that matches every few characters of a long pane stays
// cheap. Colouring costs a binary search plus the marks after the coloured
// place, so colouring at the end, where new data arrives, costs the same at
// any length; many ranges at once go in one merge (colourAll).
// Positions are 64 bits wide.

#include <QColor>
#include <cstring>
#include <vector>

class PaneColours
{
public:
    struct Run
    {
        qsizetype from = 0;
        qsizetype to = 0;
        QColor colour; // invalid: the pane's own
    };

    // Colours as numbers: a colour's QRgb with the bit above it set, 0 for
    // the pane's own; one plain number is cheap to copy and compare. Runs
    // mostly share one colour (a stamp a line, all grey): a colour that is
    // a byte-for-byte copy of the one before is not converted again.
    class ColourNumbers
    {
    public:
        quint64 operator()(const QColor &colour)
        {
            if (!m_last || std::memcmp(m_last, &colour, kColourBytes) != 0) {
                m_number = numberOf(colour);
                m_last = &colour;
            }
            return m_number;
        }
        // One colour's number, worked out afresh.
        static quint64 numberOf(const QColor &colour);

        // A QColor holds its colour model (an int-sized enum) and five
        // 16-bit components, then two bytes of padding that a copy need not
        // keep: the comparison leaves those out.
        static constexpr size_t kColourBytes = sizeof(int) + 5 * sizeof(ushort);

    private:
        const QColor *m_last = nullptr;
        quint64 m_number = 0;
    };

    // Gives the characters [from, to) the colour (invalid: the pane's own).
    void colour(qsizetype from, qsizetype to, const QColor &colour);
    // Gives each run, moved by `shift`, its colour: the runs are in order
    // and do not overlap.
    void colourAll(const std::vector<Run> &runs, qsizetype shift = 0);
    // Characters [from, from + removed) were replaced by `added` others: the
    // runs after them move, and the new characters take no colour.
    void replaced(qsizetype from, qsizetype removed, qsizetype added);
    void clear() { m_marks.clear(); }
    // Forgets the colours before a position; those from it on stay.
    void dropBefore(qsizetype position);

    // The coloured runs that overlap [from, to), cut to it, in order.
    std::vector<Run> runs(qsizetype from, qsizetype to) const;
    // The colour of one character (invalid: the pane's own).
    QColor at(qsizetype position) const;
    // The characters around a position that share its colour: from the mark
    // at or before it (or 0) to the next mark (or the largest position).
    Run runAt(qsizetype position) const;

private:
    // A colour's number (see ColourNumbers).
    using Colour = quint64;
    struct Mark
    {
        qsizetype at;
        Colour colour;
    };
    using Marks = std::vector<Mark>;

    // Colours runs that all lie after the last mark, which gives the pane's
    // own colour: the new marks go at the end, with no merge. False, and
    // nothing done, when the runs do not lie so.
    bool appendRuns(const std::vector<Run> &runs, qsizetype shift);
    // The first mark at or after a position.
    Marks::iterator firstFrom(qsizetype position);
    Marks::const_iterator firstAfter(qsizetype position) const;
    Colour colourAt(qsizetype position) const;

    Marks m_marks;
};
