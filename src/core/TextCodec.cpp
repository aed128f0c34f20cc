#include "core/TextCodec.h"

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
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

QStringDecoder NewGbkDecoder()
{
    return QStringDecoder("GBK");
}
