// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a text pane's lines start on screen. The pane keeps its text as one
// string and lays out only the lines in view, so it needs to know, for any
// position, which screen line it falls on, without laying anything out:
//
//   text   "41 42 43 44\r\nOK"           (line width: 6 characters)
//   lines  "41 42 " | "43 44\r\n" | "OK"
//            soft end ^            ^ hard end: the line break ends the line
//
// A line ends at a CR LF, CR or LF of the text (which belongs to the line it
// ends and is not shown), or softly where the next character would not fit.
// A soft end falls after a blank where it can, so that a word (a hex byte
// "4F") is not cut in two; a word longer than kLongestCarriedWord is cut
// where the line is full. Widths come from CharWidths, so the lines fit the
// font they are drawn in.
//
// Positions are character positions in the text, 64 bits wide: a pane may
// hold more than 2^31 characters.

#include <QHash>
#include <QStringView>
#include <functional>
#include <vector>

// The width of each character on screen, in any one unit (the pane uses
// 1/64 pixel), measured once per character and kept.
class CharWidths
{
public:
    // Measures a character (a code point); never called for CR or LF.
    using Measure = std::function<int(char32_t)>;

    // Without a measure: 1 for every character, 2 for East Asian wide ones
    // and control characters, 0 for the low half of a surrogate pair.
    explicit CharWidths(Measure measure = {});

    // The width of text[index], not a line break. A surrogate pair counts
    // at its high half.
    int of(QStringView text, qsizetype index)
    {
        const quint16 entry = m_bmp[text[index].unicode()];
        if (entry != kUnmeasured && entry != kLineBreak)
            return entry - 1;
        return measured(text, index);
    }

    // Per UTF-16 unit its width + 1, or one of these: a layout reads one
    // entry a character and goes the slow way only for these.
    static constexpr quint16 kUnmeasured = 0;
    static constexpr quint16 kLineBreak = 0xFFFF; // CR and LF
    const quint16 *table() const { return m_bmp.data(); }
    // The width all printable ASCII characters share (as in a fixed-width
    // font), or 0 when they differ.
    int asciiWidth() const { return m_asciiWidth; }

private:
    int measured(QStringView text, qsizetype index);

    Measure m_measure;
    std::vector<quint16> m_bmp; // 0x10000 entries, as table() tells
    int m_asciiWidth = 0;
    QHash<char32_t, int> m_pairs;
};

class PaneLines
{
public:
    static constexpr qsizetype kLongestCarriedWord = 24;
    // Where a line ends depends on its own characters and on at most this
    // many after its end: a word carried over to the next line (up to
    // kLongestCarriedWord - 1 characters), the first character that did not
    // fit after it, and the character after that one, which may be the low
    // half of its surrogate pair. (A CR ending a line reads one character
    // after it, for an LF.)
    static constexpr qsizetype kReadPastEnd = kLongestCarriedWord + 1;

    // A line: its characters [start, end), of which [start, contentEnd) are
    // shown and the rest is the line break that ends it.
    struct Line
    {
        qsizetype start = 0;
        qsizetype contentEnd = 0;
        qsizetype end = 0;
    };

    // The widths are kept by reference and must outlive the lines.
    explicit PaneLines(CharWidths &widths);

    // The width a line may fill, in the unit of the widths. Takes effect at
    // the next wrap; wrap() lays out the whole text again.
    int lineWidth() const { return m_lineWidth; }
    void setLineWidth(int width);

    // Lays out the whole text.
    void wrap(QStringView text);
    // The text grew at its end: only the last line is laid out again.
    void appended(QStringView text);
    // In the text now given, `added` characters at `from` replaced `removed`
    // others: the lines from the first whose end may have read the changed
    // characters (see kReadPastEnd) are laid out again, until they meet the
    // old ones.
    void replaced(QStringView text, qsizetype from, qsizetype removed, qsizetype added);

    qsizetype count() const { return qsizetype(m_starts.size()); }
    // The first `lines` lines left the text: the rest move to its start.
    void dropFront(qsizetype lines);
    // The line [start, end) of `text`, its line break told apart.
    static Line bounded(QStringView text, qsizetype start, qsizetype end);
    // The line a position falls on; a position where one line ends softly
    // and the next begins is on the next line.
    qsizetype lineOf(qsizetype position) const;
    Line line(QStringView text, qsizetype index) const;
    qsizetype startOf(qsizetype index) const { return m_starts[size_t(index)]; }

    // A scroll bar counts in int; a pane of more lines than that takes
    // several lines per scroll bar step. The step for a line, and the first
    // line of a step, for a pane of `lines` lines.
    static int scrollStep(qsizetype line, qsizetype lines);
    static qsizetype lineOfScrollStep(int step, qsizetype lines);

private:
    // Lays out from the line `first` on, keeping the lines before it. With
    // `resyncAt` >= 0, stops at the first new line start at or after
    // `resyncAt` that is an old line start moved by `shift`, and keeps the
    // old lines from there on, moved.
    void wrapFrom(QStringView text, size_t first, qsizetype resyncAt, qsizetype shift);
    // The start of the line after the one starting at `start`; -1 when the
    // text ends inside this line.
    qsizetype nextStart(QStringView text, qsizetype start);

    CharWidths &m_widths;
    int m_lineWidth = 80;
    std::vector<qsizetype> m_starts{0}; // never empty; the last line is open
};
