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

void KeywordHighlighter::run(const QString &text, const Colourer &colour)
{
    // Every match found from here on starts at or after this: each chain's
    // last search failed on the old text, so a new match reaches past its end.
    const qsizetype touched = std::max<qsizetype>(m_searched - m_longest + 1, 0);
    for (Chain &chain : m_chains) {
        const qsizetype length = chain.text.size();
        for (const auto &[from, to] : chain.recent) {
            if (to > touched)
                colour(std::max(from, touched), to, chain.colour);
        }
        for (;;) {
            const qsizetype found = chain.next <= text.size()
                ? text.indexOf(chain.text, chain.next, Qt::CaseInsensitive)
                : -1;
            if (found < 0) {
                // No match starts before the last `length` - 1 characters.
                chain.next = std::max(chain.next, text.size() - length + 1);
                break;
            }
            colour(found, found + length, chain.colour);
            chain.next = found + length + 1;
            // Only matches within the longest keyword of the end can be
            // covered by a later run.
            const qsizetype keepAfter = found + length - m_longest + 1;
            while (!chain.recent.empty() && chain.recent.front().second <= keepAfter)
                chain.recent.pop_front();
            chain.recent.emplace_back(found, found + length);
        }
        const qsizetype keepAfter = text.size() - m_longest + 1;
        while (!chain.recent.empty() && chain.recent.front().second <= keepAfter)
            chain.recent.pop_front();
    }
    m_searched = text.size();
}
