// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Crc.h"

#include "core/TextCodec.h"

#include <algorithm>

namespace {

quint32 reflect(quint32 value, int width)
{
    quint32 out = 0;
    for (int i = 0; i < width; ++i)
        if (value & (quint32(1) << i))
            out |= quint32(1) << (width - 1 - i);
    return out;
}

quint32 mask(int width)
{
    return width == 32 ? 0xFFFFFFFFu : (quint32(1) << width) - 1;
}

} // namespace

const QList<CrcModel> &CrcModels()
{
    // Parameters as the CRC catalogues give them; each is checked against
    // its catalogue check value (the CRC of the ASCII bytes "123456789").
    static const QList<CrcModel> models = {
        {"CRC-16/MODBUS", 16, 0x8005, 0xFFFF, true, 0x0000, true},
        {"CRC-16/XMODEM", 16, 0x1021, 0x0000, false, 0x0000, false},
        {"CRC-16/CCITT-FALSE", 16, 0x1021, 0xFFFF, false, 0x0000, false},
        {"CRC-32", 32, 0x04C11DB7, 0xFFFFFFFF, true, 0xFFFFFFFF, false},
        {"CRC-8", 8, 0x07, 0x00, false, 0x00, false},
    };
    return models;
}

std::optional<int> CrcModelIndex(const QString &name)
{
    for (int i = 0; i < CrcModels().size(); ++i)
        if (name.trimmed().compare(QLatin1String(CrcModels()[i].name), Qt::CaseInsensitive) == 0)
            return i;
    return std::nullopt;
}

// Bit by bit, most significant first, in a register as wide as the model;
// reflected models reverse each byte on the way in and the result on the
// way out.
quint32 CrcAdd(const CrcModel &model, quint32 crc, QByteArrayView bytes)
{
    const quint32 top = quint32(1) << (model.width - 1);
    for (char c : bytes) {
        const quint32 byte = model.reflected ? reflect(quint8(c), 8) : quint8(c);
        crc ^= byte << (model.width - 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & top) ? (crc << 1) ^ model.poly : crc << 1;
        crc &= mask(model.width);
    }
    return crc;
}

quint32 CrcEnd(const CrcModel &model, quint32 crc)
{
    if (model.reflected)
        crc = reflect(crc, model.width);
    return (crc ^ model.xorOut) & mask(model.width);
}

quint32 ComputeCrc(const CrcModel &model, QByteArrayView bytes)
{
    return CrcEnd(model, CrcAdd(model, model.init, bytes));
}

QByteArray CrcWireBytes(const CrcModel &model, quint32 crc)
{
    QByteArray bytes;
    for (int shift = model.width - 8; shift >= 0; shift -= 8)
        bytes.append(char((crc >> shift) & 0xFF));
    if (model.lowByteFirst)
        std::reverse(bytes.begin(), bytes.end());
    return bytes;
}
