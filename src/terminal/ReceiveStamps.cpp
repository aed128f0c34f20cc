// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/ReceiveStamps.h"

#include "core/FindEither.h"

#include <cstring>

namespace {

struct Named
{
    StampKind kind;
    const char *name;
};
constexpr Named kNames[] = {{StampKind::None, "NONE"},
                            {StampKind::TimeOfDay, "TIME"},
                            {StampKind::Relative, "RELATIVE"},
                            {StampKind::DateTime, "DATETIME"}};

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

QString StampKindName(StampKind kind)
{
    for (const Named &n : kNames)
        if (n.kind == kind)
            return QString::fromLatin1(n.name);
    return QString();
}

std::optional<StampKind> StampKindNamed(const QString &name)
{
    for (const Named &n : kNames)
        if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return n.kind;
    return std::nullopt;
}

void ReceiveStamper::setAnchor(const QDateTime &wall, qint64 ms)
{
    m_anchorWall = wall;
    m_anchorMs = ms;
    m_cachedKey.reset();
}

void ReceiveStamper::setKind(StampKind kind)
{
    m_kind = kind;
    m_cachedKey.reset();
}

void ReceiveStamper::continueAfter(QChar last, DataFormat format)
{
    const bool lineBreak = last == u'\n' || last == u'\r';
    m_lineOpen = !last.isNull() && !lineBreak;
    m_crPending = format == DataFormat::String && last == u'\r';
    if (!m_lineOpen && !m_crPending)
        m_lineStart = true;
    else if (format == DataFormat::String)
        m_lineStart = false; // the line's first character came without a stamp
}

const QString &ReceiveStamper::stampText(qint64 ms)
{
    // A stamp's text is made once for all the stamps of one time (of one
    // interval, for relative stamps): the lines of one read share it.
    const bool relative = m_kind == StampKind::Relative;
    const qint64 key = relative ? (m_lastStamp ? ms - *m_lastStamp : 0) : ms;
    if (key != m_cachedKey) {
        if (relative) {
            m_cached = QStringLiteral("[+%1.%2] ").arg(key / 1000).arg(key % 1000, 3, 10, QLatin1Char('0'));
        } else {
            const QDateTime at = m_anchorWall.addMSecs(ms - m_anchorMs);
            m_cached = at.toString(m_kind == StampKind::DateTime ? QStringLiteral("[yyyy-MM-dd HH:mm:ss.zzz] ")
                                                                 : QStringLiteral("[HH:mm:ss.zzz] "));
        }
        m_cachedKey = key;
    }
    return m_cached;
}

void ReceiveStamper::stamp(QString &out, std::vector<PaneColours::Run> &stamps, qint64 ms)
{
    const qsizetype from = out.size();
    out.append(QStringView(stampText(ms)));
    m_lastStamp = ms;
    stamps.push_back(PaneColours::Run{from, out.size(), kStampColour});
}

void ReceiveStamper::add(QString &out, std::vector<PaneColours::Run> &stamps, QStringView text, DataFormat format,
                         qint64 arrivedMs)
{
    if (text.isEmpty())
        return;
    if (m_kind == StampKind::None) {
        out += text;
        return;
    }
    if (format != DataFormat::String) {
        // A frame a line: a pause longer than the gap starts the next.
        if (m_lineStart || !m_lastArrival || arrivedMs - *m_lastArrival > m_gapMs) {
            if (m_lineOpen) {
                out += kCrLf;
                // The line break belongs to the stamp: it is no data either.
                stamp(out, stamps, arrivedMs);
                stamps.back().from -= kCrLf.size();
            } else {
                stamp(out, stamps, arrivedMs);
            }
        }
        m_lastArrival = arrivedMs;
        out += text;
        m_lineOpen = true;
        m_lineStart = false;
        return;
    }
    // String: a stamp before the first character of each line. The places
    // of the stamps are found first, CR and LF together, sixteen bytes at a
    // time; then the text and its stamps are written in one go: a fast
    // stream runs through.
    const char16_t *chars = text.utf16();
    const qsizetype size = text.size();
    m_stampPlaces.clear();
    qsizetype i = 0;
    while (i < size) {
        if (m_crPending) {
            m_crPending = false;
            if (chars[i] != u'\n')
                m_lineStart = true;
        }
        if (m_lineStart) {
            m_stampPlaces.push_back(i);
            m_lineStart = false;
        }
        i = FindEither(chars, i, size, u'\n', u'\r');
        if (i == size)
            break;
        if (chars[i] == u'\r' && i + 1 < size && chars[i + 1] == u'\n')
            ++i; // CR LF, the common line end, is passed in one step
        if (chars[i] == u'\n')
            m_lineStart = true;
        else
            m_crPending = true;
        ++i;
    }
    m_lineOpen = !m_lineStart && !m_crPending;
    writeStamped(out, stamps, text, arrivedMs);
}

// Writes `text` with a stamp at each of m_stampPlaces. The stamps of one
// read share a time, so they share their text, but for a relative stamp's
// first one (the time since the read before).
void ReceiveStamper::writeStamped(QString &out, std::vector<PaneColours::Run> &stamps, QStringView text, qint64 ms)
{
    if (m_stampPlaces.empty()) {
        out += text;
        return;
    }
    const QString first = stampText(ms);
    m_lastStamp = ms;
    const QString &rest = stampText(ms);
    const qsizetype start = out.size();
    out.resize(start + text.size() + first.size() + qsizetype(m_stampPlaces.size() - 1) * rest.size());
    QChar *const begin = out.data();
    QChar *to = begin + start;
    const auto put = [&to](const QChar *from, qsizetype count) {
        std::memcpy(to, from, size_t(count) * sizeof(QChar));
        to += count;
    };
    qsizetype copied = 0;
    const QString *shown = &first;
    for (const qsizetype place : m_stampPlaces) {
        put(text.data() + copied, place - copied);
        copied = place;
        const qsizetype from = to - begin;
        put(shown->constData(), shown->size());
        stamps.push_back(PaneColours::Run{from, to - begin, kStampColour});
        shown = &rest;
    }
    put(text.data() + copied, text.size() - copied);
}
