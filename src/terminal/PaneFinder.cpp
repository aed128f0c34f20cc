// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PaneFinder.h"

#include "core/FindEither.h"

#include <QMetaObject>
#include <QtAlgorithms>
#include <array>
#include <optional>

namespace {

using Runs = std::vector<PaneColours::Run>;
using Match = PaneFinder::Match;

// Collects matches: all of them counted, the first kMostKept kept.
struct Found
{
    std::vector<Match> kept;
    qsizetype count = 0;

    void add(qsizetype from, qsizetype to)
    {
        if (kept.size() < PaneFinder::kMostKept)
            kept.push_back(Match{from, to});
        ++count;
    }
};

// The characters of a piece as it is stored: Latin-1 bytes or UTF-16.
const uchar *unitsOf(QLatin1StringView text)
{
    return reinterpret_cast<const uchar *>(text.data());
}
const char16_t *unitsOf(QStringView text)
{
    return text.utf16();
}

// Text, searched piece by piece by Horspool's method on case-folded
// characters (without regard to case) or on the characters themselves;
// where two pieces meet, the end of the one before and the start of the
// next are searched together, so that a match across them is found.
// Matches do not overlap.
class TextScanner
{
public:
    TextScanner(const QString &what, Qt::CaseSensitivity cs)
        : m_caseless(cs == Qt::CaseInsensitive), m_length(what.size())
    {
        for (int c = 0; c < 256; ++c)
            m_latin1[size_t(c)] = m_caseless ? char16_t(QChar::toCaseFolded(char32_t(c))) : char16_t(c);
        for (QChar c : what)
            m_what.push_back(fold(c.unicode()));
        m_skip.fill(m_length);
        for (qsizetype k = 0; k + 1 < m_length; ++k)
            m_skip[m_what[size_t(k)] & 0xFF] = m_length - 1 - k;
        for (int c = 0; c < 256; ++c)
            m_latin1Shift[size_t(c)] = shiftOf(m_latin1[size_t(c)]);
    }

    template <typename Char>
    void feed(const Char *text, qsizetype size, qsizetype at, Found &found)
    {
        // Across the border: the kept end, and the piece's first characters.
        QString border = m_tail;
        for (qsizetype i = 0; i < std::min(size, m_length - 1); ++i)
            border += QChar(text[i]);
        search(border.utf16(), border.size(), m_tailAt, found);
        search(text, size, at, found);
        for (qsizetype i = std::max<qsizetype>(size - (m_length - 1), 0); i < size; ++i)
            m_tail += QChar(text[i]);
        m_tail = m_tail.right(m_length - 1);
        m_tailAt = at + size - m_tail.size();
    }

private:
    // The window's last character picks how far it moves on: not at all
    // when it is the query's last character (then the window is compared),
    // else as far as m_skip says for it (indexed by the folded character's
    // low byte: characters that share it share the smallest move, which
    // stays safe). A Latin-1 character's move is looked up at once, as
    // one load: a search spends its time on these moves.
    template <typename Char>
    void search(const Char *text, qsizetype size, qsizetype at, Found &found)
    {
        const qsizetype last = m_length - 1;
        for (qsizetype i = std::max<qsizetype>(m_lastEnd - at, 0); i + m_length <= size;) {
            const char16_t end = text[i + last];
            const qsizetype shift = end < 256 ? m_latin1Shift[end] : shiftOf(fold(end));
            if (shift > 0) {
                i += shift;
            } else if (matchesAt(text + i)) {
                found.add(at + i, at + i + m_length);
                m_lastEnd = at + i + m_length;
                i += m_length;
            } else {
                i += m_skip[m_what[size_t(last)] & 0xFF];
            }
        }
    }

    qsizetype shiftOf(char16_t folded) const
    {
        return folded == m_what.back() ? 0 : m_skip[folded & 0xFF];
    }

    template <typename Char>
    bool matchesAt(const Char *text) const
    {
        for (qsizetype k = 0; k + 1 < m_length; ++k) {
            if (fold(text[k]) != m_what[size_t(k)])
                return false;
        }
        return true;
    }

    char16_t fold(char16_t c) const
    {
        if (c < 256)
            return m_latin1[c];
        return m_caseless ? char16_t(QChar::toCaseFolded(char32_t(c))) : c;
    }

