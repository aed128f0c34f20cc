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

namespace {

// Room around the text, in pixels, as a plain text box has.
constexpr int kMargin = 4;
constexpr int kCaretWidth = 1;
constexpr qreal kTabStop = 80;
// Character widths are kept in 1/64 pixel.
constexpr qreal kUnitsPerPixel = 64;
// The narrowest line a pane lays out, in characters: a squeezed pane still
// shows useful lines.
constexpr int kMinColumns = 16;
// A resize lays the text out again once it has settled.
constexpr int kRewrapDelayMs = 100;
constexpr int kFrameMs = 16;

// Characters a text layout would take for structure are shown as U+FFFD.
QChar shown(QChar c)
{
    switch (c.unicode()) {
    case QChar::ParagraphSeparator:
    case QChar::LineSeparator:
    case 0xFDD0: // QTextBeginningOfFrame
    case 0xFDD1: // QTextEndOfFrame
        return QChar::ReplacementCharacter;
    default:
        return c;
    }
}

bool isBlank(QChar c)
{
    return c.isSpace();
}

int units(qreal pixels)
{
    return int(std::ceil(pixels * kUnitsPerPixel));
}

} // namespace

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
    // Once archiving stopped, an append may drop text from the start.
    if (!m_history.archiveProblem().isEmpty())
        emit aboutToRewrite();
    const qsizetype from = length();
    const QString typed = typedForm(more);
    std::vector<PaneColours::Run> placed;
    if (!notes.empty() && typed.size() == more.size()) {
        placed = notes;
        for (PaneColours::Run &run : placed) {
            run.from += from;
            run.to += from;
        }
    }
    m_history.append(typed, placed);
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

void TextPane::copy() const
{
    if (selLength() > 0)
        QGuiApplication::clipboard()->setMimeData(selectionMime());
}

