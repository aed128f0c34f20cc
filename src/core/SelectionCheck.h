// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check codes of a selection: the one-byte checksum or a CRC of the
// bytes a text stands for in a send format. The text may come in pieces of
// any size, one after the other (a selection of gigabytes is read piece by
// piece), and gives the same check as when read whole.

#include "core/DataFormats.h"
#include "core/TrimmedGroups.h"

#include <QString>
#include <optional>

struct CrcModel;

class SelectionCheck
{
public:
    // The byte checksum when `model` is null, otherwise that CRC.
    SelectionCheck(DataFormat format, const CrcModel *model);
    SelectionCheck(const SelectionCheck &) = delete;
    SelectionCheck &operator=(const SelectionCheck &) = delete;

    void feed(QStringView piece);
    // After the last piece: the check as SelectionChecksum or SelectionCrc
    // gives it.
    std::optional<QString> result();

private:
    void add(QStringView chunk);

    const DataFormat m_format;
    const CrcModel *const m_model;
    TrimmedGroups m_groups;
    qint64 m_sum = 0;
    double m_total = 0; // Decimal: the running sum, rounded at each step
    quint32 m_crc = 0;
    bool m_invalid = false; // a group is no byte of the format: no CRC
};

// The one-byte checksum of a text (its end blanks trimmed here) read in a
// send format: the sum of its byte groups modulo 256, written as the format
// writes a byte ("6B", "044", "102"). Characters that are not digits count
// 0; String format gives an empty text.
QString SelectionChecksum(const QString &text, DataFormat format);

// The CRC of the bytes a selection stands for in a send format (String:
// its GBK bytes, no line end), written as the format writes bytes, in wire
// order: "37 4B", "055 075"; hexadecimal for String, whose text cannot carry
// every byte. Nothing when the selection is not valid data in the format.
std::optional<QString> SelectionCrc(const QString &text, DataFormat format, const CrcModel &model);
