// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// All a text pane holds: its text, the lines it is laid out in, the colours
// given to it and the notes among it. The newest part (about `resident
// limit` characters) is in memory; the older part goes, in blocks of whole
// lines, to a HistoryArchive on disk, each block with its line starts, its
// colours and its notes, so the pane's memory stays flat however much it
// receives. Positions and line numbers count from the start of everything,
// archived or not.
//
// The archived part is read-only: edits, colouring and new notes reach only
// the resident part, and it keeps the line width it was laid out with (a
// rewrap lays out the resident part). Without a resident limit (the
// default) everything stays in memory.
//
// When a block cannot be archived (the disk is full), archiving stops: the
// history from then on keeps only the resident part, drops older lines from
// its start (positions then count from the oldest kept character) and
// tells how much it dropped and why. The archive writes on a thread of its
// own, so a write that failed there shows at the next append.

#include "terminal/HistoryArchive.h"
#include "terminal/HistoryBlock.h"
#include "terminal/PaneColours.h"
#include "terminal/PaneLines.h"
#include "terminal/PaneNotes.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <memory>
#include <vector>

class PaneHistory
{
public:
    // The widths are kept by reference and must outlive the history.
    explicit PaneHistory(CharWidths &widths);
    ~PaneHistory();

    // Keeps about `chars` characters in memory (0: all); the archive goes
    // into `folder` (empty: the user's cache folder).
    void setResidentLimit(qsizetype chars, const QString &folder = QString());
    qsizetype residentLimit() const { return m_limit; }

    // The text. Positions before base() are archived.
    qsizetype length() const { return m_base + m_text.size(); }
    qsizetype base() const { return m_base; }
    const QString &resident() const { return m_text; }
    QChar at(qsizetype position) const;
    QString mid(qsizetype from, qsizetype length) const;
    // Hands the text of [from, to) over in pieces, in order, each with its
    // position; stops early when `piece` returns false (and returns false).
    using Piece = std::function<bool(QStringView, qsizetype)>;
    bool pieces(qsizetype from, qsizetype to, const Piece &piece) const;

    // Changing it: replaces everything; adds at the end (notes placed in
    // positions of the text added); replaces [from, from + removed), which
    // lies in the resident part.
    void setText(const QString &text);
    void append(const QString &more, const std::vector<PaneColours::Run> &notes = {});
    void replace(qsizetype from, qsizetype removed, const QString &insert);

    // The lines.
    qsizetype count() const { return m_lineBase + m_lines.count(); }
    qsizetype lineOf(qsizetype position) const;
    PaneLines::Line line(qsizetype index) const;
    qsizetype startOf(qsizetype index) const;
    int lineWidth() const { return m_lines.lineWidth(); }
    // Lays out the resident part again at this width.
    void rewrap(int lineWidth);

    // Colours and notes, as PaneColours and PaneNotes give them.
    void colour(qsizetype from, qsizetype to, const QColor &colour);
    void colourAll(const std::vector<PaneColours::Run> &runs);
    std::vector<PaneColours::Run> colourRuns(qsizetype from, qsizetype to) const;
    PaneColours::Run colourRunAt(qsizetype position) const;
    std::vector<PaneColours::Run> noteRuns(qsizetype from, qsizetype to) const;
    PaneColours::Run noteRunAt(qsizetype position) const;
    // The resident notes, for what reads the resident part as data.
    const PaneNotes &residentNotes() const { return m_notes; }
    // The first match of `what` at or after `from`; -1 when there is none.
    qsizetype indexOf(const QString &what, qsizetype from, Qt::CaseSensitivity cs) const;
    // The characters [from, to) without the notes among them.
    QString dataOf(qsizetype from, qsizetype to) const;

    // Characters dropped since archiving stopped, and why it stopped (empty
    // while it works).
    qsizetype dropped() const { return m_dropped; }
    QString archiveProblem() const { return m_problem; }
    // Whether appending this many characters drops old text from the start
    // (only once archiving stopped).
    bool appendDrops(qsizetype chars) const
    {
        return !m_problem.isEmpty() && m_limit > 0 && m_text.size() + chars > m_limit + archiveStep();
    }
    // How far the text moved towards its start, by dropping, since the
    // last call: characters and lines.
    struct Shift
    {
        qsizetype chars = 0;
        qsizetype lines = 0;
    };
    Shift takeShift() { return std::exchange(m_shifted, Shift{}); }
    qint64 archiveBytes() const { return m_archive ? m_archive->fileSize() : 0; }
    // Waits until the archive wrote every block given to it; a failure then
    // shows at the next change.
    void waitForArchive() const;

    // An archived block: its characters [from, to), the lines it holds, and
    // its number in the archive.
    struct Entry
    {
        qsizetype from = 0;
        qsizetype to = 0;
        qsizetype firstLine = 0;
        qsizetype lines = 0;
        HistoryArchive::Block block;
    };

    // The text as it is now, for a search on another thread: the archived
    // blocks (which never change until the history is emptied) and a copy
    // of the resident part.
    class Snapshot
    {
    public:
        qsizetype length() const { return m_base + m_resident.size(); }
        // Hands the text over in pieces, in order, each with its position and
        // the notes in it; stops early when `piece` returns false. Archived
        // text of one-byte characters comes as it is stored (Latin-1).
        using Piece = std::function<bool(HistoryBlock::TextView, qsizetype, const std::vector<PaneColours::Run> &)>;
        void pieces(const Piece &piece) const;

    private:
        friend class PaneHistory;
        std::shared_ptr<const HistoryArchive> m_archive;
        std::vector<Entry> m_entries;
        QString m_resident;
        qsizetype m_base = 0;
        std::vector<PaneColours::Run> m_notes;
    };
    Snapshot snapshot() const;

private:

    // How much of the resident part leaves it at a time, once it holds more
    // than this past the limit.
    qsizetype archiveStep() const { return std::max<qsizetype>(m_limit / 4, 1); }
    void archiveOld();
    void stopArchiving();
    void dropFront(qsizetype lines, qsizetype cut);
    const Entry &entryOf(qsizetype position) const;
    const Entry &entryOfLine(qsizetype line) const;
    std::shared_ptr<const HistoryBlock> load(const Entry &entry) const;
    std::vector<PaneColours::Run> archivedRuns(qsizetype from, qsizetype to, bool notes) const;
    PaneColours::Run runAt(qsizetype position, bool notes) const;

    QString m_text;
    PaneLines m_lines;
    PaneColours m_colours;
    PaneNotes m_notes;
    qsizetype m_base = 0;
    qsizetype m_lineBase = 0;
    qsizetype m_limit = 0;
    qsizetype m_dropped = 0;
    Shift m_shifted;
    QString m_problem;
    QString m_folder;
    std::shared_ptr<HistoryArchive> m_archive;
    std::vector<Entry> m_entries;
    // The blocks read last, newest first.
    mutable std::vector<std::shared_ptr<const HistoryBlock>> m_cache;
};
