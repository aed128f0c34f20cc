// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemorySettingsStore.h"

QString MemorySettingsStore::get(const QString &section, const QString &key,
                                 const QString &defaultText) const
{
    return entries.find(section, key).value_or(defaultText);
}

void MemorySettingsStore::save(const QString &section, const QString &key, const QString &text)
{
    entries.set(section, key, text);
}

bool MemorySettingsStore::commit()
{
    ++commits;
    return writable && unreadable.isEmpty();
}
