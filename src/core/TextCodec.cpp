// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Debian's Qt knows GBK through ICU: the name-based constructor finds it,
// encodingForName() does not.
QByteArray &EncoderName()
{
    static QByteArray name("GBK");
    return name;
}

} // namespace

void SetGbkEncoderName(const QByteArray &name)
{
    EncoderName() = name;
}

QString GbkMissingText()
{
    return QStringLiteral("本机的 Qt 没有 GBK 编码，文字无法转换");
}

QString ReplacedCharactersText(qsizetype count)
{
    return QStringLiteral("，%1 个字符 GBK 中没有，存为“?”").arg(count);
}

// Stateless: every piece is encoded whole, nothing waits for the next one.
GbkEncoder::GbkEncoder() : m_encoder(EncoderName().constData(), QStringConverter::Flag::Stateless) {}

QByteArray GbkEncoder::encode(QStringView text)
{
    // The converter drops a high surrogate that ends its text instead of
    // writing "?" for it; as pieces never split a pair, that one is alone.
    const bool loneHighLast = !text.isEmpty() && text.back().isHighSurrogate();
    if (loneHighLast)
        text.chop(1);
    QByteArray bytes = m_encoder.encode(text);
    if (loneHighLast)
        bytes += '?';
    // The converter writes "?" for what GBK lacks. No GBK character ends in
    // the byte of "?" (second bytes start at 0x40), so every "?" beyond those
    // in the text stands for a character replaced.
    m_replaced += bytes.count('?') - text.count(u'?');
    return bytes;
}

QByteArray EncodeGbk(const QString &text)
{
    return GbkEncoder().encode(text);
}

QString DecodeGbk(const QByteArray &bytes)
{
    return GbkDecoder().decode(bytes);
}

qsizetype WholeGbkLength(QByteArrayView bytes)
{
    // 0x81 to 0xFE lead a two-byte character; whatever follows a lead byte
    // is taken with it (the decoder shows a bad pair as a replacement and
    // the second byte, which is never a lead byte itself).
    qsizetype i = 0;
    while (i < bytes.size()) {
        const quint8 b = quint8(bytes[i]);
        if (b < 0x81 || b == 0xFF)
            ++i;
        else if (i + 1 < bytes.size())
            i += 2;
        else
            return i;
    }
    return i;
}

QString DecodeGbkPiece(const QByteArray &piece, QByteArray &held)
{
    QByteArray bytes = held + piece;
    const qsizetype whole = WholeGbkLength(bytes);
    held = bytes.mid(whole);
    bytes.truncate(whole);
    return DecodeGbk(bytes);
}

GbkDecoder::GbkDecoder() : m_decoder("GBK") {}

QString GbkDecoder::decode(QByteArrayView bytes)
{
    // The converter takes whole characters only, so it holds nothing from
    // one text to the next. A lead byte that ends the bytes would wait in it
    // for a next call that does not belong to it: it is not GBK, as any byte
    // the converter cannot read.
    const qsizetype whole = WholeGbkLength(bytes);
    QString text = m_decoder.decode(bytes.first(whole));
    if (whole < bytes.size())
        text += QChar::ReplacementCharacter;
    return text;
}
