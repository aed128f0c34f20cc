#pragma once
// How the receive pane shows its text. The pane keeps the text exactly as
// written, but a text widget lays a paragraph out again whenever it grows,
// and received data seldom has line breaks. So the text is shown as short
// display blocks (paragraphs), each at most one screen line wide:
//
//   text     "41 42 43 44\r\nOK"            (line width: 6 characters)
//   display  "41 42 " | "43 44" | "OK"
//             soft break ^        ^ hard break, ended by "\r\n" in the text
//
// A hard break stands for the CR LF, CR or LF that ends a line of the text;
// a soft break is ours and stands for nothing. Inside a block each text
// character is one display character. A soft break falls after a blank
// where it can, so a word (a hex byte "4F") is not cut in two. This map
// records, per block, where it starts in the text and on display, and turns
// positions of one into the other.
//
// Display texts use QChar::ParagraphSeparator between blocks, as
// QTextCursor::insertText() and selectedText() do.

#include <QString>
#include <vector>

class PaneBlockMap
{
public:
    // Widths of the characters on display, in any one unit; `line` is the
    // width a block may fill.
    struct Widths
    {
        int narrow = 1; // letters, digits, blanks
        int wide = 2;   // Chinese characters, and control characters drawn as boxes
        int tab = 8;
        int line = 80;
        bool operator==(const Widths &) const = default;
    };
    // A change to the end of the display: remove its last `removeAtEnd`
    // characters, then insert `insert`.
    struct DisplayTail
    {
        qsizetype removeAtEnd = 0;
        QString insert;
    };
    // A change to the text: characters [from, to) become `text`.
    struct TextSplice
    {
        qsizetype from = 0;
        qsizetype to = 0;
        QString text;
    };

    static constexpr QChar Separator = QChar::ParagraphSeparator;

    PaneBlockMap();

    const Widths &widths() const { return m_widths; }
    // Applies to the blocks laid out from now on; reset() re-splits all.
    void setWidths(const Widths &widths);

    // Starts over with `text`; the display text for it.
    QString reset(const QString &text);
    // `text` has grown at its end, from `from` on: the change to make to
    // the end of the display.
    DisplayTail append(const QString &text, qsizetype from);
    // The user changed the display: at `position`, `removed` characters were
    // replaced by `added`. `text` is the text before the change; the result
    // is the change to make to it.
    TextSplice displayEdited(const QString &text, qsizetype position, qsizetype removed,
                             const QString &added);

    // A text position to a display position and back. A text position inside
    // a CR LF maps to the end of its display line.
    qsizetype toDisplay(qsizetype textPosition) const;
    qsizetype toText(qsizetype displayPosition) const;

    int blockCount() const { return int(m_blocks.size()); }
    // True when block `block` is followed by a soft break.
    bool endsSoftly(int block) const;
    // The display characters [from, to), separators included.
    QString displayText(const QString &text, qsizetype from, qsizetype to) const;

private:
    struct Block
    {
        qsizetype start;        // in the text
        qsizetype displayStart; // on display
        qsizetype length;       // characters, the same in both
        int breakLength;        // text characters of the line break after it: 0 soft, 1 CR or LF, 2 CR LF
    };

    int blockAtText(qsizetype position) const;
    int blockAtDisplay(qsizetype position) const;
    void startBlock(qsizetype textStart);
    int widthOf(const QString &text, qsizetype index) const;
    qsizetype partialWordLength(const QString &text) const;

    std::vector<Block> m_blocks; // never empty; the last one is open for appending
    Widths m_widths;
    int m_openWidth = 0; // display width of the last block, when known
    bool m_openWidthKnown = true;
};
