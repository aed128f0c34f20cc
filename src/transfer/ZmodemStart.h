// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds the start of a ZMODEM send in received bytes: `sz` opens with a
// hexadecimal ZRQINIT header, "**" ZDLE "B00". The header may be split
// across reads, so the part matched so far is kept between pieces.

#include <QByteArrayView>

class ZmodemStart
{
public:
    // Where the header begins in piece; 0 when it began in an earlier
    // piece; -1 when the piece holds no complete header.
    qsizetype find(QByteArrayView piece);
    void reset() { m_matched = 0; }

private:
    qsizetype m_matched = 0;
};
