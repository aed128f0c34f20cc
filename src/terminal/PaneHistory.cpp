// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PaneHistory.h"

#include <algorithm>

namespace {

// An archived block holds at most this many characters: reading one back
// for the view, a jump or a search costs a fraction of a millisecond.
constexpr qsizetype kMostBlockChars = 1 << 18;
// Blocks read back are kept for the next look.
constexpr size_t kCachedBlocks = 4;

using Runs = std::vector<PaneColours::Run>;

// The runs of `runs` that overlap [from, to), cut to it.
void addCut(Runs &out, const Runs &runs, qsizetype from, qsizetype to)
{
    const auto first = std::partition_point(runs.begin(), runs.end(), [from](const auto &r) { return r.to <= from; });
    for (auto it = first; it != runs.end() && it->from < to; ++it)
        out.push_back(PaneColours::Run{std::max(it->from, from), std::min(it->to, to), it->colour});
}

} // namespace

PaneHistory::PaneHistory(CharWidths &widths) : m_lines(widths) {}

PaneHistory::~PaneHistory() = default;

void PaneHistory::setResidentLimit(qsizetype chars, const QString &folder)
{
    m_limit = std::max<qsizetype>(chars, 0);
    m_folder = folder;
    archiveOld();
}

QChar PaneHistory::at(qsizetype position) const
{
    if (position >= m_base)
        return m_text[position - m_base];
    const Entry &entry = entryOf(position);
    return load(entry)->text[position - entry.from];
}

QString PaneHistory::mid(qsizetype from, qsizetype length) const
{
    from = std::clamp<qsizetype>(from, 0, this->length());
    const qsizetype to = std::clamp<qsizetype>(from + length, from, this->length());
    if (from >= m_base)
        return m_text.mid(from - m_base, to - from);
    QString text;
    text.reserve(to - from);
    pieces(from, to, [&text](QStringView piece, qsizetype) {
        text += piece;
        return true;
    });
    return text;
}

bool PaneHistory::pieces(qsizetype from, qsizetype to, const Piece &piece) const
{
    from = std::max<qsizetype>(from, 0);
    to = std::min(to, length());
    while (from < std::min(to, m_base)) {
        const Entry &entry = entryOf(from);
        const auto block = load(entry);
        const qsizetype end = std::min(to, entry.to);
        if (!piece(QStringView(block->text).sliced(from - entry.from, end - from), from))
            return false;
        from = end;
    }
    if (from < to)
        return piece(QStringView(m_text).sliced(from - m_base, to - from), from);
    return true;
}

void PaneHistory::setText(const QString &text)
{
    m_entries.clear();
    m_cache.clear();
    if (m_archive)
        m_archive->clear();
    m_base = m_lineBase = m_dropped = 0;
    m_problem.clear();
    m_text = text;
    m_lines.wrap(m_text);
    m_colours.clear();
    m_notes.clear();
    archiveOld();
}

void PaneHistory::append(const QString &more, const Runs &notes)
{
    const qsizetype from = length();
    m_text += more;
    m_lines.appended(m_text);
    if (!notes.empty())
        m_notes.markAll(notes, from);
    archiveOld();
}

void PaneHistory::replace(qsizetype from, qsizetype removed, const QString &insert)
{
    Q_ASSERT(from >= m_base);
    m_text.replace(from - m_base, removed, insert);
    m_lines.replaced(m_text, from - m_base, removed, insert.size());
    m_colours.replaced(from, removed, insert.size());
    m_notes.replaced(from, removed, insert.size());
}

// Whole lines from the start go to the archive, a quarter of the limit at a
// time, so that the resident part moves seldom.
void PaneHistory::archiveOld()
{
    if (m_limit <= 0)
        return;
    if (m_problem.isEmpty() && m_archive && m_archive->failed())
        stopArchiving();
    const qsizetype step = archiveStep();
    while (m_text.size() > m_limit + step) {
        const qsizetype lines = std::max<qsizetype>(m_lines.lineOf(step), 1);
        if (lines >= m_lines.count() - 1)
            return; // the last line stays open for more
        const qsizetype cut = m_lines.startOf(lines);
        if (!m_problem.isEmpty()) {
            dropFront(lines, cut);
            continue;
        }
        if (!m_archive)
            m_archive = std::make_shared<HistoryArchive>(m_folder);
        qsizetype line = 0;
        while (line < lines) {
            // A block: whole lines up to kMostBlockChars characters.
            const qsizetype start = m_lines.startOf(line);
            qsizetype next = std::min(std::max(m_lines.lineOf(start + kMostBlockChars), line + 1), lines);
            const qsizetype end = m_lines.startOf(next);
            std::vector<qsizetype> starts;
            starts.reserve(size_t(next - line));
            for (qsizetype i = line; i < next; ++i)
                starts.push_back(m_base + m_lines.startOf(i));
            const auto where = m_archive->write(HistoryBlock::serialize(
                QStringView(m_text).sliced(start, end - start), m_base + start, starts,
                m_colours.runs(m_base + start, m_base + end), m_notes.runs(m_base + start, m_base + end)));
            if (!where)
                break;
            m_entries.push_back(Entry{m_base + start, m_base + end, m_lineBase + line, next - line, *where});
            line = next;
        }
        if (line < lines) {
            stopArchiving();
            continue;
        }
        dropFront(lines, cut);
    }
}

