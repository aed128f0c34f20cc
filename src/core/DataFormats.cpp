// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DataFormats.h"

#include "core/NumberText.h"
#include "core/TextCodec.h"

#include <array>

namespace {

constexpr DataFormat kSelectorOrder[] = {DataFormat::String, DataFormat::Hex,
                                         DataFormat::Decimal, DataFormat::Octal};

// The character at 1-based position p, or nothing beyond the end.
std::optional<QChar> at(const QString &text, qsizetype p)
{
    if (p < 1 || p > text.size())
        return std::nullopt;
    return text[p - 1];
}

bool hexAt(const QString &text, qsizetype p)
{
    const auto c = at(text, p);
    return c && IsHexDigit(*c);
}

QString padded(uint value, int base)
{
    return QStringLiteral("%1").arg(value, 3, base, QLatin1Char('0'));
}

} // namespace

std::optional<DataFormat> FormatFromCode(int code)
{
    for (DataFormat f : kSelectorOrder)
        if (int(f) == code)
            return f;
    return std::nullopt;
}

int SelectorIndex(DataFormat format)
{
    for (int i = 0; i < 4; ++i)
        if (kSelectorOrder[i] == format)
            return i;
    return 1;
}

DataFormat FormatAtIndex(int index)
{
    return index >= 0 && index < 4 ? kSelectorOrder[index] : DataFormat::Hex;
}

QStringList SendSelectorEntries()
{
    return {QStringLiteral("按字符串发送"), QStringLiteral("按16进制发送"),
            QStringLiteral("按10进制发送"), QStringLiteral("按 8进制发送")};
}

QStringList ReceiveSelectorEntries()
{
    return {QStringLiteral("按字符串接收"), QStringLiteral("按16进制接收"),
            QStringLiteral("按10进制接收"), QStringLiteral("按 8进制接收")};
}

bool IsHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}

int HexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return 0;
}

QStringView TrimBlanksView(QStringView text)
{
    while (!text.isEmpty() && text.front() == u' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

QString TrimBlanks(QString text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    text.truncate(end);
    text.remove(0, begin);
    return text;
}

namespace {

struct LineEndingRow
{
    LineEnding ending;
    const char *text;
    const char *name;
};
constexpr LineEndingRow kLineEndings[] = {{LineEnding::CrLf, "\r\n", "CRLF"},
                                          {LineEnding::Lf, "\n", "LF"},
                                          {LineEnding::Cr, "\r", "CR"},
                                          {LineEnding::None, "", "NONE"}};

const LineEndingRow &rowOf(LineEnding ending)
{
    for (const LineEndingRow &row : kLineEndings)
        if (row.ending == ending)
            return row;
    return kLineEndings[0];
}

} // namespace

QString LineEndingText(LineEnding ending)
{
    return QString::fromLatin1(rowOf(ending).text);
}

QString LineEndingName(LineEnding ending)
{
    return QString::fromLatin1(rowOf(ending).name);
}

std::optional<LineEnding> LineEndingNamed(const QString &name)
{
    for (const LineEndingRow &row : kLineEndings)
        if (name.trimmed().compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0)
            return row.ending;
    return std::nullopt;
}

QString WithLineBreaks(QStringView text, LineEnding ending)
{
    const QString end = LineEndingText(ending);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue; // the CR of a CR LF: the LF writes the line end
        if (text[i] == u'\n')
            out += end;
        else
            out += text[i];
    }
    return out;
}

EncodeResult EncodeSendText(const QString &text, DataFormat format, LineEnding ending)
{
    QByteArray bytes;
    const qsizetype n = text.size();
    switch (format) {
    case DataFormat::String:
        return EncodeGbk(WithLineBreaks(text, ending) + LineEndingText(ending));
    case DataFormat::Hex:
        for (qsizetype p = 1; p <= n; p += 3) {
            if (!hexAt(text, p) || !hexAt(text, p + 1))
                return EncodeFailure::BadDigit;
            bytes.append(char(16 * HexDigitValue(text[p - 1]) + HexDigitValue(text[p])));
        }
        return bytes;
    case DataFormat::Decimal:
        for (qsizetype p = 1; p <= n; p += 4) {
            const double value = RoundHalfEven(LenientNumber(text.mid(p - 1, 3)));
            if (value < 0 || value > 255)
                return EncodeFailure::OutOfRange;
            bytes.append(char(int(value)));
        }
        return bytes;
    case DataFormat::Octal:
        for (qsizetype p = 1; p <= n; p += 4) {
            int value = 0;
            for (qsizetype k = 0; k < 3; ++k) {
                const auto c = at(text, p + k);
                const int digit = c && c->unicode() >= u'0' && c->unicode() <= u'9'
                                      ? c->unicode() - u'0'
                                      : 0;
                value = value * 8 + digit;
            }
            if (value > 255)
                return EncodeFailure::OutOfRange;
            bytes.append(char(value));
        }
        return bytes;
    }
    return bytes;
}

QString RenderReceivedByte(quint8 byte, DataFormat format)
{
    switch (format) {
    case DataFormat::Hex:
        return QStringLiteral("%1 ").arg(uint(byte), 2, 16, QLatin1Char('0')).toUpper();
    case DataFormat::Decimal:
        return padded(byte, 10) + u' ';
    case DataFormat::Octal:
        return padded(byte, 8) + u' ';
    case DataFormat::String:
        break;
    }
    return QString(QChar(byte));
}

QString RenderReceivedBytes(const QByteArray &bytes, DataFormat format)
{
    QString out;
    AppendReceivedBytes(out, bytes, format);
    return out;
}

void AppendReceivedBytes(QString &out, QByteArrayView bytes, DataFormat format)
{
    static const auto table = [] {
        std::array<std::array<QString, 256>, 3> t;
        const DataFormat fs[] = {DataFormat::Hex, DataFormat::Decimal, DataFormat::Octal};
        for (int f = 0; f < 3; ++f)
            for (int b = 0; b < 256; ++b)
                t[f][b] = RenderReceivedByte(quint8(b), fs[f]);
        return t;
    }();
    const int f = format == DataFormat::Hex ? 0 : format == DataFormat::Decimal ? 1 : 2;
    out.reserve(out.size() + bytes.size() * table[f][0].size());
    for (char c : bytes)
        out += table[f][quint8(c)];
}

std::optional<QString> HexTextToCharacters(const QString &text)
{
    QString result;
    for (qsizetype p = 1; p <= text.size(); p += 3) {
        if (!hexAt(text, p) || !hexAt(text, p + 1))
            return std::nullopt;
        const int value = 16 * HexDigitValue(text[p - 1]) + HexDigitValue(text[p]);
        result += QChar(value & 0x7F);
    }
    return result;
}

QString CharactersToHexText(const QString &text)
{
    QString result;
    for (QChar c : text) {
        const QByteArray code = EncodeGbk(QString(c));
        uint value = 0;
        for (char b : code)
            value = value * 256 + quint8(b);
        QString digits = QString::number(value, 16).toUpper();
        if (digits.size() == 1)
            digits.prepend(u'0');
        result += digits + u' ';
    }
    return result;
}

QString ChecksumTrailer(DataFormat format)
{
    switch (format) {
    case DataFormat::Hex: return QStringLiteral(" 16");
    case DataFormat::Decimal: return QStringLiteral(" 022");
    case DataFormat::Octal: return QStringLiteral(" 026");
    case DataFormat::String: break;
    }
    return {};
}
