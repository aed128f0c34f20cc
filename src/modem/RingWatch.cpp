// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/RingWatch.h"

#include "core/DataFormats.h"

bool RingWatch::feed(const QString &received)
{
    // Blanks only: line ends stay, as received.
    m_text.setText(TrimBlanks(m_text.text()) + received);
    if (!m_text.contains(QLatin1StringView("RING")))
        return false;
    m_text.clear();
    return true;
}
