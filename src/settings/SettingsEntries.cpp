// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsEntries.h"

namespace {

// One text per name that ignores case; NUL cannot occur in a section name.
QString foldedName(const QString &section, const QString &key)
{
    return section.toCaseFolded() + QChar(0) + key.toCaseFolded();
}

} // namespace

std::optional<QString> SettingsEntries::find(const QString &section, const QString &key) const
{
    const auto at = m_positions.constFind(foldedName(section, key));
    if (at == m_positions.cend())
        return std::nullopt;
    return m_entries[*at].text;
}

void SettingsEntries::set(const QString &section, const QString &key, const QString &text)
{
    const QString name = foldedName(section, key);
    if (const auto at = m_positions.constFind(name); at != m_positions.cend()) {
        m_entries[*at].text = text;
        return;
    }
    const QString foldedSection = section.toCaseFolded();
    auto spelling = m_sectionSpellings.constFind(foldedSection);
    if (spelling == m_sectionSpellings.cend())
        spelling = m_sectionSpellings.insert(foldedSection, section);
    m_positions.insert(name, m_entries.size());
    m_entries.append({*spelling, key, text});
}