void PaneHistory::waitForArchive() const
{
    if (m_archive)
        m_archive->flush();
}

// The disk is full: what the archive holds is given up, which frees its
// space, and the text keeps only its resident part, positions counting
// from its first character.
void PaneHistory::stopArchiving()
{
    m_problem = m_archive->error();
    m_archive->clear();
    m_entries.clear();
    m_cache.clear();
    m_colours.replaced(0, m_base, 0);
    m_notes.replaced(0, m_base, 0);
    m_dropped += m_base;
    m_shifted.chars += m_base;
    m_shifted.lines += m_lineBase;
    m_base = m_lineBase = 0;
}

// The first `lines` lines, `cut` characters, left memory: archived, or
// dropped once archiving stopped.
void PaneHistory::dropFront(qsizetype lines, qsizetype cut)
{
    m_text.remove(0, cut);
    m_lines.dropFront(lines);
    if (m_problem.isEmpty()) {
        m_colours.dropBefore(m_base + cut);
        m_notes.dropBefore(m_base + cut);
        m_base += cut;
        m_lineBase += lines;
    } else {
        m_colours.replaced(0, cut, 0);
        m_notes.replaced(0, cut, 0);
        m_dropped += cut;
        m_shifted.chars += cut;
        m_shifted.lines += lines;
    }
}

// Each piece is searched together with the end of the one before, for a
// match across their border.
qsizetype PaneHistory::indexOf(const QString &what, qsizetype from, Qt::CaseSensitivity cs) const
{
    if (what.isEmpty())
        return -1;
    if (from >= m_base) {
        const qsizetype at = m_text.indexOf(what, from - m_base, cs);
        return at < 0 ? at : at + m_base;
    }
    QString window;
    qsizetype windowAt = from;
    qsizetype found = -1;
    pieces(from, length(), [&](QStringView piece, qsizetype at) {
        window += piece;
        const qsizetype match = window.indexOf(what, 0, cs);
        if (match >= 0) {
            found = windowAt + match;
            return false;
        }
        const qsizetype keep = std::min(window.size(), what.size() - 1);
        windowAt = at + piece.size() - keep;
        window = window.right(keep);
        return true;
    });
    return found;
}

const PaneHistory::Entry &PaneHistory::entryOf(qsizetype position) const
{
    const auto after = std::partition_point(m_entries.begin(), m_entries.end(),
                                            [position](const Entry &e) { return e.from <= position; });
    return *std::prev(after);
}

const PaneHistory::Entry &PaneHistory::entryOfLine(qsizetype line) const
{
    const auto after = std::partition_point(m_entries.begin(), m_entries.end(),
                                            [line](const Entry &e) { return e.firstLine <= line; });
    return *std::prev(after);
}

// A block that cannot be read back (the file was damaged) shows as blanks,
// so that its lines and positions stay where they were.
std::shared_ptr<const HistoryBlock> PaneHistory::load(const Entry &entry) const
{
    for (size_t i = 0; i < m_cache.size(); ++i) {
        if (m_cache[i]->from == entry.from) {
            std::rotate(m_cache.begin(), m_cache.begin() + qsizetype(i), m_cache.begin() + qsizetype(i) + 1);
            return m_cache.front();
        }
    }
    auto block = std::make_shared<HistoryBlock>(HistoryBlock::parse(m_archive->read(entry.block), entry.from));
    if (block->text.size() != entry.to - entry.from || qsizetype(block->starts.size()) != entry.lines) {
        block->text = QString(entry.to - entry.from, u' ');
        block->starts.assign(size_t(entry.lines), entry.from);
        for (qsizetype i = 0; i < entry.lines; ++i)
            block->starts[size_t(i)] = entry.from + std::min(i, entry.to - entry.from - 1);
    }
    m_cache.insert(m_cache.begin(), block);
    if (m_cache.size() > kCachedBlocks)
        m_cache.pop_back();
    return block;
}

qsizetype PaneHistory::lineOf(qsizetype position) const
{
    if (position >= m_base || position < 0)
        return position < 0 ? 0 : m_lineBase + m_lines.lineOf(position - m_base);
    const Entry &entry = entryOf(position);
    const auto block = load(entry);
    const auto after = std::upper_bound(block->starts.begin(), block->starts.end(), position);
    return entry.firstLine + std::max<qsizetype>(after - block->starts.begin() - 1, 0);
}

