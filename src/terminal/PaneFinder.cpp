// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PaneFinder.h"

#include <QMetaObject>
#include <QStringMatcher>
#include <deque>

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

// Text, searched piece by piece; where two pieces meet, the end of the one
// before and the start of the next are searched together, so that a match
// across them is found. Matches do not overlap.
class TextScanner
{
public:
    TextScanner(const QString &what, Qt::CaseSensitivity cs) : m_matcher(what, cs), m_length(what.size()) {}

    void feed(QStringView piece, qsizetype at, Found &found)
    {
        // Across the border: the kept end, and the piece's first characters.
        QString border = m_tail;
        border += piece.first(std::min(piece.size(), m_length - 1));
        search(border, m_tailAt, found);
        search(piece, at, found);
        m_tail += piece.last(std::min(piece.size(), m_length - 1));
        m_tail = m_tail.right(m_length - 1);
        m_tailAt = at + piece.size() - m_tail.size();
    }

private:
    void search(QStringView text, qsizetype at, Found &found)
    {
        qsizetype from = std::max<qsizetype>(m_lastEnd - at, 0);
        for (qsizetype hit; (hit = m_matcher.indexIn(text, from)) >= 0; from = hit + m_length) {
            found.add(at + hit, at + hit + m_length);
            m_lastEnd = at + hit + m_length;
        }
    }

    const QStringMatcher m_matcher;
    const qsizetype m_length;
    QString m_tail;
    qsizetype m_tailAt = 0;
    qsizetype m_lastEnd = 0;
};

// Bytes shown as numbers in a base: each run of digits is a byte; anything
// else between them (blanks, line breaks, notes) is passed over.
class ByteScanner
{
public:
    ByteScanner(const QByteArray &bytes, int base) : m_bytes(bytes), m_base(base) {}

    // The notes are passed over: the data between them is scanned.
    void feed(QStringView piece, qsizetype at, const Runs &notes, Found &found)
    {
        qsizetype from = 0;
        for (const PaneColours::Run &note : notes) {
            const qsizetype noteFrom = std::clamp<qsizetype>(note.from - at, from, piece.size());
            scan(piece, from, noteFrom, at, found);
            endToken(found);
            from = std::clamp<qsizetype>(note.to - at, from, piece.size());
        }
        scan(piece, from, piece.size(), at, found);
    }
    void end(Found &found) { endToken(found); }

private:
    void scan(QStringView piece, qsizetype from, qsizetype to, qsizetype at, Found &found)
    {
        const char16_t *text = piece.utf16();
        for (qsizetype i = from; i < to; ++i) {
            const int digit = digitOf(text[i]);
            if (digit < 0) {
                if (m_tokenFrom >= 0)
                    endToken(found);
                continue;
            }
            if (m_tokenFrom < 0)
                m_tokenFrom = at + i;
            m_value = std::min(m_value * m_base + digit, 256); // 256: no byte, breaks the pattern
            m_tokenTo = at + i + 1;
        }
    }

    int digitOf(QChar c) const
    {
        const int d = c >= u'0' && c <= u'9' ? c.unicode() - u'0'
            : c >= u'a' && c <= u'f'         ? c.unicode() - u'a' + 10
            : c >= u'A' && c <= u'F'         ? c.unicode() - u'A' + 10
                                             : -1;
        return d < m_base ? d : -1;
    }

    void endToken(Found &found)
    {
        if (m_tokenFrom < 0)
            return;
        m_tokens.push_back(Token{m_tokenFrom, m_tokenTo, m_value});
        m_tokenFrom = -1;
        m_value = 0;
        if (m_tokens.size() > size_t(m_bytes.size()))
            m_tokens.pop_front();
        if (m_tokens.size() < size_t(m_bytes.size()))
            return;
        for (size_t k = 0; k < m_tokens.size(); ++k) {
            if (m_tokens[k].value != quint8(m_bytes[qsizetype(k)]))
                return;
        }
        found.add(m_tokens.front().from, m_tokens.back().to);
        m_tokens.clear();
    }

    struct Token
    {
        qsizetype from;
        qsizetype to;
        int value;
    };
    const QByteArray m_bytes;
    const int m_base;
    std::deque<Token> m_tokens;
    qsizetype m_tokenFrom = -1;
    qsizetype m_tokenTo = 0;
    int m_value = 0;
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
        TextScanner text(query.text, query.cs);
        ByteScanner byte(bytes, query.byteBase);
        const qsizetype length = std::max<qsizetype>(snapshot.length(), 1);
        int told = -1;
        snapshot.pieces([&](QStringView piece, qsizetype at, const Runs &notes) {
            if (query.byteBase > 0)
                byte.feed(piece, at, notes, found);
            else
                text.feed(piece, at, found);
            const int percent = int((at + piece.size()) * 100 / length);
            if (percent != told) {
                told = percent;
                QMetaObject::invokeMethod(this, [this, generation, percent] {
                    if (generation == m_generation)
                        emit progress(percent);
                }, Qt::QueuedConnection);
            }
            return !m_cancel;
        });
        byte.end(found);
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
