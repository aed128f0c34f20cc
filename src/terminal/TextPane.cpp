// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/TextPane.h"

#include "terminal/TextPaneAccessible.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include "terminal/TextPaneLayout.h"

using namespace textpane;

TextPane::TextPane(QWidget *parent)
    : QAbstractScrollArea(parent), m_frameTimer(new QTimer(this)), m_rewrapTimer(new QTimer(this))
{
    TextPaneAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The line width must not change when the text outgrows the view.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int step) {
        if (!m_settingScrollBar)
            setTop(PaneLines::lineOfScrollStep(step, m_history.count()));
    });

    m_frameTimer->setObjectName(QStringLiteral("frameTimer"));
    m_frameTimer->setSingleShot(true);
    m_frameTimer->setInterval(kFrameMs);
    connect(m_frameTimer, &QTimer::timeout, this, [this] {
        if (m_repaintPending)
            showChanges();
    });
    m_rewrapTimer->setObjectName(QStringLiteral("rewrapTimer"));
    m_rewrapTimer->setSingleShot(true);
    m_rewrapTimer->setInterval(kRewrapDelayMs);
    connect(m_rewrapTimer, &QTimer::timeout, this, &TextPane::rewrap);

    measureFont();
    m_history.rewrap(80 * m_digitWidth); // until the view has its size
}

TextPane::~TextPane() = default;

// --- Content ---------------------------------------------------------------

void TextPane::setText(const QString &text)
{
    const bool follow = followsEnd();
    emit aboutToRewrite();
    m_history.setText(typedForm(text));
    m_toldArchiveProblem = false;
    m_undo.clear();
    m_redo.clear();
    m_top = 0;
    if (follow) {
        showEnd();
    } else {
        m_anchor = m_caret = 0;
        syncScrollBar();
    }
    repaintSoon();
    emit rewritten();
    emit changed();
}

bool TextPane::prepend(const QString &text)
{
    if (m_history.base() > 0)
        return false;
    const QString typed = typedForm(text);
    if (typed.isEmpty())
        return true;
    const bool follow = followsEnd();
    emit aboutToRewrite();
    m_history.replace(0, 0, typed);
    m_anchor += typed.size();
    m_caret += typed.size();
    // The kept edits name positions that moved.
    m_undo.clear();
    m_redo.clear();
    if (follow)
        showEnd();
    else
        syncScrollBar();
    repaintSoon();
    emit rewritten();
    emit changed();
    return true;
}

void TextPane::appendNote(const QString &note, const QColor &colour)
{
    append(note, {PaneColours::Run{0, note.size(), colour}});
}

// The notes are marked and coloured before changed(): a handler of it may
// rewrite the pane (auto-save empties it). The text of a pane with plain
// line breaks may shrink; notes then are not kept (only the receive pane
// has notes, and it keeps its line breaks).
void TextPane::append(const QString &more, const std::vector<PaneColours::Run> &notes)
{
    if (more.isEmpty())
        return;
    const bool follow = followsEnd();
    const QString typed = typedForm(more);
    // Once archiving stopped, an append may drop text from the start.
    if (m_history.appendDrops(typed.size()))
        emit aboutToRewrite();
    if (typed.size() == more.size())
        m_history.append(typed, notes);
    else
        m_history.append(typed);
    followShift();
    // A stream appends many times a frame: the scroll bar is painted once a frame.
    if (m_frameTimer->isActive())
        verticalScrollBar()->setUpdatesEnabled(false);
    if (follow)
        showEnd();
    else
        syncScrollBar();
    repaintSoon();
    emit changed();
    tellArchiveProblem();
}

void TextPane::setResidentLimit(qsizetype chars, const QString &folder)
{
    m_history.setResidentLimit(chars, folder);
    followShift();
    syncScrollBar();
    repaintSoon();
}

// Once archiving stopped, the history drops text from its start and
// positions move: the selection and the view move with the text.
void TextPane::followShift()
{
    const PaneHistory::Shift shift = m_history.takeShift();
    if (shift.chars == 0)
        return;
    m_anchor = std::max<qsizetype>(m_anchor - shift.chars, 0);
    m_caret = std::max<qsizetype>(m_caret - shift.chars, 0);
    m_top = std::max<qsizetype>(m_top - shift.lines, 0);
    m_undo.clear();
    m_redo.clear();
    emit rewritten();
}

