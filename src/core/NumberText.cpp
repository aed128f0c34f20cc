// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/NumberText.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

bool isIgnoredBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

QString withoutBlanks(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isIgnoredBlank(c))
            s.append(c);
    return s;
}

int digitValue(QChar c, int radix)
{
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= u'0' && u <= u'9')
        v = u - u'0';
    else if (u >= u'a' && u <= u'f')
        v = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        v = u - u'A' + 10;
    return v < radix ? v : -1;
}

double radixNumber(const QString &s, int start, int radix)
{
    double value = 0;
    for (int i = start; i < s.size(); ++i) {
        const int digit = digitValue(s[i], radix);
        if (digit < 0)
            break;
        value = value * radix + digit;
    }
    return value;
}

} // namespace

double LenientNumber(const QString &text)
{
    const QString s = withoutBlanks(text);
    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        if (kind == u'H')
            return radixNumber(s, 2, 16);
        if (kind == u'O')
            return radixNumber(s, 2, 8);
        return 0;
    }
    // Longest prefix of the form [sign] digits [. digits] [(E|D) [sign] digits].
    qsizetype i = 0;
    // Appends the ASCII digits from position k on to `into`; true if any.
    const auto takeDigits = [&s](qsizetype &k, QString &into) {
        const qsizetype start = k;
        while (k < s.size() && s[k].unicode() >= u'0' && s[k].unicode() <= u'9')
            into += s[k++];
        return k > start;
    };
    const auto takeSign = [&s](qsizetype &k, QString &into) {
        if (k < s.size() && (s[k] == u'+' || s[k] == u'-'))
            into += s[k++];
    };
    QString number;
    takeSign(i, number);
    bool anyDigit = takeDigits(i, number);
    if (i < s.size() && s[i] == u'.') {
        number += s[i++];
        anyDigit = takeDigits(i, number) || anyDigit;
    }
    if (!anyDigit)
        return 0;
    if (i < s.size() && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        QString exponent = QStringLiteral("e");
        qsizetype j = i + 1;
        takeSign(j, exponent);
        if (takeDigits(j, exponent))
            number += exponent;
    }
    return number.toDouble();
}

double RoundHalfEven(double value)
{
    // The default floating-point rounding mode rounds halves to even.
    return std::nearbyint(value);
}

std::optional<qint64> ToIntegerWidth(double value, qint64 min, qint64 max)
{
    // 2^63: the first double beyond every 64-bit integer. double(max) may
    // round up to it, so the bound is checked apart, before any conversion.
    constexpr double kBeyond = 9223372036854775808.0;
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = RoundHalfEven(value);
    if (rounded < -kBeyond || rounded >= kBeyond)
        return std::nullopt;
    const qint64 integer = qint64(rounded);
    if (integer < min || integer > max)
        return std::nullopt;
    return integer;
}

QString LeadingNumberText(const QString &text)
{
    const auto value = ToIntegerWidth(LenientNumber(text), std::numeric_limits<qint64>::min(),
                                      std::numeric_limits<qint64>::max());
    return QString::number(value.value_or(0));
}

QString NextNumberText(const QString &text)
{
    return QLocale::c().toString(LenientNumber(text) + 1, 'f', QLocale::FloatingPointShortest);
}
