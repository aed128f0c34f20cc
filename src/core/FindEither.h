// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The first place in [from, to) of Latin-1 bytes or UTF-16 characters that
// holds `a` or `b`; `to` when none does. Sixteen bytes at a time where the
// processor can: the line ends of a stream and the candidates of a search
// are found at memory speed.

#include <QtGlobal>
#include <type_traits>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

template <typename Char>
qsizetype FindEither(const Char *text, qsizetype from, qsizetype to, Char a, Char b)
{
    static_assert(std::is_same_v<Char, uchar> || std::is_same_v<Char, char16_t>);
#ifdef __SSE2__
    constexpr qsizetype kStep = 16 / sizeof(Char);
    const auto equal = [](__m128i x, __m128i y) {
        if constexpr (sizeof(Char) == 1)
            return _mm_cmpeq_epi8(x, y);
        else
            return _mm_cmpeq_epi16(x, y);
    };
    const auto splat = [](Char c) {
        if constexpr (sizeof(Char) == 1)
            return _mm_set1_epi8(char(c));
        else
            return _mm_set1_epi16(short(c));
    };
    const __m128i wantA = splat(a);
    const __m128i wantB = splat(b);
    for (; from + kStep <= to; from += kStep) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + from));
        // One mask bit a byte: a UTF-16 character sets two.
        const int hits = _mm_movemask_epi8(_mm_or_si128(equal(chunk, wantA), equal(chunk, wantB)));
        if (hits != 0)
            return from + qCountTrailingZeroBits(uint(hits)) / qsizetype(sizeof(Char));
    }
#endif
    for (; from < to; ++from) {
        if (text[from] == a || text[from] == b)
            return from;
    }
    return to;
}
