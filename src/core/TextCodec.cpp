#include "core/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

// Debian's Qt knows GBK through ICU: the name-based constructor finds it,
// encodingForName() does not.
QByteArray EncodeGbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
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
