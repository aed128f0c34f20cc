// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An ordered table of settings entries whose section and key names are
// compared without regard to case. An entry keeps the spelling under which
// it was first written, and a new key joins the spelling its section already
// has, so one name never turns into two entries that differ only in case.
// Names are looked up in a hash, so a table of any size is read and written
// in time proportional to its length.

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

class SettingsEntries
{
public:
    struct Entry
    {
        QString section;
        QString key;
        QString text;
    };

    std::optional<QString> find(const QString &section, const QString &key) const;
    void set(const QString &section, const QString &key, const QString &text);

    const QList<Entry> &all() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

private:
    QList<Entry> m_entries;
    // Case-folded "section" + NUL + "key" -> position in m_entries.
    QHash<QString, qsizetype> m_positions;
    // Case-folded section -> the spelling its first entry gave it.
    QHash<QString, QString> m_sectionSpellings;
};
