// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/DialCountdown.h"

#include "modem/ModemCommands.h"

#include <QtMath>

QString DialingStatusText(int handshakeWaitMs)
{
    return QStringLiteral("拨号中,稍候 ") + SecondsText(EffectiveHandshakeWaitMs(handshakeWaitMs))
        + QStringLiteral(" 秒...");
}

QString CountdownStatusText(int handshakeWaitMs, int stepsDone)
{
    const double seconds = EffectiveHandshakeWaitMs(handshakeWaitMs) / 1000.0;
    const int left = qMax(0, qRound(seconds - stepsDone));
    return QStringLiteral("拨号中,稍后 %1 秒...").arg(left, 2, 10, QLatin1Char('0'));
}

void DialCountdown::start()
{
    m_steps = 0;
    m_height = 0;
    m_top = kFrameTop + kFrameHeight;
}

std::optional<QString> DialCountdown::tick(int handshakeWaitMs)
{
    std::optional<QString> status;
    // Every fifth or sixth tick, while the bar is not full.
    if (m_ticks % 5 == 0 && m_height < kFullHeight && m_top > kFrameTop) {
        // The bar fills in as many steps as the wait has seconds.
        const double step
            = kFrameHeight / (EffectiveHandshakeWaitMs(handshakeWaitMs) / 1000.0);
        m_height += step;
        m_top -= step;
        ++m_steps;
        status = CountdownStatusText(handshakeWaitMs, m_steps);
    }
    if (m_ticks > 10)
        m_ticks = 0;
    ++m_ticks;
    return status;
}

void DialCountdown::showConnected()
{
    m_top = kFrameTop;
    m_height = kFrameHeight;
}

void DialCountdown::showFailed()
{
    m_top = kFailedTop;
    m_height = 0;
}
