// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The per-user settings store: text values addressed by section and key
// under the application name "Kestrel5.0". Section and key names are
// compared without regard to case, so a value written as "WaitModemTime" is
// found as "waitModemTime".

#include <QString>

class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or defaultText when the entry (or its whole section)
    // is absent.
    virtual QString get(const QString &section, const QString &key,
                        const QString &defaultText) const = 0;

    // Creates or replaces an entry. Saved entries are read back by get() at
    // once but reach the store's medium only with commit().
    virtual void save(const QString &section, const QString &key, const QString &text) = 0;

    // Writes every entry in one step. False when that failed; the medium
    // then holds what it held before, never a mixture.
    virtual bool commit() = 0;

    // Empty when the stored settings were read (an absent store reads as
    // empty); otherwise why they could not be. Such a store is never
    // written over: commit() fails without touching it.
    virtual QString readError() const { return {}; }
};
