// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SelectionCheck.h"

#include "core/Crc.h"
#include "core/NumberText.h"
#include "core/TextCodec.h"

namespace {

// The characters a format writes one byte in, its separator included.
qsizetype groupOf(DataFormat format)
{
    return format == DataFormat::Hex ? 3 : format == DataFormat::String ? 1 : 4;
}

// Three characters read as an octal number: blanks are ignored, reading stops
// at the first other character, no digit gives 0.
int octalGroupValue(QStringView group)
{
    int value = 0;
    for (QChar c : group) {
        if (c == u' ')
            continue;
        if (c.unicode() < u'0' || c.unicode() > u'7')
            break;
        value = value * 8 + (c.unicode() - u'0');
    }
    return value;
}

// A value written with the pattern "000": at least three digits, a
// negative value keeping its minus sign.
QString threeDigits(qint64 value, int base)
{
    const QString digits = QStringLiteral("%1").arg(qAbs(value), 3, base, QLatin1Char('0'));
    return value < 0 ? u'-' + digits : digits;
}

} // namespace

// String text is a CRC's data as it stands, blanks and all.
SelectionCheck::SelectionCheck(DataFormat format, const CrcModel *model)
    : m_format(format),
      m_model(model),
      m_groups(format != DataFormat::String, groupOf(format), [this](QStringView chunk) { add(chunk); }),
      m_crc(model ? model->init : 0)
{
}

void SelectionCheck::feed(QStringView piece)
{
    if (!m_invalid && (m_model || m_format != DataFormat::String))
        m_groups.feed(piece);
}

// Each chunk holds whole groups (the last one perhaps cut short).
void SelectionCheck::add(QStringView chunk)
{
    if (m_model) {
        if (m_format == DataFormat::String) {
            m_crc = CrcAdd(*m_model, m_crc, EncodeGbk(chunk.toString()));
            return;
        }
        const EncodeResult bytes = EncodeSendText(chunk.toString(), m_format);
        if (std::holds_alternative<QByteArray>(bytes))
            m_crc = CrcAdd(*m_model, m_crc, std::get<QByteArray>(bytes));
        else
            m_invalid = true;
        return;
    }
    const qsizetype n = chunk.size();
    switch (m_format) {
    case DataFormat::Hex:
        for (qsizetype p = 0; p < n; p += 3)
            m_sum += 16 * HexDigitValue(chunk[p]) + (p + 1 < n ? HexDigitValue(chunk[p + 1]) : 0);
        break;
    case DataFormat::Decimal:
        for (qsizetype p = 0; p < n; p += 4)
            m_total = RoundHalfEven(m_total + LenientNumber(chunk.sliced(p, std::min<qsizetype>(3, n - p)).toString()));
        break;
    case DataFormat::Octal:
        for (qsizetype p = 0; p < n; p += 4)
            m_sum += octalGroupValue(chunk.sliced(p, std::min<qsizetype>(3, n - p)));
        break;
    case DataFormat::String:
        break;
    }
}

std::optional<QString> SelectionCheck::result()
{
    m_groups.finish();
    if (m_model) {
        if (m_invalid)
            return std::nullopt;
        const DataFormat shownAs = m_format == DataFormat::String ? DataFormat::Hex : m_format;
        return RenderReceivedBytes(CrcWireBytes(*m_model, CrcEnd(*m_model, m_crc)), shownAs).trimmed();
    }
    switch (m_format) {
    case DataFormat::Hex: return QStringLiteral("%1").arg(m_sum % 256, 2, 16, QLatin1Char('0')).toUpper();
    case DataFormat::Decimal: return threeDigits(qint64(m_total) % 256, 10);
    case DataFormat::Octal: return threeDigits(m_sum % 256, 8);
    case DataFormat::String: break;
    }
    return QString();
}

QString SelectionChecksum(const QString &text, DataFormat format)
{
    SelectionCheck check(format, nullptr);
    check.feed(text);
    return *check.result();
}

std::optional<QString> SelectionCrc(const QString &text, DataFormat format, const CrcModel &model)
{
    SelectionCheck check(format, &model);
    check.feed(text);
    return check.result();
}
