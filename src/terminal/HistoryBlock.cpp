// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/HistoryBlock.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Writes the stored form into bytes sized for it beforehand: a block is
// written at every archiving step, and one allocation and plain copies keep
// it cheap.
class BlockWriter
{
public:
    explicit BlockWriter(char *at) : m_at(at) {}

    // A count or a size, as QDataStream reads it.
    template <typename T>
    void count(T value)
    {
        value = qToBigEndian(value);
        raw(&value, sizeof value);
    }
    // An offset in the machine's own order.
    void offset(quint32 value) { raw(&value, sizeof value); }
    void raw(const void *data, qsizetype size)
    {
        memcpy(m_at, data, size_t(size));
        m_at += size;
    }
    // Latin-1 text as its bytes, sixteen characters at a time where the
    // processor can.
    void narrowed(QStringView text)
    {
        const char16_t *from = text.utf16();
        const qsizetype size = text.size();
        qsizetype i = 0;
#ifdef __SSE2__
        for (; i + 16 <= size; i += 16) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i + 8));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(m_at + i), _mm_packus_epi16(low, high));
        }
#endif
        for (; i < size; ++i)
            m_at[i] = char(from[i]);
        m_at += size;
    }
    // Runs go as four quint32 a run (from, to, whether it has a colour, the
    // colour), in the machine's own order: a block holds a stamp's run or
    // two a line, and field by field through a stream they cost more than
    // the text.
    void runs(const Runs &runs, qsizetype from)
    {
        count(quint32(runs.size()));
        PaneColours::ColourNumbers numbers;
        for (const PaneColours::Run &run : runs) {
            const quint64 colour = numbers(run.colour);
            const quint32 fields[] = {quint32(run.from - from), quint32(run.to - from), quint32(colour >> 32),
                                      quint32(colour)};
            raw(fields, sizeof fields);
        }
    }
    static qsizetype runsSize(const Runs &runs) { return 4 + qsizetype(runs.size()) * 16; }

private:
    char *m_at;
};

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
    const bool latin1 = QtPrivate::isLatin1(text);
    const qsizetype textBytes = text.size() * (latin1 ? 1 : 2);
    QByteArray bytes(kTextAt + textBytes + 4 + qsizetype(starts.size()) * 4 + BlockWriter::runsSize(notes)
                         + BlockWriter::runsSize(colours),
                     Qt::Uninitialized);
    BlockWriter out(bytes.data());
    out.count(qint64(text.size()));
    out.count(qint64(latin1 ? 1 : 2));
    if (latin1)
        out.narrowed(text);
    else
        out.raw(text.utf16(), textBytes);
    out.count(quint32(starts.size()));
    for (const qsizetype start : starts)
        out.offset(quint32(start - from));
    out.runs(notes, from);
    out.runs(colours, from);
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
