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
    case Qt::ImCurrentSelection: return selLength() <= kMostToldChars ? selText() : QString();
    case Qt::ImAbsolutePosition: return qlonglong(m_caret);
    default: return QAbstractScrollArea::inputMethodQuery(query);
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
        if (selLength() <= m_mostCopied)
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
        if (clipboard->supportsSelection() && selLength() <= m_mostCopied)
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