void TextPane::cut()
{
    if (m_readOnly || selLength() == 0)
        return;
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

// --- Caret movement --------------------------------------------------------

void TextPane::moveCaret(qsizetype position, bool keepAnchor)
{
    m_caret = std::clamp<qsizetype>(position, 0, length());
    if (!keepAnchor)
        m_anchor = m_caret;
    ensureVisible(m_caret);
    restartBlinking();
    repaintSoon();
}

// A CR LF and a surrogate pair are crossed in one step.
qsizetype TextPane::nextCharacter(qsizetype p) const
{
    if (p >= length())
        return length();
    const bool pair = p + 1 < length()
        && ((m_history.at(p) == u'\r' && m_history.at(p + 1) == u'\n')
            || (m_history.at(p).isHighSurrogate() && m_history.at(p + 1).isLowSurrogate()));
    return p + (pair ? 2 : 1);
}

qsizetype TextPane::previousCharacter(qsizetype p) const
{
    if (p <= 0)
        return 0;
    const bool pair = p >= 2
        && ((m_history.at(p - 2) == u'\r' && m_history.at(p - 1) == u'\n')
            || (m_history.at(p - 2).isHighSurrogate() && m_history.at(p - 1).isLowSurrogate()));
    return p - (pair ? 2 : 1);
}

qsizetype TextPane::nextWord(qsizetype p) const
{
    while (p < length() && !isBlank(m_history.at(p)))
        ++p;
    while (p < length() && isBlank(m_history.at(p)))
        ++p;
    return p;
}

qsizetype TextPane::previousWord(qsizetype p) const
{
    while (p > 0 && isBlank(m_history.at(p - 1)))
        --p;
    while (p > 0 && !isBlank(m_history.at(p - 1)))
        --p;
    return p;
}

qsizetype TextPane::wordStart(qsizetype p) const
{
    while (p > 0 && !isBlank(m_history.at(p - 1)))
        --p;
    return p;
}

qsizetype TextPane::wordEnd(qsizetype p) const
{
    while (p < length() && !isBlank(m_history.at(p)))
        ++p;
    return p;
}

// The position `lines` lines up (negative) or down from `position`, at the
// same distance from the left as far as the line allows.
qsizetype TextPane::lineMove(qsizetype position, qsizetype lines)
{
    if (m_preferredX < 0)
        m_preferredX = xOf(position);
    const qsizetype line = std::clamp<qsizetype>(m_history.lineOf(position) + lines, 0, m_history.count() - 1);
    return positionAt(line, m_preferredX);
}

bool TextPane::handleMovement(QKeyEvent *event)
{
    using K = QKeySequence;
    struct Move
    {
        K::StandardKey move;
        K::StandardKey select;
    };
    const qsizetype line = m_history.lineOf(m_caret);
    const PaneLines::Line bounds = m_history.line(line);
    const qsizetype page = linesPerPage();
    const auto target = [&](K::StandardKey key) -> qsizetype {
        switch (key) {
        case K::MoveToNextChar: return nextCharacter(m_caret);
        case K::MoveToPreviousChar: return previousCharacter(m_caret);
        case K::MoveToNextWord: return nextWord(m_caret);
        case K::MoveToPreviousWord: return previousWord(m_caret);
        case K::MoveToNextLine: return lineMove(m_caret, 1);
        case K::MoveToPreviousLine: return lineMove(m_caret, -1);
        case K::MoveToNextPage: return lineMove(m_caret, page);
        case K::MoveToPreviousPage: return lineMove(m_caret, -page);
        case K::MoveToStartOfLine: return bounds.start;
        case K::MoveToEndOfLine: return bounds.contentEnd;
        case K::MoveToStartOfDocument: return 0;
        default: return length();
        }
    };
    static const Move moves[] = {
        {K::MoveToNextChar, K::SelectNextChar},
        {K::MoveToPreviousChar, K::SelectPreviousChar},
        {K::MoveToNextWord, K::SelectNextWord},
        {K::MoveToPreviousWord, K::SelectPreviousWord},
        {K::MoveToNextLine, K::SelectNextLine},
        {K::MoveToPreviousLine, K::SelectPreviousLine},
        {K::MoveToNextPage, K::SelectNextPage},
        {K::MoveToPreviousPage, K::SelectPreviousPage},
        {K::MoveToStartOfLine, K::SelectStartOfLine},
        {K::MoveToEndOfLine, K::SelectEndOfLine},
        {K::MoveToStartOfDocument, K::SelectStartOfDocument},
        {K::MoveToEndOfDocument, K::SelectEndOfDocument},
    };
    for (const Move &m : moves) {
        const bool extend = event->matches(m.select);
        if (!extend && !event->matches(m.move))
            continue;
        const bool vertical = m.move == K::MoveToNextLine || m.move == K::MoveToPreviousLine
            || m.move == K::MoveToNextPage || m.move == K::MoveToPreviousPage;
        const qsizetype to = target(m.move);
        if (m.move == K::MoveToNextPage || m.move == K::MoveToPreviousPage)
            setTop(m_top + (m.move == K::MoveToNextPage ? page : -page));
        moveCaret(to, extend);
        if (!vertical)
            m_preferredX = -1;
        return true;
    }
    return false;
}

bool TextPane::handleEditing(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Undo))
        undo();
    else if (event->matches(QKeySequence::Redo))
        redo();
    else if (event->matches(QKeySequence::Cut))
        cut();
    else if (event->matches(QKeySequence::Paste))
        paste();
    else if (m_readOnly)
        return false;
    else if (event->matches(QKeySequence::Delete))
        deleteSelectionOr(m_caret, nextCharacter(m_caret));
    else if (event->matches(QKeySequence::DeleteEndOfWord))
        deleteSelectionOr(m_caret, nextWord(m_caret));
    else if (event->matches(QKeySequence::DeleteStartOfWord))
        deleteSelectionOr(previousWord(m_caret), m_caret);
    else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier))
        deleteSelectionOr(previousCharacter(m_caret), m_caret);
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        insertTyped(m_plainLineBreaks ? QStringLiteral("\n") : QStringLiteral("\r\n"));
    else if (event->key() == Qt::Key_Tab && !(event->modifiers() & ~Qt::KeypadModifier))
        insertTyped(QStringLiteral("\t"), EditKind::Typing);
    else if (!event->text().isEmpty() && event->text().front().isPrint()
             && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        insertTyped(event->text(), EditKind::Typing);
    else
        return false;
    return true;
}

void TextPane::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy) || (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier))
        copy();
    else if (event->matches(QKeySequence::SelectAll))
        selectAll();
    else if (!handleMovement(event) && !handleEditing(event)) {
        event->ignore();
        return;
    }
    event->accept();
}

