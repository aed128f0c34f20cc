#include "terminal/PaneBlockMap.h"

#include <QStringList>
#include <algorithm>

namespace {

// A word longer than this is cut where the line ends.
constexpr qsizetype kLongestCarriedWord = 24;

// Characters a text widget would take for structure are shown as U+FFFD.
QChar shown(QChar c)
{
    switch (c.unicode()) {
    case QChar::ParagraphSeparator:
    case QChar::LineSeparator:
    case 0xFDD0: // QTextBeginningOfFrame
    case 0xFDD1: // QTextEndOfFrame
        return QChar::ReplacementCharacter;
    default:
        return c;
    }
}

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// East Asian wide and full-width characters, roughly.
bool isWide(char16_t u)
{
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF && u != 0x303F)
        || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
        || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6);
}

} // namespace

PaneBlockMap::PaneBlockMap()
{
    reset(QString());
}

void PaneBlockMap::setWidths(const Widths &widths)
{
    m_widths = widths;
    m_widths.line = std::max(widths.line, 1);
}

QString PaneBlockMap::reset(const QString &text)
{
    m_blocks.assign(1, Block{0, 0, 0, 0});
    m_openWidth = 0;
    m_openWidthKnown = true;
    return append(text, 0).insert;
}

PaneBlockMap::DisplayTail PaneBlockMap::append(const QString &text, qsizetype from)
{
    DisplayTail tail;
    if (!m_openWidthKnown) {
        const Block &open = m_blocks.back();
        m_openWidth = 0;
        for (qsizetype i = open.start; i < open.start + open.length; ++i)
            m_openWidth += widthOf(text, i);
        m_openWidthKnown = true;
    }
    // The characters of the open block that the display already shows.
    const size_t firstOpen = m_blocks.size() - 1;
    const qsizetype alreadyShown = m_blocks.back().length;

    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isLineBreak(c)) {
            Block &open = m_blocks.back();
            // An LF right after a CR that ended the display line: the two are
            // one line break, which only arrived in two pieces.
            if (c == u'\n' && i > 0 && text[i - 1] == u'\r' && open.length == 0 && m_blocks.size() > 1
                && m_blocks[m_blocks.size() - 2].breakLength == 1) {
                m_blocks[m_blocks.size() - 2].breakLength = 2;
                open.start += 1;
                continue;
            }
            open.breakLength = (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
            i += open.breakLength - 1;
            startBlock(i + 1);
            tail.insert += Separator;
            continue;
        }

        const int width = widthOf(text, i);
        const bool full = m_blocks.back().length > 0 && width > 0 && m_openWidth + width > m_widths.line;
        // One blank may hang past the end of the line, as it does in word wrapping.
        const bool hangs = c == u' ' && m_openWidth <= m_widths.line;
        if (full && !hangs) {
            // Move the start of the word being cut to the next line: what of
            // it is not shown yet comes out of `tail`, the rest off the display.
            const qsizetype carry = partialWordLength(text);
            const qsizetype notShown = m_blocks.back().length - (m_blocks.size() - 1 == firstOpen ? alreadyShown : 0);
            tail.insert.chop(std::min(carry, notShown));
            tail.removeAtEnd += std::max<qsizetype>(0, carry - notShown);

            Block &open = m_blocks.back();
            open.length -= carry;
            startBlock(open.start + open.length);
            Block &next = m_blocks.back();
            next.length = carry;
            tail.insert += Separator;
            for (qsizetype k = next.start; k < next.start + carry; ++k) {
                tail.insert += shown(text[k]);
                m_openWidth += widthOf(text, k);
            }
        }
        m_blocks.back().length += 1;
        m_openWidth += width;
        tail.insert += shown(c);
    }
    return tail;
}

