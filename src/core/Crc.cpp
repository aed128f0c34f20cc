// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Crc.h"

#include "core/TextCodec.h"

#include <algorithm>
#include <array>
#include <list>
#include <mutex>

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

// The register after shifting each byte value through it, for a model's
// width and polynomial: a long selection is checked a byte at a time.
using CrcTable = std::array<quint32, 256>;

const CrcTable &tableOf(const CrcModel &model)
{
    struct Entry
    {
        int width;
        quint32 poly;
        CrcTable table;
    };
    static std::mutex mutex;
    static std::list<Entry> tables;
    const std::lock_guard lock(mutex);
    for (const Entry &entry : tables)
        if (entry.width == model.width && entry.poly == model.poly)
            return entry.table;
    Entry &entry = tables.emplace_back(Entry{model.width, model.poly, {}});
    const quint32 top = quint32(1) << (model.width - 1);
    for (quint32 byte = 0; byte < 256; ++byte) {
        quint32 crc = byte << (model.width - 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & top) ? (crc << 1) ^ model.poly : crc << 1;
        entry.table[byte] = crc & mask(model.width);
    }
    return entry.table;
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

// Most significant bit first, in a register as wide as the model, a byte at
// a time; reflected models reverse each byte on the way in and the result
// on the way out.
quint32 CrcAdd(const CrcModel &model, quint32 crc, QByteArrayView bytes)
{
    static const std::array<quint8, 256> reversed = [] {
        std::array<quint8, 256> bytes{};
        for (quint32 b = 0; b < 256; ++b)
            bytes[b] = quint8(reflect(b, 8));
        return bytes;
    }();
    const CrcTable &table = tableOf(model);
    const int shift = model.width - 8;
    const quint32 keep = mask(model.width);
    for (char c : bytes) {
        const quint32 byte = model.reflected ? reversed[quint8(c)] : quint8(c);
        crc = ((crc << 8) ^ table[((crc >> shift) ^ byte) & 0xFF]) & keep;
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
