// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PaneLines.h"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kFirstPrintable = u' ';
constexpr char16_t kLastPrintable = u'~';
// Steps a scroll bar may count: well inside an int.
constexpr qsizetype kMostScrollSteps = qsizetype(1) << 30;

// East Asian wide and full-width characters, roughly.
bool isWide(char32_t u)
{
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF && u != 0x303F)
        || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
        || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6) || u >= 0x10000;
}

int defaultWidth(char32_t u)
{
    return (u < 0x20 || (u >= 0x7F && u < 0xA0) || isWide(u)) ? 2 : 1;
}

// How many of the first `most` characters are printable ASCII, of the
// `available` ones; eight at a time where the processor can, as most
// received text is. Whole chunks of eight are read also past `most` where
// the text goes on, so the few characters that end a line need no loop of
// their own.
qsizetype printableRun(const char16_t *chars, qsizetype most, qsizetype available)
{
    if (most <= 0)
        return 0; // a blank hangs past the line's end
    qsizetype n = 0;
#ifdef __SSE2__
    // Compared as signed numbers, characters from 0x8000 on are below the
    // blank, so they fail as they should.
    const __m128i belowFirst = _mm_set1_epi16(short(kFirstPrintable - 1));
    const __m128i aboveLast = _mm_set1_epi16(short(kLastPrintable + 1));
    for (; n < most && n + 8 <= available; n += 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars + n));
        const __m128i printable =
            _mm_and_si128(_mm_cmpgt_epi16(chunk, belowFirst), _mm_cmplt_epi16(chunk, aboveLast));
        const uint mask = uint(_mm_movemask_epi8(printable));
        if (mask != 0xFFFF)
            return std::min(n + qCountTrailingZeroBits(~mask) / 2, most);
    }
    if (n >= most)
        return most;
#endif
    while (n < most && char16_t(chars[n] - kFirstPrintable) <= kLastPrintable - kFirstPrintable)
        ++n;
    return n;
}

// The place after the last blank among the characters [from, to), or -1
// when there is none; eight at a time where the processor can.
qsizetype afterLastBlank(const char16_t *chars, qsizetype from, qsizetype to)
{
#ifdef __SSE2__
    const __m128i blank = _mm_set1_epi16(short(u' '));
    for (; to - from >= 8; to -= 8) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chars + to - 8));
        const uint mask = uint(_mm_movemask_epi8(_mm_cmpeq_epi16(chunk, blank)));
        if (mask != 0)
            return to - 8 + (31 - qCountLeadingZeroBits(mask)) / 2 + 1;
    }
#endif
    for (; to > from; --to) {
        if (chars[to - 1] == u' ')
            return to;
    }
    return -1;
}

} // namespace

CharWidths::CharWidths(Measure measure)
    : m_measure(measure ? std::move(measure) : Measure(defaultWidth)), m_bmp(0x10000, kUnmeasured)
{
    m_bmp[u'\r'] = m_bmp[u'\n'] = kLineBreak;
    const char16_t blank = kFirstPrintable;
    m_asciiWidth = of(QStringView(&blank, 1), 0);
    for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c) {
        if (of(QStringView(&c, 1), 0) != m_asciiWidth)
            m_asciiWidth = 0;
    }
}

int CharWidths::measured(QStringView text, qsizetype index)
{
    const QChar c = text[index];
    if (c.isLowSurrogate() && index > 0 && text[index - 1].isHighSurrogate())
        return 0; // counted with its high half
    if (c.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate()) {
        const char32_t pair = QChar::surrogateToUcs4(c, text[index + 1]);
        auto it = m_pairs.find(pair);
        if (it == m_pairs.end())
            it = m_pairs.insert(pair, std::max(0, m_measure(pair)));
        return *it;
    }
    if (c.isSurrogate()) // a lone half is shown as a replacement character
        return of(QStringView(&kReplacement, 1), 0);
    const int width = std::clamp(m_measure(c.unicode()), 0, 0xFFFE - 1);
    m_bmp[c.unicode()] = quint16(width + 1);
    return width;
}

PaneLines::PaneLines(CharWidths &widths) : m_widths(widths)
{
}

void PaneLines::setLineWidth(int width)
{
    m_lineWidth = std::max(width, 1);
}

void PaneLines::wrap(QStringView text)
{
    m_starts.assign(1, 0);
    wrapFrom(text, 0, -1, 0);
}

void PaneLines::appended(QStringView text)
{
    wrapFrom(text, m_starts.size() - 1, -1, 0);
}