// The pane says once, in its own text, that its older part is no longer
// kept and why.
void TextPane::tellArchiveProblem()
{
    if (m_toldArchiveProblem || m_history.archiveProblem().isEmpty())
        return;
    m_toldArchiveProblem = true;
    appendNote(QStringLiteral("\r\n[%1：历史存档已停止，此前的 %2 个字符已丢弃；此后只保留最新约 %3 个字符]\r\n")
                   .arg(m_history.archiveProblem())
                   .arg(m_history.dropped())
                   .arg(m_history.residentLimit()),
               QColor(Qt::red));
}

// The text as this pane keeps it: with plain line breaks, CR LF and CR are LF.
QString TextPane::typedForm(QString text) const
{
    if (m_plainLineBreaks && text.contains(u'\r')) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
    }
    return text;
}

// Replaces the characters [from, to) by `insert`, leaves the caret after it
// and keeps what is needed to undo it.
void TextPane::edit(qsizetype from, qsizetype to, const QString &insert, EditKind kind)
{
    from = std::clamp<qsizetype>(from, 0, length());
    to = std::clamp<qsizetype>(to, from, length());
    if (from == to && insert.isEmpty())
        return;
    if (from < m_history.base()) {
        emit oldPartReadOnly();
        return;
    }
    if (m_undoEnabled && kind != EditKind::History) {
        Edit *last = m_undo.empty() ? nullptr : &m_undo.back();
        // Typing goes back in one step, as far as the caret did not move.
        const bool typing = kind == EditKind::Typing && from == to;
        if (typing && last && last->typing && last->at + last->inserted.size() == from && m_caret == from) {
            last->inserted += insert;
        } else {
            m_undo.push_back(Edit{from, m_history.mid(from, to - from), insert, m_anchor, m_caret, typing});
        }
        m_redo.clear();
    }
    emit aboutToRewrite();
    m_history.replace(from, to - from, insert);
    m_anchor = m_caret = from + insert.size();
    m_preferredX = -1;
    syncScrollBar();
    ensureVisible(m_caret);
    restartBlinking();
    repaintSoon();
    emit rewritten();
    emit changed();
}

bool TextPane::editAsUser(qsizetype from, qsizetype to, const QString &text, EditKind kind)
{
    if (m_readOnly)
        return false;
    edit(from, to, typedForm(text), kind);
    return true;
}

// Text the user typed, pasted or dropped, in place of the selection.
void TextPane::insertTyped(const QString &text, EditKind kind)
{
    editAsUser(selStart(), selStart() + selLength(), text, kind);
}

void TextPane::deleteSelectionOr(qsizetype from, qsizetype to)
{
    if (selLength() > 0)
        edit(selStart(), selStart() + selLength(), QString());
    else
        edit(from, to, QString());
}

void TextPane::setUndoEnabled(bool enabled)
{
    m_undoEnabled = enabled;
    m_undo.clear();
    m_redo.clear();
}

void TextPane::undo()
{
    applyHistory(m_undo, m_redo, true);
}

void TextPane::redo()
{
    applyHistory(m_redo, m_undo, false);
}

void TextPane::applyHistory(std::vector<Edit> &from, std::vector<Edit> &to, bool undoing)
{
    if (from.empty() || m_readOnly)
        return;
    Edit step = std::move(from.back());
    from.pop_back();
    const QString &out = undoing ? step.inserted : step.removed;
    const QString &in = undoing ? step.removed : step.inserted;
    edit(step.at, step.at + out.size(), in, EditKind::History);
    if (undoing) {
        m_anchor = step.anchorBefore;
        m_caret = step.caretBefore;
        ensureVisible(m_caret);
    }
    to.push_back(std::move(step));
}

// --- Selection, colours, search, file --------------------------------------

qsizetype TextPane::selStart() const
{
    return std::min(m_anchor, m_caret);
}

void TextPane::setSelStart(qsizetype start)
{
    select(start, 0);
}

qsizetype TextPane::selLength() const
{
    return std::abs(m_caret - m_anchor);
}

