#pragma once
// The receive pane `Text2`: a text box that received data is appended to,
// with the operations the program uses on it. Positions are 0-based
// character positions in text().
//
// The pane shows its text in short paragraphs (see PaneBlockMap), so that
// appending costs the same however long the text is; text(), the selection
// and find() still see exactly the text that was written.

#include "terminal/PaneBlockMap.h"

#include <QColor>
#include <QElapsedTimer>
#include <QString>
#include <QWidget>

class QBrush;
class QTextCursor;
class QTimer;
class ReceivePaneView;

class ReceivePane : public QWidget
{
    Q_OBJECT
public:
    explicit ReceivePane(QWidget *parent = nullptr);
    ~ReceivePane() override;

    // The whole content as plain text.
    QString text() const;
    // Replaces the whole content; all colouring is lost.
    void setText(const QString &text);
    // Adds text at the end: the same text as setText(text() + more), without
    // rewriting what is there and keeping its colours. A read-only pane, and
    // a pane whose caret is at the end, show the end afterwards.
    void append(const QString &more);

    // The selection, or the caret when the length is 0. Setting the start
    // (clamped to 0..length of text) leaves the caret there with nothing
    // selected and scrolls it into view; the length counts from the start.
    qsizetype selStart() const;
    void setSelStart(qsizetype start);
    qsizetype selLength() const;
    void setSelLength(qsizetype length);
    QString selText() const;
    // Text colour of the selected characters.
    void setSelColor(const QColor &color);
    // The index of the first match of `what` at or after `start`, letters
    // compared without regard to case; the match becomes the selection.
    // -1 when there is none, or when `what` is empty.
    qsizetype find(const QString &what, qsizetype start = 0);

    // Writes the whole text in GBK to `path`, replacing the file; false when
    // it cannot be written.
    bool saveFile(const QString &path) const;

    QColor backColor() const;
    void setBackColor(const QColor &color);

    // When on, the user cannot type into the pane; the program still can.
    bool isReadOnlyForUser() const;
    void setReadOnlyForUser(bool readOnly);

    // setFocus() is QWidget's: the pane passes the focus to its text view.

signals:
    // After every change of the content, the program's own writes included.
    void changed();
    void doubleClicked();
    // The mouse button was released; the selection is readable.
    void mouseReleased();

private:
    friend class ReceivePaneView;

    // The selection the program set, in text positions, and the display
    // cursor that shows it: a display position cannot point into a CR LF.
    struct Selection
    {
        qsizetype start = 0;
        qsizetype length = 0;
        int anchor = -1;
        int position = -1;
    };

    void showWholeText();
    void colour(qsizetype from, qsizetype to, const QBrush &brush);
    void showSelection(qsizetype start, qsizetype length);
    bool programSelectionShown() const;
    QTextCursor endCursor() const;
    bool followsEnd() const;
    void showEnd();
    void throttlePainting();
    void onDisplayEdited(int position, int removed, int added);
    void onViewResized();
    void resplit();
    PaneBlockMap::Widths fittingWidths() const;

    ReceivePaneView *m_view;
    QTimer *m_resplitTimer;
    QTimer *m_paintTimer;
    QElapsedTimer m_paintInterval;
    QString m_text;
    PaneBlockMap m_map;
    Selection m_selection;
    bool m_writing = false; // the document is being changed by the pane itself
};