    const bool m_caseless;
    const qsizetype m_length;
    std::array<char16_t, 256> m_latin1;
    std::vector<char16_t> m_what;
    std::array<qsizetype, 256> m_skip;
    std::array<qsizetype, 256> m_latin1Shift;
    QString m_tail;
    qsizetype m_tailAt = 0;
    qsizetype m_lastEnd = 0;
};

// Bytes shown as numbers in a base: each run of digits is a byte; anything
// else between them (blanks, line breaks, notes) is passed over. The bytes
// read are matched against the pattern by Knuth, Morris and Pratt's method,
// one step a byte.
class ByteScanner
{
public:
    ByteScanner(const QByteArray &bytes, int base) : m_bytes(bytes), m_base(base), m_froms(size_t(bytes.size()))
    {
        for (int c = 0; c < 256; ++c) {
            const int d = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'         ? c - 'a' + 10
                : c >= 'A' && c <= 'F'         ? c - 'A' + 10
                                               : -1;
            m_digits[size_t(c)] = qint8(d < base ? d : -1);
        }
        const int last = quint8(bytes[0]) % base;
        m_firstLastDigit[0] = uchar(last < 10 ? '0' + last : 'a' + last - 10);
        m_firstLastDigit[1] = uchar(last < 10 ? '0' + last : 'A' + last - 10);
        // m_back[q]: how much of the pattern still matches when its byte q+1
        // does not (the longest border of its first q+1 bytes).
        m_back.assign(size_t(bytes.size()), 0);
        for (qsizetype q = 1, k = 0; q < bytes.size(); ++q) {
            while (k > 0 && bytes[q] != bytes[k])
                k = m_back[size_t(k - 1)];
            if (bytes[q] == bytes[k])
                ++k;
            m_back[size_t(q)] = k;
        }
    }

    // The notes are passed over: the data between them is scanned.
    template <typename Char>
    void feed(const Char *text, qsizetype size, qsizetype at, const Runs &notes, Found &found)
    {
        qsizetype from = 0;
        for (const PaneColours::Run &note : notes) {
            const qsizetype noteFrom = std::clamp<qsizetype>(note.from - at, from, size);
            scan(text, from, noteFrom, at, found);
            endToken(found);
            from = std::clamp<qsizetype>(note.to - at, from, size);
        }
        scan(text, from, size, at, found);
    }
    void end(Found &found) { endToken(found); }

private:
    // Latin-1 text is passed over quickly while no match goes on
    // (skipToCandidate); the rest is read a character at a time.
    template <typename Char>
    void scan(const Char *text, qsizetype from, qsizetype to, qsizetype at, Found &found)
    {
        while (from < to) {
            if constexpr (sizeof(Char) == 1) {
                if (m_matched == 0 && m_tokenFrom < 0)
                    from = skipToCandidate(text, from, to);
            }
            from = read(text, from, to, at, found);
        }
    }

    // Where the next byte that could start a match begins: a run of digits
    // whose last digit is that of the pattern's first byte. Else where a
    // run of digits that reaches `to` begins (the next piece may go on with
    // it), else `to`.
    qsizetype skipToCandidate(const uchar *text, qsizetype from, qsizetype to) const
    {
        for (qsizetype i = from;; ++i) {
            i = FindEither(text, i, to, m_firstLastDigit[0], m_firstLastDigit[1]);
            if (i == to)
                break;
            if (i + 1 < to && m_digits[text[i + 1]] >= 0)
                continue; // not a byte's last digit
            while (i > from && m_digits[text[i - 1]] >= 0)
                --i;
            return i;
        }
        qsizetype start = to;
        while (start > from && m_digits[text[start - 1]] >= 0)
            --start;
        return start;
    }

    // Reads up to `to`, or in Latin-1 text until a byte ends with no match
    // going on; returns where it stopped. A byte's value is worked out only
    // where it matters: when a match goes on, or when its last digit is that
    // of the pattern's first byte (working out every value, one
    // multiplication after another, costs more than the rest). The byte
    // being read is kept in locals, which stay in registers.
    template <typename Char>
    qsizetype read(const Char *text, qsizetype from, qsizetype to, qsizetype at, Found &found)
    {
        const int firstLastDigit = quint8(m_bytes[0]) % m_base;
        qsizetype tokenFrom = m_tokenFrom;
        int lastDigit = m_lastDigit;
        qsizetype i = from;
        for (; i < to; ++i) {
            const int digit = digitOf(text[i]);
            if (digit >= 0) {
                if (tokenFrom < 0)
                    tokenFrom = at + i;
                lastDigit = digit;
            } else if (tokenFrom >= 0) {
                if (m_matched > 0 || lastDigit == firstLastDigit) {
                    m_value = valueOf(text, std::max(tokenFrom - at, from), i, m_value);
                    m_tokenFrom = tokenFrom;
                    m_tokenTo = at + i;
                    endToken(found);
                }
                tokenFrom = -1;
                m_value = 0;
                if (sizeof(Char) == 1 && m_matched == 0) {
                    ++i;
                    break;
                }
            }
        }
        // A byte still being read: its value so far goes on with the next.
        if (tokenFrom >= 0 && i > from) {
            m_value = valueOf(text, std::max(tokenFrom - at, from), i, m_value);
            m_tokenTo = at + i;
        }
        m_tokenFrom = tokenFrom;
        m_lastDigit = lastDigit;
        return i;
    }

