// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/KeywordHighlighter.h"

#include <algorithm>

void KeywordHighlighter::setKeywords(const Keywords &keywords)
{
    m_chains.clear();
    m_longest = 0;
    for (const KeywordEntry &k : keywords) {
        // An enabled keyword whose boxes are all empty matches nothing.
        if (!k.Enabled || k.Text.isEmpty())
            continue;
        m_chains.push_back(Chain{k.Text, k.Color, 0, {}});
        m_longest = std::max(m_longest, k.Text.size());
    }
    restart();
}

void KeywordHighlighter::restart()
{
    for (Chain &chain : m_chains) {
        chain.next = 0;
        chain.recent.clear();
    }
    m_searched = 0;
}

std::vector<KeywordHighlighter::Match> KeywordHighlighter::searchOn(Chain &chain, QStringView text,
                                                                   qsizetype offset, const PaneNotes &notes,
                                                                   qsizetype touched) const
{
    std::vector<Match> matches;
    for (const auto &[from, to] : chain.recent) {
        if (to > touched)
            matches.emplace_back(std::max(from, touched), to);
    }
    const qsizetype length = chain.text.size();
    const qsizetype end = offset + text.size();
    chain.next = std::max(chain.next, offset);
    for (;;) {
        const qsizetype at = chain.next <= end
            ? text.indexOf(chain.text, chain.next - offset, Qt::CaseInsensitive)
            : -1;
        if (at < 0) {
            // No match starts before the last `length` - 1 characters.
            chain.next = std::max(chain.next, end - length + 1);
            break;
        }
        const qsizetype found = offset + at;
        if (notes.overlaps(found, found + length)) {
            chain.next = found + 1;
            continue;
        }
        matches.emplace_back(found, found + length);
        chain.next = found + length + 1;
    }
    // Only matches that reach into the longest keyword's length before the
    // end can be covered by a later run.
    const qsizetype keepAfter = end - m_longest + 1;
    const auto firstKept = std::partition_point(matches.begin(), matches.end(),
                                                [keepAfter](const Match &m) { return m.second <= keepAfter; });
    chain.recent.assign(firstKept, matches.end());
    return matches;
}

std::vector<PaneColours::Run> KeywordHighlighter::run(QStringView text, const PaneNotes &notes, qsizetype offset)
{
    // Every match found from here on starts at or after this: each chain's
    // last search failed on the old text, so a new match reaches past its end.
    const qsizetype touched = std::max<qsizetype>(m_searched - m_longest + 1, 0);
    m_searched = offset + text.size();
    std::vector<std::vector<Match>> matches;
    std::vector<qsizetype> bounds;
    for (Chain &chain : m_chains) {
        matches.push_back(searchOn(chain, text, offset, notes, touched));
        for (const Match &m : matches.back())
            bounds.insert(bounds.end(), {m.first, m.second});
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());

    // Between two neighbouring bounds, the last keyword with a match there
    // gives the colour. A keyword's matches do not overlap, so one index
    // each walks them.
    std::vector<PaneColours::Run> runs;
    std::vector<size_t> at(m_chains.size(), 0);
    for (size_t b = 0; b + 1 < bounds.size(); ++b) {
        const qsizetype from = bounds[b], to = bounds[b + 1];
        const QColor *colour = nullptr;
        for (size_t k = 0; k < m_chains.size(); ++k) {
            while (at[k] < matches[k].size() && matches[k][at[k]].second <= from)
                ++at[k];
            if (at[k] < matches[k].size() && matches[k][at[k]].first <= from)
                colour = &m_chains[k].colour;
        }
        if (!colour)
            continue;
        if (!runs.empty() && runs.back().to == from && runs.back().colour == *colour)
            runs.back().to = to;
        else
            runs.push_back(PaneColours::Run{from, to, *colour});
    }
    return runs;
}