void TextPane::setSelLength(qsizetype length)
{
    select(selStart(), length);
}

QString TextPane::selText() const
{
    return m_history.mid(selStart(), selLength());
}

QString TextPane::selData() const
{
    return m_history.dataOf(selStart(), selStart() + selLength());
}

void TextPane::select(qsizetype start, qsizetype length)
{
    start = std::clamp<qsizetype>(start, 0, this->length());
    length = std::clamp<qsizetype>(length, 0, this->length() - start);
    m_anchor = start;
    m_caret = start + length;
    m_preferredX = -1;
    ensureVisible(m_caret);
    restartBlinking();
    repaintSoon();
}

void TextPane::selectAll()
{
    m_anchor = 0;
    m_caret = length();
    repaintSoon();
}

void TextPane::setSelColor(const QColor &color)
{
    colourRange(selStart(), selStart() + selLength(), color);
}

void TextPane::colourRange(qsizetype from, qsizetype to, const QColor &color)
{
    from = std::clamp<qsizetype>(from, 0, length());
    to = std::clamp<qsizetype>(to, from, length());
    m_history.colour(from, to, color);
    repaintSoon();
}

void TextPane::colourRuns(const std::vector<PaneColours::Run> &runs)
{
    if (runs.empty())
        return;
    Q_ASSERT(runs.back().to <= length());
    m_history.colourAll(runs);
    repaintSoon();
}

// A note shows its own colour, unless the characters were coloured since.
QColor TextPane::colourAt(qsizetype position) const
{
    const QColor colour = m_history.colourRunAt(position).colour;
    return colour.isValid() ? colour : m_history.noteRunAt(position).colour;
}

PaneColours::Run TextPane::colourRunAt(qsizetype position) const
{
    const PaneColours::Run coloured = m_history.colourRunAt(position);
    const PaneColours::Run note = m_history.noteRunAt(position);
    PaneColours::Run run{std::max(coloured.from, note.from), std::min(coloured.to, note.to),
                         coloured.colour.isValid() ? coloured.colour : note.colour};
    run.from = std::clamp<qsizetype>(run.from, 0, length());
    run.to = std::clamp<qsizetype>(run.to, run.from, length());
    return run;
}

std::vector<PaneColours::Run> TextPane::shownColours(qsizetype from, qsizetype to) const
{
    std::vector<PaneColours::Run> notes = m_history.noteRuns(from, to);
    if (notes.empty())
        return m_history.colourRuns(from, to);
    PaneColours both;
    both.colourAll(notes);
    both.colourAll(m_history.colourRuns(from, to));
    return both.runs(from, to);
}

qsizetype TextPane::find(const QString &what, qsizetype start)
{
    if (what.isEmpty() || start > length())
        return -1;
    const qsizetype at = m_history.indexOf(what, std::max<qsizetype>(start, 0), Qt::CaseInsensitive);
    if (at >= 0)
        select(at, what.size());
    return at;
}

QColor TextPane::backColor() const
{
    return palette().color(QPalette::Base);
}

void TextPane::setBackColor(const QColor &color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, color);
    setPalette(colours);
}

void TextPane::setReadOnlyForUser(bool readOnly)
{
    m_readOnly = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    restartBlinking();
    repaintSoon();
}

// A selection too long to be held whole is offered, through copyTooLarge(),
// to be saved to a file instead.
void TextPane::copy()
{
    if (selLength() > m_mostCopied)
        emit copyTooLarge();
    else if (selLength() > 0)
        QGuiApplication::clipboard()->setMimeData(selectionMime());
}

void TextPane::cut()
{
    if (m_readOnly || selLength() == 0)
        return;
    if (selLength() > m_mostCopied) {
        emit copyTooLarge();
        return;
    }
    copy();
    edit(selStart(), selStart() + selLength(), QString());
}

void TextPane::paste()
{
    if (m_readOnly)
        return;
    const QString pasted = QGuiApplication::clipboard()->text();
    if (!pasted.isEmpty())
        insertTyped(pasted);
}

QMimeData *TextPane::selectionMime() const
{
    auto *mime = new QMimeData;
    mime->setText(selText());
    return mime;
}
