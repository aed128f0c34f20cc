// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What assistive technology reads of a text pane: its exact text (a line
// that ends on screen because it is full adds nothing), the caret, the
// selection and each character's text and background colour; and how it
// edits the pane: as the user's typing does, so a read-only pane refuses,
// the edit can be undone and the pane's line breaks apply. The interface
// counts in int; positions past its range read as its largest value, and
// that value stands for the end of the text. A long text is told in parts:
// the value is the part around the caret, and a reader asking for its lines
// gets each of the pane's lines.

#include <QAccessibleWidget>
#include <utility>

class TextPane;

class TextPaneAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface
{
public:
    explicit TextPaneAccessible(TextPane *pane);

    // Makes text panes answer with this interface (once per program).
    static void install();

    QString text(QAccessible::Text kind) const override;
    // Writing the value replaces the whole text, as the user's edit.
    void setText(QAccessible::Text kind, const QString &text) override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    // At most TextPane::kMostToldChars characters.
    QString text(int startOffset, int endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                         int *endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                             int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                            int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    // "fg-color:R,G,B;bg-color:R,G,B;" and the same in the names Qt's
    // bridges translate, for the run of one colour around the offset.
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

private:
    TextPane *pane() const;
    // A position of the text for an offset of the interface.
    qsizetype position(int offset) const;
    std::pair<qsizetype, qsizetype> boundsAt(qsizetype at, QAccessible::TextBoundaryType boundary) const;
    QString partAt(qsizetype at, QAccessible::TextBoundaryType boundary, int *startOffset, int *endOffset) const;
};
