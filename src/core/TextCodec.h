#pragma once
// Text on the wire and in files is GBK (the Chinese ANSI code page).
// Decoding shows each byte that is not GBK as U+FFFD, a lead byte that ends
// the bytes without its second byte too.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

QByteArray EncodeGbk(const QString &text);
QString DecodeGbk(const QByteArray &bytes);
// The length of the longest start of the bytes that ends between two GBK
// characters: all of them, unless the last is a lead byte waiting for the
// byte that completes its character.
qsizetype WholeGbkLength(QByteArrayView bytes);
// Decodes the next piece of a GBK stream read in pieces. `held` is the lead
// byte the previous piece ended with: it goes first, and a lead byte that
// ends this piece waits in its place for the byte that completes it.
QString DecodeGbkPiece(const QByteArray &piece, QByteArray &held);

// Decodes one GBK text after another, each on its own as DecodeGbk does, with
// one converter: opening a converter costs more than decoding a short text.
class GbkDecoder
{
public:
    GbkDecoder();
    QString decode(QByteArrayView bytes);

private:
    QStringDecoder m_decoder;
};