// Keys the pane uses itself are not taken by shortcuts of the window.
bool TextPane::isShortcutWeTake(QKeyEvent *event) const
{
    static const QKeySequence::StandardKey taken[] = {
        QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::SelectAll,
        QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Delete,
        QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord,
        QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument,
        QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
        QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument,
        QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord};
    for (QKeySequence::StandardKey key : taken) {
        if (event->matches(key))
            return true;
    }
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    return !m_readOnly && plain && !event->text().isEmpty() && event->text().front().isPrint();
}

bool TextPane::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && isShortcutWeTake(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

// Tab is typed into an editable pane rather than moving the focus.
bool TextPane::focusNextPrevChild(bool next)
{
    if (!m_readOnly)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

// --- Input methods ---------------------------------------------------------

void TextPane::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_readOnly) {
        event->ignore();
        return;
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        if (event->replacementLength() > 0 && selLength() == 0) {
            const qsizetype from = std::clamp<qsizetype>(m_caret + event->replacementStart(), 0, length());
            select(from, event->replacementLength());
        }
        insertTyped(event->commitString());
    }
    m_preedit = event->preeditString();
    m_preeditCursor = int(m_preedit.size());
    for (const QInputMethodEvent::Attribute &a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor)
            m_preeditCursor = a.start;
    }
    repaintSoon();
    event->accept();
}

QVariant TextPane::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const PaneLines::Line line = m_history.line(m_history.lineOf(m_caret));
    switch (query) {
    case Qt::ImEnabled: return !m_readOnly;
    case Qt::ImCursorRectangle: return cursorRect(m_caret).translated(viewport()->geometry().topLeft());
    case Qt::ImFont: return font();
    case Qt::ImHints: return int(Qt::ImhMultiLine);
    case Qt::ImCursorPosition: return int(std::min(m_caret, line.contentEnd) - line.start);
    case Qt::ImAnchorPosition:
        return int(std::clamp(m_anchor, line.start, line.contentEnd) - line.start);
    case Qt::ImSurroundingText: return m_history.mid(line.start, line.contentEnd - line.start);
    case Qt::ImCurrentSelection: return selText();
    case Qt::ImAbsolutePosition: return qlonglong(m_caret);
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// --- Layout and painting ---------------------------------------------------

// Lays out the line `index` as it is shown: its characters and colours.
void TextPane::layoutLine(QTextLayout &layout, qsizetype index) const
{
    const PaneLines::Line line = m_history.line(index);
    QString shownText = m_history.mid(line.start, line.contentEnd - line.start);
    for (QChar &c : shownText)
        c = shown(c);
    layout.setText(shownText);
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(kTabStop);
    layout.setTextOption(option);
    QList<QTextLayout::FormatRange> formats;
    for (const PaneColours::Run &run : shownColours(line.start, line.contentEnd)) {
        QTextLayout::FormatRange range;
        range.start = int(run.from - line.start);
        range.length = int(run.to - run.from);
        range.format.setForeground(run.colour);
        formats << range;
    }
    layout.setFormats(formats);
    if (hasFocus() && !m_preedit.isEmpty() && m_history.lineOf(m_caret) == index)
        layout.setPreeditArea(int(std::min(m_caret, line.contentEnd) - line.start), m_preedit);
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    textLine.setPosition(QPointF(0, 0));
    layout.endLayout();
}

// Pixels from the top of the view; a line far out of view is placed as far
// as a screen can use, so the sum stays in int.
int TextPane::lineTop(qsizetype line) const
{
    constexpr qsizetype kFar = 1 << 20;
    return kMargin + int(std::clamp(line - m_top, -kFar, kFar)) * m_lineHeight;
}

void TextPane::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    const qsizetype selFrom = selStart();
    const qsizetype selTo = selFrom + selLength();
    const qsizetype caretLine = m_history.lineOf(m_caret);
    const bool caretShown = hasFocus() && !m_readOnly && m_caretShown;
    const QPalette &colours = palette();
    painter.setPen(colours.color(QPalette::Text));

    for (qsizetype i = m_top; i < m_history.count(); ++i) {
        const int top = lineTop(i);
        if (top > area.bottom())
            break;
        if (top + m_lineHeight < area.top())
            continue;
        const PaneLines::Line line = m_history.line(i);
        QTextLayout layout;
        layoutLine(layout, i);
        QList<QTextLayout::FormatRange> selections;
        if (selTo > line.start && selFrom < line.end && selFrom != selTo) {
            QTextLayout::FormatRange selected;
            selected.start = int(std::max(selFrom, line.start) - line.start);
            selected.length = int(std::min(selTo, line.contentEnd) - line.start) - selected.start;
            selected.format.setBackground(colours.brush(QPalette::Highlight));
            selected.format.setForeground(colours.brush(QPalette::HighlightedText));
            selections << selected;
        }
        const QPointF origin(kMargin, top);
        layout.draw(&painter, origin, selections);
        // A selected line break shows as a little room after its line.
        if (selTo > line.contentEnd && selFrom <= line.contentEnd && line.end > line.contentEnd && selFrom != selTo) {
            const qreal x = kMargin + layout.lineAt(0).naturalTextWidth();
            painter.fillRect(QRectF(x, top, m_lineHeight / 3.0, m_lineHeight), colours.brush(QPalette::Highlight));
        }
        if (caretShown && i == caretLine) {
            const int column = int(std::min(m_caret, line.contentEnd) - line.start);
            layout.drawCursor(&painter, origin, m_preedit.isEmpty() ? column : column + m_preeditCursor, kCaretWidth);
        }
        if (i == m_history.lineOf(m_dropCaret) && m_dropCaret >= 0)
            layout.drawCursor(&painter, origin, int(std::min(m_dropCaret, line.contentEnd) - line.start), kCaretWidth);
    }
}

