// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PaneConversion.h"

#include "core/TrimmedGroups.h"
#include "terminal/PaneTextStream.h"
#include "terminal/TextPane.h"

#include <QDataStream>
#include <QTemporaryFile>

#include <algorithm>
#include <optional>

namespace {

// What the file holds, one after the other: converted data, and notes as
// they were.
struct Part
{
    bool note = false;
    QString text;
    QColor colour;
};

QDataStream &operator<<(QDataStream &out, const Part &part)
{
    return out << part.note << part.text << part.colour;
}

QDataStream &operator>>(QDataStream &in, Part &part)
{
    return in >> part.note >> part.text >> part.colour;
}

// Converts the pane into the file; false when some data is no Hex text.
bool ConvertInto(QDataStream &out, const TextPane &pane, DataFormat from)
{
    const bool fromHex = from == DataFormat::Hex;
    bool valid = true;
    const auto convert = [&out, &valid, fromHex](QStringView chunk) {
        const std::optional<QString> text =
            fromHex ? HexTextToCharacters(chunk.toString()) : CharactersToHexText(chunk.toString());
        if (!text)
            valid = false;
        else if (!text->isEmpty())
            out << Part{false, *text, QColor()};
    };
    // Hex text is read in whole groups of three: "41 ". The data between
    // two notes is a text of its own.
    TrimmedGroups data(true, fromHex ? 3 : 1, convert);
    const PaneHistory &history = pane.history();
    history.pieces(0, history.length(), [&](QStringView text, qsizetype from) {
        qsizetype at = from;
        for (const PaneColours::Run &note : history.noteRuns(from, from + text.size())) {
            data.feed(text.sliced(at - from, note.from - at));
            data.finish();
            out << Part{true, text.sliced(note.from - from, note.to - note.from).toString(), note.colour};
            at = note.to;
        }
        data.feed(text.sliced(at - from));
        return valid;
    });
    data.finish();
    return valid;
}

// Appends the file's parts to the pane, a piece at a time.
void AppendFrom(QDataStream &in, TextPane &pane)
{
    QString text;
    std::vector<PaneColours::Run> notes;
    while (!in.atEnd()) {
        Part part;
        in >> part;
        if (in.status() != QDataStream::Ok)
            break;
        if (part.note)
            notes.push_back(PaneColours::Run{text.size(), text.size() + part.text.size(), part.colour});
        text += part.text;
        if (text.size() >= PaneTextStream::kPieceChars) {
            pane.append(text, notes);
            text.clear();
            notes.clear();
        }
    }
    pane.append(text, notes);
}

} // namespace

PaneConversion ConvertPane(TextPane &pane, DataFormat from)
{
    QTemporaryFile file;
    if (!file.open())
        return {PaneConversion::Outcome::NoRoom, file.errorString()};
    QDataStream out(&file);
    if (!ConvertInto(out, pane, from))
        return {PaneConversion::Outcome::NotConvertible, {}};
    if (out.status() != QDataStream::Ok || !file.flush())
        return {PaneConversion::Outcome::NoRoom, file.errorString()};
    file.seek(0);
    QDataStream in(&file);
    pane.setText(QString());
    AppendFrom(in, pane);
    return {};
}
