// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cyclic redundancy checks as the protocol catalogues define them: each one
// by its width, polynomial, initial value, reflection and final xor, all
// computed by one routine. Also how a protocol puts the check on the wire.

#include "core/DataFormats.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct CrcModel
{
    const char *name; // the catalogue name, shown in the menu and stored
    int width;        // 8, 16 or 32 bits
    quint32 poly;
    quint32 init;
    bool reflected;   // input bytes and the result are bit-reversed
    quint32 xorOut;
    bool lowByteFirst; // the protocol sends the check's low byte first
};

// The models the program offers, in menu order: CRC-16/MODBUS,
// CRC-16/XMODEM, CRC-16/CCITT-FALSE, CRC-32, CRC-8.
const QList<CrcModel> &CrcModels();
// The place in CrcModels() of this catalogue name (case ignored).
std::optional<int> CrcModelIndex(const QString &name);

quint32 ComputeCrc(const CrcModel &model, QByteArrayView bytes);
// The check as its width / 8 bytes, in the order the protocol sends them.
QByteArray CrcWireBytes(const CrcModel &model, quint32 crc);

// The check of the bytes a selection stands for in a send format (String:
// its GBK bytes, no line end), written as the format writes bytes, in wire
// order: "37 4B", "055 075"; hexadecimal for String, whose text cannot carry
// every byte. Nothing when the selection is not valid data in the format.
std::optional<QString> SelectionCrc(const QString &text, DataFormat format, const CrcModel &model);