qreal TextPane::xOf(qsizetype position) const
{
    const qsizetype index = m_history.lineOf(position);
    const PaneLines::Line line = m_history.line(index);
    QTextLayout layout;
    layoutLine(layout, index);
    return layout.lineAt(0).cursorToX(int(std::min(position, line.contentEnd) - line.start));
}

// The position nearest to `x` pixels from the left of the text on a line.
qsizetype TextPane::positionAt(qsizetype index, qreal x) const
{
    const PaneLines::Line line = m_history.line(index);
    QTextLayout layout;
    layoutLine(layout, index);
    const int column = layout.lineAt(0).xToCursor(x);
    return std::min(line.start + column, line.contentEnd);
}

qsizetype TextPane::positionAt(const QPoint &point) const
{
    const qsizetype offset = point.y() < kMargin ? -1 : (point.y() - kMargin) / m_lineHeight;
    const qsizetype index = std::clamp<qsizetype>(m_top + offset, 0, m_history.count() - 1);
    return positionAt(index, point.x() - kMargin);
}

QRect TextPane::cursorRect(qsizetype position) const
{
    position = std::clamp<qsizetype>(position, 0, length());
    const int top = lineTop(m_history.lineOf(position));
    const int x = kMargin + int(xOf(position));
    return QRect(x, top, kCaretWidth, m_lineHeight);
}

qsizetype TextPane::linesPerPage() const
{
    return std::max(1, (viewport()->height() - kMargin) / m_lineHeight);
}

void TextPane::ensureVisible(qsizetype position)
{
    const qsizetype line = m_history.lineOf(position);
    if (line < m_top)
        setTop(line);
    else if (line >= m_top + linesPerPage())
        setTop(line - linesPerPage() + 1);
}

void TextPane::showEnd()
{
    m_anchor = m_caret = length();
    setTop(m_history.count() - linesPerPage());
}

// A read-only pane, and a caret at the end, follow the data.
bool TextPane::followsEnd() const
{
    return m_readOnly || (m_anchor == m_caret && m_caret == length());
}

void TextPane::setTop(qsizetype line)
{
    const qsizetype last = std::max<qsizetype>(m_history.count() - linesPerPage(), 0);
    line = std::clamp<qsizetype>(line, 0, last);
    if (line != m_top) {
        m_top = line;
        repaintSoon();
    }
    syncScrollBar();
}

void TextPane::syncScrollBar()
{
    const qsizetype lines = m_history.count();
    const qsizetype last = std::max<qsizetype>(lines - linesPerPage(), 0);
    m_top = std::min(m_top, last);
    m_settingScrollBar = true;
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, PaneLines::scrollStep(last, lines));
    bar->setPageStep(int(std::min<qsizetype>(linesPerPage(), INT_MAX)));
    bar->setSingleStep(1);
    bar->setValue(m_top == last ? bar->maximum() : PaneLines::scrollStep(m_top, lines));
    m_settingScrollBar = false;
}

