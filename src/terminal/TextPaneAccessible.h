#pragma once
// What assistive technology reads of a text pane: its exact text (a line
// that ends on screen because it is full adds nothing), the caret and the
// selection. The interface counts in int; positions past its range read
// as its largest value.

#include <QAccessibleWidget>

class TextPane;

class TextPaneAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit TextPaneAccessible(TextPane *pane);

    // Makes text panes answer with this interface (once per program).
    static void install();

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    TextPane *pane() const;
};
