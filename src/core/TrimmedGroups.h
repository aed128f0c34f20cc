// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A text that arrives in pieces, passed on as a text read whole would be:
// without the blanks at its ends (when asked), and in chunks that end
// between two groups of `group` characters, as the byte formats read their
// text in groups ("55 " in Hex, "085 " in Decimal). So a rule that reads
// a text group by group gives the same answer for the chunks, one after
// the other, as for the whole text, and no piece is ever held whole.

#include <QString>
#include <QStringView>
#include <functional>

class TrimmedGroups
{
public:
    using Chunk = std::function<void(QStringView)>;
    TrimmedGroups(bool trim, qsizetype group, Chunk chunk);

    void feed(QStringView piece);
    // Passes on what is held back: the last, perhaps shorter group. The
    // blanks at the end stay dropped. What is fed next is a new text.
    void finish();

private:
    void pass(QStringView text);

    const bool m_trim;
    const qsizetype m_group;
    const Chunk m_chunk;
    bool m_started = false;  // a character other than a blank came
    qsizetype m_blanks = 0;  // blanks held back: they may end the text
    QString m_partial;       // the start of a group cut by a piece's end
};
