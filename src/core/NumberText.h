// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lenient way the program reads numbers from text: blanks, tabs and line
// feeds anywhere are ignored; an optional sign, digits, a decimal fraction
// and an exponent are read (the prefixes &H and &O read hexadecimal or octal
// digits instead); reading stops at the first character that cannot continue
// the number; text without a number reads as 0.

#include <QString>
#include <optional>

double LenientNumber(const QString &text);

// Rounds to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// The value rounded halves to even, or nothing when it falls outside
// [min, max]: how a number is converted to an integer of a given width.
std::optional<qint64> ToIntegerWidth(double value, qint64 min, qint64 max);

// The leading decimal number of a text written back as text: "1031" for
// "1031-x", "0" when there is none or when it does not fit 64 bits.
QString LeadingNumberText(const QString &text);

// The leading number of a text plus 1, written as a decimal number: the
// default that follows an entered number ("1032" after "1031", "756" after
// "0755-123", "1" after a text without a number).
QString NextNumberText(const QString &text);
