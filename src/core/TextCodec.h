#pragma once
// Text on the wire and in files is GBK (the Chinese ANSI code page).

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

QByteArray EncodeGbk(const QString &text);
QString DecodeGbk(const QByteArray &bytes);
// A decoder that keeps its state between calls, for a stream.
QStringDecoder NewGbkDecoder();
