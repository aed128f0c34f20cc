// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/SendPacing.h"

#include "core/Dialogs.h"

#include <QAction>

int SendPacing::pauseAfter(const QByteArray &bytes, qsizetype i) const
{
    return byteDelayMs + (EndsLine(bytes, i) ? lineEndDelayMs : 0);
}

bool EndsLine(const QByteArray &bytes, qsizetype i)
{
    if (bytes.at(i) == '\n')
        return true;
    return bytes.at(i) == '\r' && (i + 1 == bytes.size() || bytes.at(i + 1) != '\n');
}

PacingOption::PacingOption(Dialogs &dialogs, QObject *parent) : QObject(parent), m_dialogs(dialogs)
{
    m_item = new QAction(this);
    m_item->setObjectName(QStringLiteral("mSendPacing"));
    m_item->setCheckable(true);
    connect(m_item, &QAction::triggered, this, &PacingOption::ask);
}

void PacingOption::setValue(SendPacing pacing)
{
    m_value = pacing;
    m_item->setChecked(pacing.isOn());
}

void PacingOption::ask()
{
    // The item's tick follows the delays, not the click.
    m_item->setChecked(m_value.isOn());
    const auto byteDelay = askDelay(QStringLiteral("每个字节发出后等待的毫秒数 (0 到 %1):"),
                                    m_value.byteDelayMs, kMaxByteDelayMs);
    if (!byteDelay)
        return;
    const auto lineEndDelay = askDelay(QStringLiteral("每个行尾发出后再等待的毫秒数 (0 到 %1):"),
                                       m_value.lineEndDelayMs, kMaxLineEndDelayMs);
    if (!lineEndDelay)
        return;
    setValue({*byteDelay, *lineEndDelay});
}

std::optional<int> PacingOption::askDelay(const QString &prompt, int current, int max)
{
    return AskNumberInRange(m_dialogs, {prompt.arg(max), QStringLiteral("发送节奏"), current, 0, max,
                                        QStringLiteral("延时应为 0 到 %1 之间的整数毫秒！").arg(max)});
}
