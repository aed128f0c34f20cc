// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A settings store in memory, with the same case rule as the real one.
// Tests fill and read its entries directly and see how often it committed.

#include "settings/SettingsEntries.h"
#include "settings/SettingsStore.h"

class MemorySettingsStore : public SettingsStore
{
public:
    SettingsEntries entries;
    int commits = 0;
    // When false, commit() reports failure, as a store that cannot write does.
    bool writable = true;
    // When set, the store stands for one that could not be read: readError()
    // gives this, and commit() fails.
    QString unreadable;

    QString get(const QString &section, const QString &key,
                const QString &defaultText) const override;
    void save(const QString &section, const QString &key, const QString &text) override;
    bool commit() override;
    QString readError() const override { return unreadable; }
};