void PaneLines::replaced(QStringView text, qsizetype from, qsizetype removed, qsizetype added)
{
    // A line that ends kReadPastEnd or more characters before the change did
    // not read it, so its end stays; the lines from the first one that may
    // have read it are laid out again.
    const qsizetype line = lineOf(from - kReadPastEnd);
    wrapFrom(text, size_t(line), from + added, added - removed);
}

qsizetype PaneLines::lineOf(qsizetype position) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    return std::max<qsizetype>(after - m_starts.begin() - 1, 0);
}

void PaneLines::dropFront(qsizetype lines)
{
    const qsizetype cut = m_starts[size_t(lines)];
    m_starts.erase(m_starts.begin(), m_starts.begin() + lines);
    for (qsizetype &start : m_starts)
        start -= cut;
}

PaneLines::Line PaneLines::line(QStringView text, qsizetype index) const
{
    return bounded(text, m_starts[size_t(index)], index + 1 < count() ? m_starts[size_t(index) + 1] : text.size());
}

PaneLines::Line PaneLines::bounded(QStringView text, qsizetype start, qsizetype end)
{
    Line line;
    line.start = start;
    line.end = end;
    line.contentEnd = line.end;
    if (line.contentEnd > line.start && text[line.contentEnd - 1] == u'\n')
        --line.contentEnd;
    if (line.contentEnd > line.start && text[line.contentEnd - 1] == u'\r'
        && (line.contentEnd == line.end || text[line.contentEnd] == u'\n'))
        --line.contentEnd;
    return line;
}

int PaneLines::scrollStep(qsizetype line, qsizetype lines)
{
    const qsizetype perStep = lines / kMostScrollSteps + 1;
    return int(std::clamp<qsizetype>(line, 0, std::max<qsizetype>(lines - 1, 0)) / perStep);
}

qsizetype PaneLines::lineOfScrollStep(int step, qsizetype lines)
{
    const qsizetype perStep = lines / kMostScrollSteps + 1;
    return std::clamp<qsizetype>(qsizetype(step) * perStep, 0, std::max<qsizetype>(lines - 1, 0));
}

void PaneLines::wrapFrom(QStringView text, size_t first, qsizetype resyncAt, qsizetype shift)
{
    std::vector<qsizetype> old;
    if (resyncAt >= 0)
        old.assign(m_starts.begin() + qsizetype(first) + 1, m_starts.end());
    m_starts.resize(first + 1);

    // An LF that arrived after the CR ending the line before belongs to that
    // line break.
    qsizetype start = m_starts.back();
    if (start > 0 && start < text.size() && text[start] == u'\n' && text[start - 1] == u'\r')
        m_starts.back() = ++start;

    for (;;) {
        start = nextStart(text, start);
        if (start < 0)
            return;
        if (resyncAt >= 0 && start >= resyncAt) {
            const auto same = std::lower_bound(old.begin(), old.end(), start - shift);
            if (same != old.end() && *same == start - shift) {
                for (auto it = same; it != old.end(); ++it)
                    m_starts.push_back(*it + shift);
                return;
            }
        }
        m_starts.push_back(start);
    }
}

// Reads the characters from `start` up to the line break or the first one
// that does not fit, and fewer than kReadPastEnd past the start it returns.
// Every character received passes here: one table entry a character tells
// its width, and only a line break or a character not measured yet goes
// another way.
qsizetype PaneLines::nextStart(QStringView text, qsizetype start)
{
    const quint16 *widths = m_widths.table();
    const char16_t *chars = text.utf16();
    const qsizetype size = text.size();
    const int lineWidth = m_lineWidth;
    const int ascii = m_widths.asciiWidth();
    int width = 0;
    for (qsizetype i = start; i < size; ++i) {
        // Printable ASCII characters of one width that all still fit are
        // passed in one go: most received text is such a run.
        if (ascii > 0) {
            const qsizetype n =
                printableRun(chars + i, std::min<qsizetype>((lineWidth - width) / ascii, size - i), size - i);
            width += int(n) * ascii;
            i += n;
            if (i == size)
                return -1;
        }
        const char16_t c = chars[i];
        const quint16 entry = widths[c];
        if (entry == CharWidths::kLineBreak)
            return (c == u'\r' && i + 1 < size && chars[i + 1] == u'\n') ? i + 2 : i + 1;
        const int w = entry != CharWidths::kUnmeasured ? entry - 1 : m_widths.of(text, i);
        // One blank may hang past the end of the line, as in word wrapping.
        if (width + w > lineWidth && i > start && w > 0 && !(c == u' ' && width <= lineWidth)) {
            // Carry the start of the word being cut over to the next line.
            const qsizetype after = afterLastBlank(chars, i - std::min(i - start, kLongestCarriedWord), i);
            return after >= 0 ? after : i;
        }
        width += w;
    }
    return -1;
}
