// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text on the wire and in files is GBK (the Chinese ANSI code page).
// Decoding shows each byte that is not GBK as U+FFFD, a lead byte that ends
// the bytes without its second byte too.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

// Encodes text to GBK, piece after piece. A character GBK has no code for
// (an emoji, say, or half of a surrogate pair) is written as "?" and counted.
// A piece must not end between the two halves of a surrogate pair.
class GbkEncoder
{
public:
    GbkEncoder();
    // False when this system's Qt has no GBK: then nothing can be encoded.
    bool isValid() const { return m_encoder.isValid(); }
    QByteArray encode(QStringView text);
    // The characters written as "?" so far.
    qsizetype replaced() const { return m_replaced; }

private:
    QStringEncoder m_encoder;
    qsizetype m_replaced = 0;
};

// The name the encoders are made by, "GBK". Naming an encoding that does not
// exist plays a system whose Qt lacks GBK.
void SetGbkEncoderName(const QByteArray &name);

// Why a file could not be written when the encoder is missing.
QString GbkMissingText();
// What the status bar adds after a save that wrote characters as "?".
QString ReplacedCharactersText(qsizetype count);

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
