#include "terminal/PaneColours.h"

namespace {

std::optional<QRgb> toColour(const QColor &colour)
{
    return colour.isValid() ? std::optional<QRgb>(colour.rgba()) : std::nullopt;
}

QColor toQColor(std::optional<QRgb> colour)
{
    return colour ? QColor::fromRgba(*colour) : QColor();
}

} // namespace

void PaneColours::colour(qsizetype from, qsizetype to, const QColor &colour)
{
    if (from >= to)
        return;
    const Colour after = colourAt(to);
    m_runs.erase(m_runs.lower_bound(from), m_runs.lower_bound(to));
    m_runs.insert_or_assign(to, after);
    m_runs.insert_or_assign(from, toColour(colour));
    tidy(to);
    tidy(from);
}

void PaneColours::replaced(qsizetype from, qsizetype removed, qsizetype added)
{
    if (m_runs.empty())
        return;
    const qsizetype end = from + removed;
    const Colour after = colourAt(end);
    m_runs.erase(m_runs.lower_bound(from), m_runs.lower_bound(end));
    if (added != removed) {
        // Move the runs after the change; their order stays.
        std::map<qsizetype, Colour> moved;
        for (auto it = m_runs.lower_bound(end); it != m_runs.end();) {
            auto node = m_runs.extract(it++);
            node.key() += added - removed;
            moved.insert(moved.end(), std::move(node));
        }
        m_runs.merge(moved);
    }
    // With nothing added, the second takes the place of the first.
    m_runs.insert_or_assign(from, Colour());
    m_runs.insert_or_assign(from + added, after);
    tidy(from + added);
    tidy(from);
}

std::vector<PaneColours::Run> PaneColours::runs(qsizetype from, qsizetype to) const
{
    std::vector<Run> out;
    auto it = m_runs.upper_bound(from);
    Colour current = colourAt(from);
    qsizetype start = from;
    for (;; ++it) {
        const qsizetype end = (it == m_runs.end() || it->first > to) ? to : it->first;
        if (current && end > start)
            out.push_back(Run{start, end, toQColor(current)});
        if (it == m_runs.end() || it->first >= to)
            return out;
        start = it->first;
        current = it->second;
    }
}

QColor PaneColours::at(qsizetype position) const
{
    return toQColor(colourAt(position));
}

PaneColours::Colour PaneColours::colourAt(qsizetype position) const
{
    const auto it = m_runs.upper_bound(position);
    return it == m_runs.begin() ? Colour() : std::prev(it)->second;
}

// Drops the run starting at `at` when it goes on in the colour before it.
void PaneColours::tidy(qsizetype at)
{
    const auto it = m_runs.find(at);
    if (it != m_runs.end() && it->second == colourAt(at - 1))
        m_runs.erase(it);
}
