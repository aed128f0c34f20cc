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
// The same over bytes that come in pieces: the register starts at the
// model's `init`, takes each piece in turn, and gives the check at its end.
quint32 CrcAdd(const CrcModel &model, quint32 crc, QByteArrayView bytes);
quint32 CrcEnd(const CrcModel &model, quint32 crc);
// The check as its width / 8 bytes, in the order the protocol sends them.
QByteArray CrcWireBytes(const CrcModel &model, quint32 crc);