PaneBlockMap::TextSplice PaneBlockMap::displayEdited(const QString &text, qsizetype position, qsizetype removed,
                                                     const QString &added)
{
    // Text widgets may report a wider range than what changed: keep only the change.
    const QString old = displayText(text, position, position + removed);
    qsizetype same = 0;
    while (same < old.size() && same < added.size() && old[same] == added[same])
        ++same;
    qsizetype sameAtEnd = 0;
    while (sameAtEnd < old.size() - same && sameAtEnd < added.size() - same
           && old[old.size() - 1 - sameAtEnd] == added[added.size() - 1 - sameAtEnd])
        ++sameAtEnd;
    position += same;
    removed = old.size() - same - sameAtEnd;
    const QString inserted = added.mid(same, added.size() - same - sameAtEnd);

    const int first = blockAtDisplay(position);
    const int last = blockAtDisplay(position + removed);
    const Block head = m_blocks[first];
    const Block tail = m_blocks[last];
    const qsizetype keptBefore = position - head.displayStart;
    const qsizetype keptAfter = tail.displayStart + tail.length - (position + removed);

    // Each separator the user typed is a new line: CR LF in the text.
    const QStringList lines = inserted.split(Separator);
    TextSplice splice{head.start + keptBefore, tail.start + (position + removed - tail.displayStart),
                      lines.join(QStringLiteral("\r\n"))};

    std::vector<Block> blocks;
    qsizetype start = head.start;
    qsizetype displayStart = head.displayStart;
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const bool isLast = k == lines.size() - 1;
        const qsizetype length = lines[k].size() + (k == 0 ? keptBefore : 0) + (isLast ? keptAfter : 0);
        const int breakLength = isLast ? tail.breakLength : 2;
        blocks.push_back(Block{start, displayStart, length, breakLength});
        start += length + breakLength;
        displayStart += length + 1;
    }
    m_blocks.erase(m_blocks.begin() + first, m_blocks.begin() + last + 1);
    m_blocks.insert(m_blocks.begin() + first, blocks.begin(), blocks.end());
    const qsizetype textShift = splice.text.size() - (splice.to - splice.from);
    const qsizetype displayShift = inserted.size() - removed;
    for (size_t k = first + blocks.size(); k < m_blocks.size(); ++k) {
        m_blocks[k].start += textShift;
        m_blocks[k].displayStart += displayShift;
    }
    m_openWidthKnown = false;
    return splice;
}

qsizetype PaneBlockMap::toDisplay(qsizetype textPosition) const
{
    const Block &end = m_blocks.back();
    textPosition = std::clamp<qsizetype>(textPosition, 0, end.start + end.length);
    const Block &b = m_blocks[blockAtText(textPosition)];
    return b.displayStart + std::min(textPosition - b.start, b.length);
}

qsizetype PaneBlockMap::toText(qsizetype displayPosition) const
{
    const Block &end = m_blocks.back();
    displayPosition = std::clamp<qsizetype>(displayPosition, 0, end.displayStart + end.length);
    const Block &b = m_blocks[blockAtDisplay(displayPosition)];
    return b.start + std::min(displayPosition - b.displayStart, b.length);
}

bool PaneBlockMap::endsSoftly(int block) const
{
    return block >= 0 && block + 1 < blockCount() && m_blocks[block].breakLength == 0;
}

QString PaneBlockMap::displayText(const QString &text, qsizetype from, qsizetype to) const
{
    const Block &end = m_blocks.back();
    to = std::min(to, end.displayStart + end.length);
    QString out;
    for (int b = blockAtDisplay(from); from < to; ++b) {
        const Block &block = m_blocks[b];
        for (; from < std::min(to, block.displayStart + block.length); ++from)
            out += shown(text[block.start + from - block.displayStart]);
        if (from < to) {
            out += Separator;
            ++from;
        }
    }
    return out;
}

int PaneBlockMap::blockAtText(qsizetype position) const
{
    const auto after = std::upper_bound(m_blocks.begin(), m_blocks.end(), position,
                                        [](qsizetype p, const Block &b) { return p < b.start; });
    return int(after - m_blocks.begin()) - 1;
}

int PaneBlockMap::blockAtDisplay(qsizetype position) const
{
    const auto after = std::upper_bound(m_blocks.begin(), m_blocks.end(), position,
                                        [](qsizetype p, const Block &b) { return p < b.displayStart; });
    return std::max(0, int(after - m_blocks.begin()) - 1);
}

void PaneBlockMap::startBlock(qsizetype textStart)
{
    const Block &open = m_blocks.back();
    m_blocks.push_back(Block{textStart, open.displayStart + open.length + 1, 0, 0});
    m_openWidth = 0;
}

int PaneBlockMap::widthOf(const QString &text, qsizetype index) const
{
    const QChar c = text[index];
    if (c.isLowSurrogate() && index > 0 && text[index - 1].isHighSurrogate())
        return 0; // counted with its high surrogate
    const char16_t u = c.unicode();
    if (u == u'\t')
        return m_widths.tab;
    if (c.isHighSurrogate() || u < 0x20 || (u >= 0x7F && u < 0xA0) || isWide(u))
        return m_widths.wide;
    return m_widths.narrow;
}

qsizetype PaneBlockMap::partialWordLength(const QString &text) const
{
    const Block &open = m_blocks.back();
    const qsizetype end = open.start + open.length;
    for (qsizetype k = 0; k < std::min(open.length, kLongestCarriedWord); ++k) {
        if (text[end - 1 - k] == u' ')
            return k;
    }
    return 0;
}
