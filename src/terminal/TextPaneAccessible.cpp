// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/TextPaneAccessible.h"

#include "terminal/TextPane.h"

#include <QScrollBar>
#include <climits>

namespace {

int toInt(qsizetype position)
{
    return int(std::min<qsizetype>(position, INT_MAX));
}

QString rgb(const QColor &colour)
{
    return QStringLiteral("%1,%2,%3").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

// The colours as AT-SPI names them, and as IAccessible2 does: Qt's bridge to
// AT-SPI reads the latter (color:rgb(R,G,B) gives fg-color R,G,B) and passes
// on no name it does not know.
QString colourAttributes(const QColor &text, const QColor &back)
{
    return QStringLiteral("fg-color:%1;bg-color:%2;color:rgb(%1);background-color:rgb(%2);")
        .arg(rgb(text), rgb(back));
}

QAccessibleInterface *factory(const QString &, QObject *object)
{
    if (auto *pane = qobject_cast<TextPane *>(object))
        return new TextPaneAccessible(pane);
    return nullptr;
}

} // namespace

TextPaneAccessible::TextPaneAccessible(TextPane *pane) : QAccessibleWidget(pane, QAccessible::EditableText)
{
}

void TextPaneAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

TextPane *TextPaneAccessible::pane() const
{
    return static_cast<TextPane *>(widget());
}

qsizetype TextPaneAccessible::position(int offset) const
{
    return offset == INT_MAX ? pane()->length() : offset;
}

QString TextPaneAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value) {
        // A long text is told as the part around the caret.
        const qsizetype length = pane()->length(), most = TextPane::kMostToldChars;
        const qsizetype from = std::clamp<qsizetype>(pane()->selStart() - most / 2, 0, std::max<qsizetype>(length - most, 0));
        return pane()->history().mid(from, most);
    }
    return QAccessibleWidget::text(kind);
}

void TextPaneAccessible::setText(QAccessible::Text kind, const QString &text)
{
    if (kind == QAccessible::Value)
        pane()->editAsUser(0, pane()->length(), text);
    else
        QAccessibleWidget::setText(kind, text);
}

QAccessible::State TextPaneAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.multiLine = true;
    state.readOnly = pane()->isReadOnlyForUser();
    state.editable = !pane()->isReadOnlyForUser();
    state.selectableText = true;
    return state;
}

void *TextPaneAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void TextPaneAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || pane()->selLength() == 0)
        return;
    *startOffset = toInt(pane()->selStart());
    *endOffset = toInt(pane()->selStart() + pane()->selLength());
}

int TextPaneAccessible::selectionCount() const
{
    return pane()->selLength() > 0 ? 1 : 0;
}

void TextPaneAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TextPaneAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        pane()->select(pane()->selStart(), 0);
}

void TextPaneAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        pane()->select(startOffset, endOffset - startOffset);
}

int TextPaneAccessible::cursorPosition() const
{
    return toInt(pane()->selStart() + pane()->selLength());
}

void TextPaneAccessible::setCursorPosition(int position)
{
    pane()->setSelStart(position);
}

QString TextPaneAccessible::text(int startOffset, int endOffset) const
{
    return pane()->history().mid(startOffset, std::min<qsizetype>(endOffset - startOffset, TextPane::kMostToldChars));
}

// Qt's own answers read the whole text: a long one is read by its lines
// (and characters) instead, the part of it a reader asks for.
QString TextPaneAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                                         int *endOffset) const
{
    if (pane()->length() <= TextPane::kMostToldChars)
        return QAccessibleTextInterface::textAtOffset(offset, boundary, startOffset, endOffset);
    return partAt(position(offset), boundary, startOffset, endOffset);
}

QString TextPaneAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                                             int *endOffset) const
{
    if (pane()->length() <= TextPane::kMostToldChars)
        return QAccessibleTextInterface::textBeforeOffset(offset, boundary, startOffset, endOffset);
    return partAt(boundsAt(position(offset), boundary).first - 1, boundary, startOffset, endOffset);
}

QString TextPaneAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                                            int *endOffset) const
{
    if (pane()->length() <= TextPane::kMostToldChars)
        return QAccessibleTextInterface::textAfterOffset(offset, boundary, startOffset, endOffset);
    return partAt(boundsAt(position(offset), boundary).second, boundary, startOffset, endOffset);
}

// Where the character, or the shown line, at a position lies; outside the
// text an empty range at its nearer end.
std::pair<qsizetype, qsizetype> TextPaneAccessible::boundsAt(qsizetype at, QAccessible::TextBoundaryType boundary) const
{
    const PaneHistory &history = pane()->history();
    if (at < 0 || at >= history.length()) {
        const qsizetype end = std::clamp<qsizetype>(at, 0, history.length());
        return {end, end};
    }
    if (boundary == QAccessible::CharBoundary)
        return {at, at + 1};
    const PaneLines::Line line = history.line(history.lineOf(at));
    return {line.start, line.end};
}

// The character, or the shown line, at a position; nothing outside the text.
QString TextPaneAccessible::partAt(qsizetype at, QAccessible::TextBoundaryType boundary, int *startOffset,
                                   int *endOffset) const
{
    const auto [from, to] = boundsAt(at, boundary);
    *startOffset = toInt(from);
    *endOffset = toInt(to);
    return pane()->history().mid(from, to - from);
}

int TextPaneAccessible::characterCount() const
{
    return toInt(pane()->length());
}

QRect TextPaneAccessible::characterRect(int offset) const
{
    const QRect caret = pane()->cursorRect(offset);
    const QRect next = pane()->cursorRect(offset + 1);
    const int width = next.top() == caret.top() ? std::max(next.left() - caret.left(), 1) : 1;
    return QRect(pane()->viewport()->mapToGlobal(caret.topLeft()), QSize(width, caret.height()));
}

int TextPaneAccessible::offsetAtPoint(const QPoint &point) const
{
    return toInt(pane()->positionAt(pane()->viewport()->mapFromGlobal(point)));
}

void TextPaneAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    pane()->select(startIndex, endIndex - startIndex);
}

QString TextPaneAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    // At the end of the text, where a reader asks at the caret: the last
    // character's.
    qsizetype at = position(offset);
    if (at == pane()->length())
        --at;
    if (at < 0 || at >= pane()->length()) {
        *startOffset = *endOffset = offset;
        return QString();
    }
    const PaneColours::Run run = pane()->colourRunAt(at);
    *startOffset = toInt(run.from);
    *endOffset = toInt(run.to);
    const QColor text = run.colour.isValid() ? run.colour : pane()->palette().color(QPalette::Text);
    return colourAttributes(text, pane()->backColor());
}

void TextPaneAccessible::deleteText(int startOffset, int endOffset)
{
    pane()->editAsUser(position(startOffset), position(endOffset), QString());
}

// Inserted text joins what was typed before it, as typed characters do.
void TextPaneAccessible::insertText(int offset, const QString &text)
{
    pane()->editAsUser(position(offset), position(offset), text, TextPane::EditKind::Typing);
}

void TextPaneAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    pane()->editAsUser(position(startOffset), position(endOffset), text);
}
