// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A text box for long texts: it keeps its text, lines, colours and notes in
// a PaneHistory and lays out only the lines on screen, so loading,
// appending, scrolling and colouring cost the same at any length; with a
// resident limit, the history keeps its older part on disk and the pane's
// memory stays flat (that older part is then read-only). It offers
// what the send box and the receive pane use: typing, selection with the
// keyboard and the mouse, the clipboard, drag and drop, input methods, an
// undo history, a context menu, colours and search.
//
// Positions are 0-based character positions in text(), 64 bits wide. Copy,
// drag and the accessibility text give exactly the text: a line that ends
// on screen because it is full adds nothing. None of them builds a long
// text whole: a selection too long for the clipboard is offered to be saved
// instead, and assistive technology reads a long text in parts.

#include "terminal/PaneHistory.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>

class QMenu;
class QMimeData;
class QTextLayout;
class QTimer;

class TextPane : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TextPane(QWidget *parent = nullptr);
    ~TextPane() override;

    // A selection longer than mostCopiedChars() is not put on the clipboard
    // nor dragged: copyTooLarge() is emitted instead. 100 MiB characters
    // unless set.
    static constexpr qsizetype kMostCopiedChars = qsizetype(100) * 1024 * 1024;
    qsizetype mostCopiedChars() const { return m_mostCopied; }
    void setMostCopiedChars(qsizetype chars) { m_mostCopied = chars; }
    // Input methods and assistive technology are told at most this much
    // text at a time.
    static constexpr qsizetype kMostToldChars = qsizetype(1) << 16;

    // The whole content, as one string: for short texts only (tests, the
    // send box); the history, or a PaneTextStream, reads a long one.
    QString text() const { return m_history.mid(0, m_history.length()); }
    qsizetype length() const { return m_history.length(); }
    // Keeps about `chars` characters in memory and the older text in a
    // file in `folder` (empty: the user's cache folder); 0 keeps all.
    void setResidentLimit(qsizetype chars, const QString &folder = QString());
    // Replaces the whole content; all colouring and the undo history are lost.
    void setText(const QString &text);
    // Adds text at the end, as setText(text() + more) would but without
    // touching what is there: its colours stay, the new text has none. A
    // read-only pane, and a pane whose caret is at the end with nothing
    // selected, show the end afterwards; otherwise selection and view stay.
    // Each of `notes`, placed within `more`, is a note (text that is not
    // data, see PaneNotes) in the run's colour.
    void append(const QString &more, const std::vector<PaneColours::Run> &notes = {});
    // Puts text in front of the content as the program's own edit: colours,
    // notes and the selection stay with their text; the undo history is
    // lost. False, and nothing changes, when the start is kept on disk
    // (read-only).
    bool prepend(const QString &text);
    // Adds a note at the end, in the given colour.
    void appendNote(const QString &note, const QColor &colour);
    // The text, its lines, colours and notes (setText() drops the notes, an
    // edit moves them).
    const PaneHistory &history() const { return m_history; }
    // The selected text without the notes in it.
    QString selData() const;

    // The selection, or the caret when the length is 0. Setting the start
    // (clamped to 0..length()) leaves the caret there with nothing selected
    // and scrolls it into view; the length counts from the start.
    qsizetype selStart() const;
    void setSelStart(qsizetype start);
    qsizetype selLength() const;
    void setSelLength(qsizetype length);
    QString selText() const;
    // Selects [start, start + length), clamped, and scrolls it into view.
    void select(qsizetype start, qsizetype length);

    // The text colour of the selected characters.
    void setSelColor(const QColor &color);
    // The text colour of the characters [from, to), clamped; an invalid
    // colour gives them the pane's own. The selection stays as it is.
    void colourRange(qsizetype from, qsizetype to, const QColor &color);
    // Colours many ranges in one step: in order, not overlapping, and
    // within the text.
    void colourRuns(const std::vector<PaneColours::Run> &runs);
    // The text colour of one character; invalid for the pane's own.
    QColor colourAt(qsizetype position) const;
    // The characters around a position (within the text) that share its
    // text colour, and that colour (invalid for the pane's own).
    PaneColours::Run colourRunAt(qsizetype position) const;

    // The index of the first match of `what` at or after `start`, letters
    // compared without regard to case; the match becomes the selection.
    // -1 when there is none, or when `what` is empty.
    qsizetype find(const QString &what, qsizetype start = 0);

    QColor backColor() const;
    void setBackColor(const QColor &color);

    // When on, the user cannot change the text; the program still can.
    bool isReadOnlyForUser() const { return m_readOnly; }
    void setReadOnlyForUser(bool readOnly);

    // Line breaks as a plain text box has them: Enter types LF, and every
    // CR LF or CR written or pasted becomes LF. Off (the default), the text
    // keeps the line breaks written to it and Enter types CR LF.
    void setPlainLineBreaks(bool plain) { m_plainLineBreaks = plain; }
    // Keeps the user's edits since the last setText() for undo and redo.
    void setUndoEnabled(bool enabled);

    // The first line shown, and how many fit the view.
    qsizetype topLine() const { return m_top; }
    qsizetype linesPerPage() const;

    // The caret's rectangle at a position, and the position nearest to a
    // point, in the coordinates of the viewport.
    QRect cursorRect(qsizetype position) const;
    qsizetype positionAt(const QPoint &point) const;

    // The clipboard actions, as the keys and the context menu run them.
    void copy();
    void cut();
    void paste();
    void selectAll();
    void undo();
    void redo();

