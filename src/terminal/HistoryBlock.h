// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A block of a pane's history as it goes to the archive: whole lines of
// text with their line starts, their colours and the notes among them, and
// the bytes it is stored as. Positions are those of the whole text.
//
// Text of one-byte characters (all hex text) is stored in one byte a
// character, half the bytes to compress, store and search; a search reads
// such text as it is stored, without making it UTF-16 first (TextView).

#include "terminal/PaneColours.h"

#include <QByteArray>
#include <QString>
#include <variant>
#include <vector>

struct HistoryBlock
{
    using Runs = std::vector<PaneColours::Run>;
    // Text as a search reads it: Latin-1 bytes or UTF-16.
    using TextView = std::variant<QLatin1StringView, QStringView>;

    qsizetype from = 0;
    QString text;
    std::vector<qsizetype> starts;
    Runs colours;
    Runs notes;

    // The stored form of a block of this text, read where it lies (the
    // text of a pane's resident part goes without a copy of its own).
    static QByteArray serialize(QStringView text, qsizetype from, const std::vector<qsizetype> &starts,
                                const Runs &colours, const Runs &notes);
    // The block that `serialize` gave; one without text when the bytes are
    // not such a block.
    static HistoryBlock parse(const QByteArray &bytes, qsizetype from);

    // The text and the notes of serialized bytes, for a search: the text is
    // a view into `bytes`, or into `copy` where the bytes cannot hold one.
    // False when the bytes are not a block.
    struct Searched
    {
        TextView text;
        Runs notes;
        QString copy;
    };
    static bool readForSearch(const QByteArray &bytes, qsizetype from, Searched &out);
};
