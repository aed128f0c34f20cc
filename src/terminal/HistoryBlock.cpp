// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/HistoryBlock.h"

#include <QDataStream>
#include <QIODevice>

// The stored form:
//   qint64 characters, qint64 bytes a character (1: Latin-1, 2: UTF-16)
//   the text                   (at byte 16, so UTF-16 text is aligned)
//   quint32 lines, the line starts as offsets from the block's first
//                              character (the machine's own order: the file
//                              is read back only by the run that wrote it)
//   the notes, then the colours: quint32 count, then per run its offsets,
//                              whether it has a colour, and the colour (as
//                              quint32, in the machine's own order)
// The notes come before the colours, so a search reads no colours.

namespace {

using Runs = HistoryBlock::Runs;

constexpr qsizetype kTextAt = 16;

// Runs go as one array of four quint32 a run (from, to, whether it has a
// colour, the colour), in the machine's own order: a block holds a stamp's
// run or two a line, and field by field through the stream they cost more
// than the text.
void writeRuns(QDataStream &out, const Runs &runs, qsizetype from)
{
    std::vector<quint32> fields;
    fields.reserve(runs.size() * 4);
    for (const PaneColours::Run &run : runs) {
        fields.insert(fields.end(), {quint32(run.from - from), quint32(run.to - from), quint32(run.colour.isValid()),
                                     quint32(run.colour.rgba())});
    }
    out << quint32(runs.size());
    out.writeRawData(reinterpret_cast<const char *>(fields.data()), int(fields.size() * sizeof(quint32)));
}

Runs readRuns(QDataStream &in, qsizetype from)
{
    quint32 count = 0;
    in >> count;
    const qint64 size = qint64(count) * 4 * qint64(sizeof(quint32));
    if (in.status() != QDataStream::Ok || size > in.device()->bytesAvailable())
        return Runs();
    std::vector<quint32> fields(size_t(count) * 4);
    if (in.readRawData(reinterpret_cast<char *>(fields.data()), int(size)) != size)
        return Runs();
    Runs runs;
    runs.reserve(count);
    for (size_t i = 0; i < fields.size(); i += 4) {
        runs.push_back(PaneColours::Run{from + fields[i], from + fields[i + 1],
                                        fields[i + 2] != 0 ? QColor::fromRgba(fields[i + 3]) : QColor()});
    }
    return runs;
}

// Where the text lies; the stream is left after it.
struct TextPlace
{
    const char *data = nullptr;
    qsizetype size = 0;
    bool latin1 = false;
};

bool readText(const QByteArray &bytes, QDataStream &in, TextPlace &place)
{
    qint64 size = 0, charBytes = 0;
    in >> size >> charBytes;
    if (in.status() != QDataStream::Ok || size < 0 || (charBytes != 1 && charBytes != 2)
        || size * charBytes > bytes.size() - kTextAt)
        return false;
    place = TextPlace{bytes.constData() + kTextAt, qsizetype(size), charBytes == 1};
    return in.skipRawData(int(size * charBytes)) == size * charBytes;
}

// The line starts, or (without `starts`) passes over them.
bool readStarts(QDataStream &in, qsizetype from, std::vector<qsizetype> *starts)
{
    quint32 lines = 0;
    in >> lines;
    const qint64 size = qint64(lines) * qint64(sizeof(quint32));
    if (in.status() != QDataStream::Ok || size > in.device()->bytesAvailable())
        return false;
    if (!starts)
        return in.skipRawData(int(size)) == size;
    std::vector<quint32> offsets(lines);
    if (in.readRawData(reinterpret_cast<char *>(offsets.data()), int(size)) != size)
        return false;
    starts->reserve(lines);
    for (quint32 offset : offsets)
        starts->push_back(from + offset);
    return true;
}

} // namespace

QByteArray HistoryBlock::serialize(QStringView text, qsizetype from, const std::vector<qsizetype> &starts,
                                   const Runs &colours, const Runs &notes)
{
    QByteArray bytes;
    bytes.reserve(kTextAt + text.size() * 2 + qsizetype(starts.size()) * 4 + 64);
    QDataStream out(&bytes, QIODevice::WriteOnly);
    const bool latin1 = QtPrivate::isLatin1(text);
    out << qint64(text.size()) << qint64(latin1 ? 1 : 2);
    if (latin1)
        out.writeRawData(text.toLatin1().constData(), int(text.size()));
    else
        out.writeRawData(reinterpret_cast<const char *>(text.utf16()), int(text.size() * 2));
    std::vector<quint32> offsets(starts.size());
    for (size_t i = 0; i < starts.size(); ++i)
        offsets[i] = quint32(starts[i] - from);
    out << quint32(offsets.size());
    out.writeRawData(reinterpret_cast<const char *>(offsets.data()), int(offsets.size() * sizeof(quint32)));
    writeRuns(out, notes, from);
    writeRuns(out, colours, from);
    return bytes;
}

HistoryBlock HistoryBlock::parse(const QByteArray &bytes, qsizetype from)
{
    HistoryBlock block;
    block.from = from;
    QDataStream in(bytes);
    TextPlace text;
    if (!readText(bytes, in, text) || !readStarts(in, from, &block.starts))
        return block;
    block.notes = readRuns(in, from);
    block.colours = readRuns(in, from);
    block.text = text.latin1 ? QString::fromLatin1(text.data, text.size)
                             : QString(reinterpret_cast<const QChar *>(text.data), text.size);
    return block;
}

bool HistoryBlock::readForSearch(const QByteArray &bytes, qsizetype from, Searched &out)
{
    QDataStream in(bytes);
    TextPlace text;
    if (!readText(bytes, in, text) || !readStarts(in, from, nullptr))
        return false;
    out.notes = readRuns(in, from);
    if (text.latin1) {
        out.text = QLatin1StringView(text.data, text.size);
    } else if (quintptr(text.data) % alignof(char16_t) == 0) {
        out.text = QStringView(reinterpret_cast<const char16_t *>(text.data), text.size);
    } else {
        out.copy = QString(reinterpret_cast<const QChar *>(text.data), text.size);
        out.text = QStringView(out.copy);
    }
    return true;
}