signals:
    // After every change of the content, the program's own writes included.
    void changed();
    // Just before the content changes other than by append(), or by an
    // append that may drop old text: text() still holds the old content.
    void aboutToRewrite();
    // Before changed(), when the content changed other than by append(): what
    // was read from it before (positions, colours) no longer holds.
    void rewritten();
    void doubleClicked();
    // A copy or cut of a selection longer than kMostCopiedChars was asked
    // for: nothing went to the clipboard.
    void copyTooLarge();
    // The user tried to change text that is kept on disk.
    void oldPartReadOnly();
    // The mouse button was released; the selection is readable.
    void mouseReleased();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class TextPaneAccessible;

    struct Edit
    {
        qsizetype at;
        QString removed;
        QString inserted;
        qsizetype anchorBefore;
        qsizetype caretBefore;
        bool typing; // typed characters; the next ones join it
    };
    enum class EditKind { Typing, Other, History };

    // Changing the text.
    QString typedForm(QString text) const;
    void edit(qsizetype from, qsizetype to, const QString &insert, EditKind kind = EditKind::Other);
    // The user's edit of [from, to), typed, pasted, dropped or made through
    // assistive technology: refused by a read-only pane (false); the text
    // takes the pane's line breaks.
    bool editAsUser(qsizetype from, qsizetype to, const QString &text, EditKind kind = EditKind::Other);
    void insertTyped(const QString &text, EditKind kind = EditKind::Other);
    void deleteSelectionOr(qsizetype from, qsizetype to);
    void applyHistory(std::vector<Edit> &from, std::vector<Edit> &to, bool undoing);

    // Moving the caret.
    void moveCaret(qsizetype position, bool keepAnchor);
    qsizetype nextCharacter(qsizetype position) const;
    qsizetype previousCharacter(qsizetype position) const;
    qsizetype nextWord(qsizetype position) const;
    qsizetype previousWord(qsizetype position) const;
    qsizetype wordStart(qsizetype position) const;
    qsizetype wordEnd(qsizetype position) const;
    qsizetype lineMove(qsizetype position, qsizetype lines);
    bool handleMovement(QKeyEvent *event);
    bool handleEditing(QKeyEvent *event);
    bool isShortcutWeTake(QKeyEvent *event) const;

    // Showing the text.
    // The coloured runs of [from, to): the notes' colours, with the
    // colouring given since on top.
    std::vector<PaneColours::Run> shownColours(qsizetype from, qsizetype to) const;
    void layoutLine(QTextLayout &layout, qsizetype index) const;
    qreal xOf(qsizetype position) const;
    qsizetype positionAt(qsizetype line, qreal x) const;
    int lineTop(qsizetype line) const;
    void ensureVisible(qsizetype position);
    void showEnd();
    bool followsEnd() const;
    void setTop(qsizetype line);
    void syncScrollBar();
    void repaintSoon();
    void showChanges();
    void restartBlinking();
    void measureFont();
    int fittingLineWidth() const;
    void rewrap();
    void followShift();
    void tellArchiveProblem();

    // The mouse.
    void startDrag();
    void autoScroll();
    QMenu *contextMenu();
    QMimeData *selectionMime() const;

    CharWidths m_widths;
    PaneHistory m_history{m_widths};
    bool m_toldArchiveProblem = false;
    qsizetype m_mostCopied = kMostCopiedChars;
    qsizetype m_anchor = 0;
    qsizetype m_caret = 0;
    qsizetype m_top = 0;
    qreal m_preferredX = -1; // kept while moving up and down
    int m_lineHeight = 1;
    int m_digitWidth = 1; // of "0", in the unit of the widths
    bool m_readOnly = false;
    bool m_plainLineBreaks = false;
    bool m_settingScrollBar = false;

    // The frame limit: one repaint (and scroll bar update), then at most one
    // more per frame.
    QTimer *m_frameTimer;
    bool m_repaintPending = false;
    QTimer *m_rewrapTimer;

    QBasicTimer m_blink;
    bool m_caretShown = true;
    QString m_preedit;
    int m_preeditCursor = 0;

    bool m_undoEnabled = false;
    std::vector<Edit> m_undo;
    std::vector<Edit> m_redo;

    // Mouse state: selecting, or a press inside the selection that may
    // start a drag; the drop position while something is dragged over.
    bool m_selecting = false;
    bool m_mayDrag = false;
    bool m_droppedOnSelf = false;
    QPoint m_pressPoint;
    QPoint m_mousePoint;
    QBasicTimer m_autoScroll;
    qsizetype m_dropCaret = -1;
};
