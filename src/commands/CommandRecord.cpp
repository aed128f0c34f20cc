// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/CommandRecord.h"

#include "core/NumberText.h"

std::optional<qint64> StoredInteger(const QVariant &value, qint64 min, qint64 max)
{
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const double number = value.typeId() == QMetaType::QString
                              ? value.toString().trimmed().toDouble(&ok)
                              : value.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return ToIntegerWidth(number, min, max);
}
