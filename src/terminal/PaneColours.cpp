// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PaneColours.h"

#include <algorithm>
#include <limits>

namespace {

constexpr quint64 kHasColour = quint64(1) << 32;

QColor toQColor(quint64 colour)
{
    return colour ? QColor::fromRgba(QRgb(colour)) : QColor();
}

} // namespace

static_assert(sizeof(QColor) == PaneColours::ColourNumbers::kColourBytes + 2);

quint64 PaneColours::ColourNumbers::numberOf(const QColor &colour)
{
    return colour.isValid() ? kHasColour | colour.rgba() : 0;
}

void PaneColours::colour(qsizetype from, qsizetype to, const QColor &colour)
{
    colourAll({Run{from, to, colour}});
}

// Rebuilds the marks from the first run to the first mark after the last
// one that stays as it was: the marks before and after stay, and those
// between are merged with the runs in one pass.
void PaneColours::colourAll(const std::vector<Run> &runs, qsizetype shift)
{
    if (runs.empty() || appendRuns(runs, shift))
        return;
    if (shift != 0) {
        std::vector<Run> moved = runs;
        for (Run &run : moved) {
            run.from += shift;
            run.to += shift;
        }
        colourAll(moved);
        return;
    }
    const auto firstMark = firstFrom(runs.front().from);
    const size_t kept = size_t(firstMark - m_marks.begin());
    const Colour before = kept == 0 ? Colour() : m_marks[kept - 1].colour;
    std::vector<Mark> tail;
    tail.reserve(m_marks.size() - kept + 2 * runs.size());
    // A change of colour at a position; none where the colour goes on.
    const auto change = [&tail, before](qsizetype at, Colour colour) {
        if (!tail.empty() && tail.back().at == at)
            tail.pop_back();
        const Colour current = tail.empty() ? before : tail.back().colour;
        if (colour != current)
            tail.push_back(Mark{at, colour});
    };
    auto old = firstMark;
    Colour oldColour = before; // the old colour at the last mark passed
    for (const Run &run : runs) {
        if (run.from >= run.to)
            continue;
        for (; old != m_marks.end() && old->at < run.from; ++old) {
            change(old->at, old->colour);
            oldColour = old->colour;
        }
        change(run.from, ColourNumbers::numberOf(run.colour));
        for (; old != m_marks.end() && old->at <= run.to; ++old)
            oldColour = old->colour;
        change(run.to, oldColour);
    }
    for (; old != m_marks.end(); ++old) {
        const size_t count = tail.size();
        change(old->at, old->colour);
        if (tail.size() > count) {
            tail.pop_back(); // kept where it is, as are all after it
            break;
        }
    }
    // Recolouring what has its colour already costs no shift of the marks.
    const size_t replaced = size_t(old - m_marks.begin()) - kept;
    const size_t common = std::min(replaced, tail.size());
    std::copy(tail.begin(), tail.begin() + common, m_marks.begin() + kept);
    if (tail.size() > replaced)
        m_marks.insert(m_marks.begin() + kept + common, tail.begin() + common, tail.end());
    else
        m_marks.erase(m_marks.begin() + kept + common, m_marks.begin() + kept + replaced);
}

// Colouring where data arrives, at the end, is the common case: stamps and
// keyword matches in a stream.
bool PaneColours::appendRuns(const std::vector<Run> &runs, qsizetype shift)
{
    if (!m_marks.empty() && (m_marks.back().at >= runs.front().from + shift || m_marks.back().colour))
        return false;
    ColourNumbers numbers;
    for (const Run &run : runs) {
        if (run.from >= run.to)
            continue;
        const qsizetype from = run.from + shift;
        const Colour colour = numbers(run.colour);
        // The end of the run before, where the pane's own colour came back.
        if (!m_marks.empty() && m_marks.back().at == from)
            m_marks.pop_back();
        const Colour current = m_marks.empty() ? Colour() : m_marks.back().colour;
        if (colour != current)
            m_marks.push_back(Mark{from, colour});
        if (colour)
            m_marks.push_back(Mark{run.to + shift, Colour()});
    }
    return true;
}

void PaneColours::replaced(qsizetype from, qsizetype removed, qsizetype added)
{
    if (m_marks.empty())
        return;
    const qsizetype end = from + removed;
    const Colour after = colourAt(end);
    // The marks inside the replaced characters go; the ones after them move.
    auto it = m_marks.erase(firstFrom(from), firstFrom(end));
    for (auto moved = it; moved != m_marks.end(); ++moved)
        moved->at += added - removed;
    // What followed the replaced characters keeps its colour, and the new
    // ones take none.
    if (it == m_marks.end() || it->at != from + added)
        m_marks.insert(it, Mark{from + added, after});
    colourAll({Run{from, from + added, QColor()}, Run{from + added, from + added + 1, toQColor(after)}});
}

void PaneColours::dropBefore(qsizetype position)
{
    const auto first = firstFrom(position);
    if (first == m_marks.begin())
        return;
    const Colour carried = std::prev(first)->colour;
    const bool markHere = first != m_marks.end() && first->at == position;
    m_marks.erase(m_marks.begin(), first);
    if (carried && !markHere)
        m_marks.insert(m_marks.begin(), Mark{position, carried});
}

std::vector<PaneColours::Run> PaneColours::runs(qsizetype from, qsizetype to) const
{
    std::vector<Run> out;
    auto it = firstAfter(from);
    Colour current = colourAt(from);
    qsizetype start = from;
    // Runs of one colour follow each other (a stamp a line): the colour is
    // made once for them.
    Colour made = 0;
    QColor madeColour;
    for (;; ++it) {
        const qsizetype end = (it == m_marks.end() || it->at > to) ? to : it->at;
        if (current && end > start) {
            if (current != made) {
                made = current;
                madeColour = toQColor(current);
            }
            out.push_back(Run{start, end, madeColour});
        }
        if (it == m_marks.end() || it->at >= to)
            return out;
        start = it->at;
        current = it->colour;
    }
}

QColor PaneColours::at(qsizetype position) const
{
    return toQColor(colourAt(position));
}

PaneColours::Run PaneColours::runAt(qsizetype position) const
{
    const auto next = firstAfter(position);
    const bool first = next == m_marks.begin();
    return Run{first ? 0 : std::prev(next)->at,
               next == m_marks.end() ? std::numeric_limits<qsizetype>::max() : next->at,
               first ? QColor() : toQColor(std::prev(next)->colour)};
}

PaneColours::Marks::iterator PaneColours::firstFrom(qsizetype position)
{
    return std::partition_point(m_marks.begin(), m_marks.end(),
                                [position](const Mark &m) { return m.at < position; });
}

PaneColours::Marks::const_iterator PaneColours::firstAfter(qsizetype position) const
{
    return std::partition_point(m_marks.begin(), m_marks.end(),
                                [position](const Mark &m) { return m.at <= position; });
}

PaneColours::Colour PaneColours::colourAt(qsizetype position) const
{
    const auto it = firstAfter(position);
    return it == m_marks.begin() ? Colour() : std::prev(it)->colour;
}