    template <typename Char>
    int valueOf(const Char *text, qsizetype from, qsizetype to, int value) const
    {
        for (qsizetype k = from; k < to; ++k)
            value = std::min(value * m_base + digitOf(text[k]), 256); // 256: no byte, breaks the pattern
        return value;
    }

    int digitOf(uchar c) const { return m_digits[c]; }
    int digitOf(char16_t c) const { return c < 256 ? m_digits[c] : -1; }

    void endToken(Found &found)
    {
        if (m_tokenFrom < 0)
            return;
        const qsizetype n = m_bytes.size();
        while (m_matched > 0 && m_value != quint8(m_bytes[m_matched]))
            m_matched = m_back[size_t(m_matched - 1)];
        if (m_value == quint8(m_bytes[m_matched]))
            ++m_matched;
        m_froms[m_slot] = m_tokenFrom;
        m_slot = m_slot + 1 < m_froms.size() ? m_slot + 1 : 0;
        if (m_matched == n) {
            // The slot written next holds the oldest of the last n tokens.
            found.add(m_froms[m_slot], m_tokenTo);
            m_matched = 0;
        }
        m_tokenFrom = -1;
        m_value = 0;
    }

    const QByteArray m_bytes;
    const int m_base;
    std::array<qint8, 256> m_digits;
    // The last digit of the pattern's first byte, in both cases.
    std::array<uchar, 2> m_firstLastDigit;
    std::vector<qsizetype> m_back;
    // Where the last tokens (as many as the pattern has bytes) began, in a
    // ring: m_slot is written next.
    std::vector<qsizetype> m_froms;
    size_t m_slot = 0;
    qsizetype m_matched = 0;
    qsizetype m_tokenFrom = -1;
    qsizetype m_tokenTo = 0;
    int m_value = 0;
    int m_lastDigit = 0;
};

} // namespace

PaneFinder::~PaneFinder()
{
    cancel();
}

QByteArray PaneFinder::bytesOf(const QString &pattern, int base)
{
    QByteArray bytes;
    for (const QString &word : pattern.split(u' ', Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint value = word.toUInt(&ok, base);
        if (!ok || value > 255)
            return QByteArray();
        bytes.append(char(value));
    }
    return bytes;
}

bool PaneFinder::start(const PaneHistory &history, const Query &query)
{
    cancel();
    const QByteArray bytes = query.byteBase > 0 ? bytesOf(query.text, query.byteBase) : QByteArray();
    if (query.text.isEmpty() || (query.byteBase > 0 && bytes.isEmpty()))
        return false;
    m_cancel = false;
    const quint64 generation = ++m_generation;
    m_worker = std::thread([this, generation, query, bytes, snapshot = history.snapshot()] {
        Found found;
        std::optional<TextScanner> text;
        std::optional<ByteScanner> byte;
        if (query.byteBase > 0)
            byte.emplace(bytes, query.byteBase);
        else
            text.emplace(query.text, query.cs);
        const qsizetype length = std::max<qsizetype>(snapshot.length(), 1);
        int told = -1;
        snapshot.pieces([&](HistoryBlock::TextView piece, qsizetype at, const Runs &notes) {
            const qsizetype size = std::visit([&](auto view) {
                if (byte)
                    byte->feed(unitsOf(view), view.size(), at, notes, found);
                else
                    text->feed(unitsOf(view), view.size(), at, found);
                return view.size();
            }, piece);
            const int percent = int((at + size) * 100 / length);
            if (percent != told) {
                told = percent;
                QMetaObject::invokeMethod(this, [this, generation, percent] {
                    if (generation == m_generation)
                        emit progress(percent);
                }, Qt::QueuedConnection);
            }
            return !m_cancel;
        });
        if (byte)
            byte->end(found);
        if (m_cancel)
            return;
        QMetaObject::invokeMethod(this, [this, generation, kept = std::move(found.kept), count = found.count]() mutable {
            finish(generation, std::move(kept), count);
        }, Qt::QueuedConnection);
    });
    return true;
}

void PaneFinder::cancel()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
    ++m_generation;
}

void PaneFinder::finish(quint64 generation, std::vector<Match> matches, qsizetype count)
{
    if (generation != m_generation)
        return;
    if (m_worker.joinable())
        m_worker.join();
    m_matches = std::move(matches);
    m_count = count;
    emit finished();
}
