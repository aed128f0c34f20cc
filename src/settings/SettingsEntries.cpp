#include "settings/SettingsEntries.h"

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<QString> SettingsEntries::find(const QString &section, const QString &key) const
{
    for (const Entry &e : m_entries)
        if (sameName(e.section, section) && sameName(e.key, key))
            return e.text;
    return std::nullopt;
}

void SettingsEntries::set(const QString &section, const QString &key, const QString &text)
{
    QString sectionSpelling = section;
    for (Entry &e : m_entries) {
        if (!sameName(e.section, section))
            continue;
        if (sameName(e.key, key)) {
            e.text = text;
            return;
        }
        sectionSpelling = e.section;
    }
    m_entries.append({sectionSpelling, key, text});
}
