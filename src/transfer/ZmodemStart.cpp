// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ZmodemStart.h"

#include <cstring>

namespace {
constexpr char kHeader[] = {'*', '*', '\x18', 'B', '0', '0'};
constexpr qsizetype kLength = sizeof kHeader;
} // namespace

qsizetype ZmodemStart::find(QByteArrayView piece)
{
    for (qsizetype i = 0; i < piece.size(); ++i) {
        if (m_matched == 0) {
            // Data without a "*" is passed over at memchr's pace: every
            // byte received comes here.
            const void *star = std::memchr(piece.data() + i, '*', size_t(piece.size() - i));
            if (!star)
                return -1;
            i = static_cast<const char *>(star) - piece.data();
        }
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