PaneLines::Line PaneHistory::line(qsizetype index) const
{
    if (index >= m_lineBase) {
        PaneLines::Line line = m_lines.line(m_text, index - m_lineBase);
        line.start += m_base;
        line.contentEnd += m_base;
        line.end += m_base;
        return line;
    }
    const Entry &entry = entryOfLine(index);
    const auto block = load(entry);
    const size_t i = size_t(index - entry.firstLine);
    const qsizetype start = block->starts[i];
    const qsizetype end = i + 1 < block->starts.size() ? block->starts[i + 1] : entry.to;
    PaneLines::Line line = PaneLines::bounded(block->text, start - entry.from, end - entry.from);
    line.start += entry.from;
    line.contentEnd += entry.from;
    line.end += entry.from;
    return line;
}

qsizetype PaneHistory::startOf(qsizetype index) const
{
    if (index >= m_lineBase)
        return m_base + m_lines.startOf(index - m_lineBase);
    const Entry &entry = entryOfLine(index);
    return load(entry)->starts[size_t(index - entry.firstLine)];
}

void PaneHistory::rewrap(int lineWidth)
{
    m_lines.setLineWidth(lineWidth);
    m_lines.wrap(m_text);
}

// Colouring reaches the resident part only: the archived part is read-only.
void PaneHistory::colour(qsizetype from, qsizetype to, const QColor &colour)
{
    from = std::max(from, m_base);
    if (from < to)
        m_colours.colour(from, to, colour);
}

void PaneHistory::colourAll(const Runs &runs)
{
    const auto first = std::partition_point(runs.begin(), runs.end(), [this](const auto &r) { return r.to <= m_base; });
    if (first == runs.begin()) {
        m_colours.colourAll(runs);
        return;
    }
    Runs resident(first, runs.end());
    if (!resident.empty() && resident.front().from < m_base)
        resident.front().from = m_base;
    if (!resident.empty())
        m_colours.colourAll(resident);
}

Runs PaneHistory::archivedRuns(qsizetype from, qsizetype to, bool notes) const
{
    Runs runs;
    to = std::min(to, m_base);
    while (from < to) {
        const Entry &entry = entryOf(from);
        const auto block = load(entry);
        addCut(runs, notes ? block->notes : block->colours, from, to);
        from = entry.to;
    }
    return runs;
}

Runs PaneHistory::colourRuns(qsizetype from, qsizetype to) const
{
    Runs runs = archivedRuns(from, to, false);
    const Runs resident = m_colours.runs(std::max(from, m_base), to);
    runs.insert(runs.end(), resident.begin(), resident.end());
    return runs;
}

Runs PaneHistory::noteRuns(qsizetype from, qsizetype to) const
{
    Runs runs = archivedRuns(from, to, true);
    const Runs resident = m_notes.runs(std::max(from, m_base), to);
    runs.insert(runs.end(), resident.begin(), resident.end());
    return runs;
}

// In the archived part, a run reaches no further than its block.
PaneColours::Run PaneHistory::runAt(qsizetype position, bool notes) const
{
    if (position >= m_base) {
        PaneColours::Run run = notes ? m_notes.runAt(position) : m_colours.runAt(position);
        run.from = std::max(run.from, m_base);
        return run;
    }
    const Entry &entry = entryOf(position);
    const auto block = load(entry);
    const Runs &runs = notes ? block->notes : block->colours;
    const auto it = std::partition_point(runs.begin(), runs.end(), [position](const auto &r) { return r.to <= position; });
    if (it != runs.end() && it->from <= position)
        return *it;
    const qsizetype from = it == runs.begin() ? entry.from : std::prev(it)->to;
    const qsizetype to = it == runs.end() ? entry.to : it->from;
    return PaneColours::Run{from, to, QColor()};
}

PaneColours::Run PaneHistory::colourRunAt(qsizetype position) const
{
    return runAt(position, false);
}

PaneColours::Run PaneHistory::noteRunAt(qsizetype position) const
{
    return runAt(position, true);
}

QString PaneHistory::dataOf(qsizetype from, qsizetype to) const
{
    QString data;
    qsizetype at = from;
    const auto add = [&](qsizetype end) {
        pieces(at, end, [&data](QStringView piece, qsizetype) {
            data += piece;
            return true;
        });
    };
    for (const PaneColours::Run &note : noteRuns(from, to)) {
        add(note.from);
        at = note.to;
    }
    add(to);
    return data;
}

PaneHistory::Snapshot PaneHistory::snapshot() const
{
    Snapshot snapshot;
    snapshot.m_archive = m_archive;
    snapshot.m_entries = m_entries;
    snapshot.m_resident = m_text;
    snapshot.m_base = m_base;
    snapshot.m_notes = m_notes.runs(m_base, length());
    return snapshot;
}
