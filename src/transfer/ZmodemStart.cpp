// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ZmodemStart.h"

namespace {
constexpr char kHeader[] = {'*', '*', '\x18', 'B', '0', '0'};
constexpr qsizetype kLength = sizeof kHeader;
} // namespace

qsizetype ZmodemStart::find(QByteArrayView piece)
{
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const char c = piece[i];
        if (c == kHeader[m_matched])
            ++m_matched;
        else
            // Only "*" can begin the header again; "***" keeps two.
            m_matched = c == '*' ? (m_matched == 2 ? 2 : 1) : 0;
        if (m_matched == kLength) {
            m_matched = 0;
            return std::max<qsizetype>(0, i + 1 - kLength);
        }
    }
    return -1;
}