void TextPane::scrollContentsBy(int, int)
{
    // Scrolling goes through the scroll bar's value (setTop), not here.
}

// The first change in a frame is shown at once; later ones together at the
// frame's end.
void TextPane::repaintSoon()
{
    if (m_frameTimer->isActive())
        m_repaintPending = true;
    else
        showChanges();
}

void TextPane::showChanges()
{
    m_repaintPending = false;
    verticalScrollBar()->setUpdatesEnabled(true);
    viewport()->update();
    m_frameTimer->start();
}

void TextPane::restartBlinking()
{
    m_caretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && !m_readOnly && flash >= 2)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void TextPane::measureFont()
{
    const QFontMetricsF metrics(font());
    m_widths = CharWidths([metrics](char32_t c) {
        if (c == u'\t')
            return units(kTabStop);
        const QChar single(char16_t(c < 0x10000 ? c : 0));
        const QString glyph = c < 0x10000 ? QString(shown(single)) : QString::fromUcs4(&c, 1);
        return units(metrics.horizontalAdvance(glyph));
    });
    m_digitWidth = m_widths.of(u"0", 0);
    QTextLayout sample(QStringLiteral("Ag中😀"), font());
    sample.beginLayout();
    const QTextLine line = sample.createLine();
    sample.endLayout();
    m_lineHeight = std::max(1, int(std::ceil(std::max(line.height(), metrics.lineSpacing()))));
}

// The width the lines fill, in 1/64 pixel.
int TextPane::fittingLineWidth() const
{
    const int pixels = viewport()->width() - 2 * kMargin - kCaretWidth - 1;
    return std::max(units(pixels), kMinColumns * m_digitWidth);
}

void TextPane::rewrap()
{
    const qsizetype topPosition = m_history.startOf(m_top);
    const bool follow = followsEnd();
    m_history.rewrap(fittingLineWidth());
    m_top = m_history.lineOf(topPosition);
    if (follow)
        setTop(m_history.count() - linesPerPage());
    syncScrollBar();
    repaintSoon();
}

void TextPane::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    syncScrollBar();
    if (fittingLineWidth() != m_history.lineWidth())
        m_rewrapTimer->start();
}

void TextPane::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measureFont();
        m_history.rewrap(fittingLineWidth());
        syncScrollBar();
        repaintSoon();
    }
}

void TextPane::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlinking();
    repaintSoon();
}

void TextPane::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    repaintSoon();
}

void TextPane::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretShown = !m_caretShown;
        viewport()->update(cursorRect(m_caret).adjusted(-1, 0, 1, 0));
    } else if (event->timerId() == m_autoScroll.timerId()) {
        autoScroll();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

// --- Mouse, drag and drop, context menu ------------------------------------

void TextPane::mousePressEvent(QMouseEvent *event)
{
    m_mousePoint = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        const QClipboard *clipboard = QGuiApplication::clipboard();
        if (!m_readOnly && clipboard->supportsSelection()) {
            moveCaret(positionAt(m_mousePoint), false);
            insertTyped(clipboard->text(QClipboard::Selection));
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const qsizetype at = positionAt(m_mousePoint);
    m_pressPoint = m_mousePoint;
    m_preferredX = -1;
    if (event->modifiers() & Qt::ShiftModifier) {
        moveCaret(at, true);
        m_selecting = true;
    } else if (selLength() > 0 && at >= selStart() && at < selStart() + selLength()) {
        m_mayDrag = true;
    } else {
        moveCaret(at, false);
        m_selecting = true;
    }
}

void TextPane::mouseMoveEvent(QMouseEvent *event)
{
    m_mousePoint = event->position().toPoint();
    if (m_mayDrag && (m_mousePoint - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
        m_mayDrag = false;
        startDrag();
        return;
    }
    if (!m_selecting)
        return;
    if (viewport()->rect().contains(m_mousePoint)) {
        m_autoScroll.stop();
        moveCaret(positionAt(m_mousePoint), true);
    } else if (!m_autoScroll.isActive()) {
        m_autoScroll.start(50, this);
    }
}

// While a selection is dragged out of the view, the view follows.
void TextPane::autoScroll()
{
    if (!m_selecting) {
        m_autoScroll.stop();
        return;
    }
    const int height = viewport()->height();
    if (m_mousePoint.y() < 0)
        setTop(m_top - 1 - (-m_mousePoint.y()) / m_lineHeight);
    else if (m_mousePoint.y() > height)
        setTop(m_top + 1 + (m_mousePoint.y() - height) / m_lineHeight);
    m_caret = positionAt(QPoint(m_mousePoint.x(), std::clamp(m_mousePoint.y(), 0, height - 1)));
    repaintSoon();
}

void TextPane::mouseReleaseEvent(QMouseEvent *event)
{
    m_autoScroll.stop();
    if (m_mayDrag) {
        // A click inside the selection, not a drag: the caret goes there.
        m_mayDrag = false;
        moveCaret(positionAt(event->position().toPoint()), false);
    }
    if (m_selecting && selLength() > 0) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection())
            clipboard->setText(selText(), QClipboard::Selection);
    }
    m_selecting = false;
    emit mouseReleased();
}

void TextPane::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const qsizetype at = positionAt(event->position().toPoint());
        m_anchor = wordStart(at);
        m_caret = wordEnd(at);
        m_selecting = false;
        repaintSoon();
    }
    emit doubleClicked();
}

