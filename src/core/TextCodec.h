#pragma once
// Text on the wire and in files is GBK (the Chinese ANSI code page).

#include <QByteArray>
#include <QString>

QByteArray EncodeGbk(const QString &text);
QString DecodeGbk(const QByteArray &bytes);
// The length of the longest start of the bytes that ends between two GBK
// characters: all of them, unless the last is a lead byte waiting for the
// byte that completes its character.
qsizetype WholeGbkLength(const QByteArray &bytes);
// Decodes the next piece of a GBK stream read in pieces. `held` is the lead
// byte the previous piece ended with: it goes first, and a lead byte that
// ends this piece waits in its place for the byte that completes it.
QString DecodeGbkPiece(const QByteArray &piece, QByteArray &held);
