// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortSettings.h"

#include "core/NumberText.h"

#include <QStringList>

std::optional<PortSettings> PortSettings::parse(const QString &text)
{
    const QStringList parts = text.trimmed().split(u',');
    if (parts.size() != 4 && parts.size() != 5)
        return std::nullopt;
    PortSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QString parity = parts[1].trimmed().toLower();
    if (parity.size() != 1 || !QStringLiteral("neoms").contains(parity))
        return std::nullopt;
    s.parity = char(parity[0].unicode());
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;
    const QString stop = parts[3].trimmed();
    if (stop == u"1")
        s.stopBits = 1;
    else if (stop == u"1.5")
        s.stopBits = 1.5;
    else if (stop == u"2")
        s.stopBits = 2;
    else
        return std::nullopt;
    if (parts.size() == 5) {
        const QString flow = parts[4].trimmed().toLower();
        if (flow.size() != 1 || !QStringLiteral("nhx").contains(flow))
            return std::nullopt;
        s.flow = char(flow[0].unicode());
    }
    return s;
}

int LeadingInteger(const QString &text)
{
    return int(ToIntegerWidth(LenientNumber(text), INT_MIN, INT_MAX).value_or(0));
}