void TextPane::startDrag()
{
    auto *drag = new QDrag(this);
    drag->setMimeData(selectionMime());
    m_droppedOnSelf = false;
    const Qt::DropActions actions = m_readOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction;
    const Qt::DropAction done = drag->exec(actions, Qt::CopyAction);
    if (done == Qt::MoveAction && !m_droppedOnSelf && !m_readOnly)
        edit(selStart(), selStart() + selLength(), QString());
}

void TextPane::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_readOnly || !event->mimeData()->hasText())
        return;
    event->acceptProposedAction();
}

void TextPane::dragMoveEvent(QDragMoveEvent *event)
{
    if (m_readOnly || !event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    m_dropCaret = positionAt(event->position().toPoint());
    repaintSoon();
    event->acceptProposedAction();
}

void TextPane::dragLeaveEvent(QDragLeaveEvent *)
{
    m_dropCaret = -1;
    repaintSoon();
}

void TextPane::dropEvent(QDropEvent *event)
{
    m_dropCaret = -1;
    if (m_readOnly || !event->mimeData()->hasText())
        return;
    qsizetype at = positionAt(event->position().toPoint());
    const bool fromHere = event->source() == this;
    if (fromHere && at >= selStart() && at <= selStart() + selLength()) {
        event->ignore(); // dropped onto itself: nothing moves
        repaintSoon();
        return;
    }
    if (fromHere && event->dropAction() == Qt::MoveAction) {
        const qsizetype from = selStart(), length = selLength();
        m_droppedOnSelf = true;
        edit(from, from + length, QString());
        if (at > from)
            at -= length;
    }
    select(at, 0);
    insertTyped(event->mimeData()->text());
    select(at, m_caret - at);
    event->acceptProposedAction();
}

QMenu *TextPane::contextMenu()
{
    auto *menu = new QMenu(this);
    const bool selected = selLength() > 0;
    const auto add = [menu](const QString &text, const QKeySequence &keys, bool enabled, auto action) {
        QAction *item = menu->addAction(text, action);
        item->setShortcut(keys);
        item->setEnabled(enabled);
    };
    if (m_undoEnabled) {
        add(QStringLiteral("撤销(&U)"), QKeySequence::Undo, !m_readOnly && !m_undo.empty(), [this] { undo(); });
        add(QStringLiteral("重做(&R)"), QKeySequence::Redo, !m_readOnly && !m_redo.empty(), [this] { redo(); });
        menu->addSeparator();
    }
    add(QStringLiteral("剪切(&T)"), QKeySequence::Cut, !m_readOnly && selected, [this] { cut(); });
    add(QStringLiteral("复制(&C)"), QKeySequence::Copy, selected, [this] { copy(); });
    add(QStringLiteral("粘贴(&P)"), QKeySequence::Paste,
        !m_readOnly && !QGuiApplication::clipboard()->text().isEmpty(), [this] { paste(); });
    add(QStringLiteral("删除"), QKeySequence(), !m_readOnly && selected,
        [this] { edit(selStart(), selStart() + selLength(), QString()); });
    menu->addSeparator();
    add(QStringLiteral("全选(&A)"), QKeySequence::SelectAll, length() > 0, [this] { selectAll(); });
    return menu;
}

void TextPane::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = contextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
