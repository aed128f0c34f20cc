// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One command of the library and the in-memory array of them that the rest
// of the program reads.

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

struct CommandRecord
{
    QString name;
    QString content;
    qint16 delay = 0;  // milliseconds to wait after sending
    quint8 format = 0; // DataFormat code, 0 when the stored value was unusable
    QString valid;     // "Y" valid, "N" invalid; anything else means neither

    bool operator==(const CommandRecord &) const = default;
};

using CommandTable = QList<CommandRecord>;

// A stored value converted to an integer within [min, max], rounding halves
// to even; nothing for null, non-numeric or out-of-range values.
std::optional<qint64> StoredInteger(const QVariant &value, qint64 min, qint64 max);
