#include "terminal/ReceivePane.h"

#include "core/TextCodec.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// Bounds of a display line, in characters: narrow panes still get useful
// blocks, and a block never grows so long that appending to it is slow.
constexpr int kMinColumns = 16;
constexpr int kMaxColumns = 400;
// Character widths are kept in 1/64 pixel.
constexpr qreal kUnitsPerPixel = 64;
// A resize re-splits the display once it has settled.
constexpr int kResplitDelayMs = 100;
// Painting the pane takes about a millisecond: data arriving faster is
// painted at most once in this time.
constexpr int kPaintIntervalMs = 20;
} // namespace

// The text view inside the pane: passes its mouse and resize events on, and
// lets Backspace, Delete and the arrow keys cross a soft break as if it were
// not there.
class ReceivePaneView : public QPlainTextEdit
{
public:
    explicit ReceivePaneView(ReceivePane *owner) : QPlainTextEdit(owner), m_owner(owner) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        QPlainTextEdit::mouseDoubleClickEvent(event);
        emit m_owner->doubleClicked();
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QPlainTextEdit::mouseReleaseEvent(event);
        emit m_owner->mouseReleased();
    }
    void resizeEvent(QResizeEvent *event) override
    {
        QPlainTextEdit::resizeEvent(event);
        m_owner->onViewResized();
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        QTextCursor cursor = textCursor();
        const bool plainKey = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (!isReadOnly() && plainKey && !cursor.hasSelection()) {
            const int key = event->key();
            const PaneBlockMap &map = m_owner->m_map;
            if ((key == Qt::Key_Backspace || key == Qt::Key_Left) && cursor.atBlockStart()
                && map.endsSoftly(cursor.blockNumber() - 1)) {
                cursor.movePosition(QTextCursor::PreviousCharacter);
                setTextCursor(cursor);
            } else if ((key == Qt::Key_Delete || key == Qt::Key_Right) && cursor.atBlockEnd()
                       && map.endsSoftly(cursor.blockNumber())) {
                cursor.movePosition(QTextCursor::NextCharacter);
                setTextCursor(cursor);
            }
        }
        QPlainTextEdit::keyPressEvent(event);
    }

private:
    ReceivePane *m_owner;
};

ReceivePane::ReceivePane(QWidget *parent)
    : QWidget(parent),
      m_view(new ReceivePaneView(this)),
      m_resplitTimer(new QTimer(this)),
      m_paintTimer(new QTimer(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);

    QFont font(QStringLiteral("WenQuanYi Micro Hei Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(12);
    font.setBold(true);
    m_view->setFont(font);
    // Every append would otherwise stay in memory as an undo step.
    m_view->setUndoRedoEnabled(false);
    // The line width must not change when the text outgrows the pane.
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Received data is not dropped in; and a drag within the pane would be
    // one edit spanning both places, which the text could not follow.
    m_view->setAcceptDrops(false);

    PaneBlockMap::Widths widths = fittingWidths();
    widths.line = 80 * widths.narrow; // until the pane has its size
    m_map.setWidths(widths);

    m_resplitTimer->setObjectName(QStringLiteral("resplitTimer"));
    m_resplitTimer->setSingleShot(true);
    m_resplitTimer->setInterval(kResplitDelayMs);
    connect(m_resplitTimer, &QTimer::timeout, this, &ReceivePane::resplit);
    m_paintTimer->setSingleShot(true);
    connect(m_paintTimer, &QTimer::timeout, this, [this] {
        m_paintInterval.start();
        m_view->setUpdatesEnabled(true);
    });
    connect(m_view->document(), &QTextDocument::contentsChange, this, &ReceivePane::onDisplayEdited);
}

ReceivePane::~ReceivePane() = default;

QString ReceivePane::text() const
{
    return m_text;
}

void ReceivePane::setText(const QString &text)
{
    const bool follow = followsEnd();
    m_text = text;
    showWholeText();
    if (follow)
        showEnd();
    else
        showSelection(0, 0);
    emit changed();
}

void ReceivePane::append(const QString &more)
{
    if (more.isEmpty())
        return;
    throttlePainting();
    const bool follow = followsEnd();
    const bool keepSelection = !follow && programSelectionShown();

    const qsizetype from = m_text.size();
    m_text += more;
    const PaneBlockMap::DisplayTail tail = m_map.append(m_text, from);
    QTextCursor cursor = endCursor();
    cursor.setPosition(cursor.position() - int(tail.removeAtEnd), QTextCursor::KeepAnchor);
    m_writing = true;
    cursor.insertText(tail.insert, QTextCharFormat());
    m_writing = false;

    if (follow)
        showEnd();
    else if (keepSelection && !programSelectionShown())
        showSelection(m_selection.start, m_selection.length); // a word it touched moved to the next line
    emit changed();
}

qsizetype ReceivePane::selStart() const
{
    if (programSelectionShown())
        return m_selection.start;
    return m_map.toText(m_view->textCursor().selectionStart());
}

void ReceivePane::setSelStart(qsizetype start)
{
    showSelection(start, 0);
}

qsizetype ReceivePane::selLength() const
{
    if (programSelectionShown())
        return m_selection.length;
    const QTextCursor cursor = m_view->textCursor();
    return m_map.toText(cursor.selectionEnd()) - m_map.toText(cursor.selectionStart());
}

void ReceivePane::setSelLength(qsizetype length)
{
    showSelection(selStart(), length);
}

QString ReceivePane::selText() const
{
    return m_text.mid(selStart(), selLength());
}

void ReceivePane::setSelColor(const QColor &color)
{
    const qsizetype start = selStart();
    const qsizetype length = selLength();
    if (length > 0)
        colour(start, start + length, color);
}

qsizetype ReceivePane::find(const QString &what, qsizetype start)
{
    if (what.isEmpty() || start > m_text.size())
        return -1;
    const qsizetype at = m_text.indexOf(what, std::max<qsizetype>(start, 0), Qt::CaseInsensitive);
    if (at >= 0)
        showSelection(at, what.size());
    return at;
}

bool ReceivePane::saveFile(const QString &path) const
{
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = EncodeGbk(m_text);
    return file.write(bytes) == bytes.size() && file.commit();
}

QColor ReceivePane::backColor() const
{
    return m_view->palette().color(QPalette::Base);
}

void ReceivePane::setBackColor(const QColor &color)
{
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Base, color);
    m_view->setPalette(palette);
}

bool ReceivePane::isReadOnlyForUser() const
{
    return m_view->isReadOnly();
}

void ReceivePane::setReadOnlyForUser(bool readOnly)
{
    m_view->setReadOnly(readOnly);
}

// Rebuilds the display from the text, with no colours.
void ReceivePane::showWholeText()
{
    const QString display = m_map.reset(m_text);
    QTextDocument *document = m_view->document();
    m_writing = true;
    document->clear();
    QTextCursor(document).insertText(display, QTextCharFormat());
    m_writing = false;
    m_selection = Selection();
}

// Gives the text characters [from, to) the text colour `brush` on display.
void ReceivePane::colour(qsizetype from, qsizetype to, const QBrush &brush)
{
    QTextCursor cursor(m_view->document());
    cursor.setPosition(int(m_map.toDisplay(from)));
    cursor.setPosition(int(m_map.toDisplay(to)), QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(brush);
    m_writing = true;
    cursor.mergeCharFormat(format);
    m_writing = false;
}

void ReceivePane::showSelection(qsizetype start, qsizetype length)
{
    start = std::clamp<qsizetype>(start, 0, m_text.size());
    length = std::clamp<qsizetype>(length, 0, m_text.size() - start);
    QTextCursor cursor = m_view->textCursor();
    cursor.setPosition(int(m_map.toDisplay(start)));
    cursor.setPosition(int(m_map.toDisplay(start + length)), QTextCursor::KeepAnchor);
    m_view->setTextCursor(cursor);
    m_view->ensureCursorVisible();
    if (cursor.atEnd()) // also the last line's lower margin
        m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
    m_selection = Selection{start, length, cursor.anchor(), cursor.position()};
}

bool ReceivePane::programSelectionShown() const
{
    const QTextCursor cursor = m_view->textCursor();
    return cursor.anchor() == m_selection.anchor && cursor.position() == m_selection.position;
}

QTextCursor ReceivePane::endCursor() const
{
    QTextCursor cursor(m_view->document());
    cursor.movePosition(QTextCursor::End);
    return cursor;
}

// A read-only pane, and a caret at the end, follow the data.
bool ReceivePane::followsEnd() const
{
    const QTextCursor cursor = m_view->textCursor();
    return m_view->isReadOnly() || (!cursor.hasSelection() && cursor.atEnd());
}

void ReceivePane::showEnd()
{
    showSelection(m_text.size(), 0);
}

// The first append in an interval is painted at once; later ones wait for
// the end of the interval, and are painted together. Scrolling waits too.
void ReceivePane::throttlePainting()
{
    if (m_paintTimer->isActive())
        return;
    if (!m_paintInterval.isValid() || m_paintInterval.elapsed() >= kPaintIntervalMs) {
        m_paintInterval.start();
        return;
    }
    m_view->setUpdatesEnabled(false);
    m_paintTimer->start(int(kPaintIntervalMs - m_paintInterval.elapsed()));
}

// The user typed into the display: the same change goes into the text.
void ReceivePane::onDisplayEdited(int position, int removed, int added)
{
    if (m_writing)
        return;
    QTextDocument *document = m_view->document();
    const int end = document->characterCount() - 1;
    QTextCursor cursor(document);
    cursor.setPosition(std::min(position, end));
    cursor.setPosition(std::min(position + added, end), QTextCursor::KeepAnchor);
    const PaneBlockMap::TextSplice splice = m_map.displayEdited(m_text, position, removed, cursor.selectedText());
    if (splice.from == splice.to && splice.text.isEmpty())
        return;
    m_text.replace(splice.from, splice.to - splice.from, splice.text);
    m_selection = Selection();
    emit changed();
}

void ReceivePane::onViewResized()
{
    if (fittingWidths() != m_map.widths())
        m_resplitTimer->start();
}

// Splits the display again for a new line width, keeping the colours, the
// selection and what is in view.
void ReceivePane::resplit()
{
    const PaneBlockMap::Widths widths = fittingWidths();
    if (widths == m_map.widths())
        return;

    struct Colouring
    {
        qsizetype from, to;
        QBrush brush;
    };
    std::vector<Colouring> colourings;
    QTextDocument *document = m_view->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.hasProperty(QTextFormat::ForegroundBrush))
                colourings.push_back({m_map.toText(fragment.position()),
                                      m_map.toText(fragment.position() + fragment.length()), format.foreground()});
        }
    }
    const bool follow = followsEnd();
    const qsizetype start = selStart();
    const qsizetype length = selLength();
    const qsizetype top = m_map.toText(m_view->cursorForPosition(QPoint(0, 0)).position());

    m_map.setWidths(widths);
    showWholeText();
    for (const Colouring &c : colourings)
        colour(c.from, c.to, c.brush);

    if (follow) {
        showEnd();
    } else {
        showSelection(start, length);
        const QTextBlock topBlock = document->findBlock(int(m_map.toDisplay(top)));
        m_view->verticalScrollBar()->setValue(topBlock.firstLineNumber());
    }
}

// The widths of the pane's characters and of its lines, in 1/64 pixel.
PaneBlockMap::Widths ReceivePane::fittingWidths() const
{
    const QFontMetricsF metrics(m_view->font());
    const auto units = [](qreal pixels) { return int(std::ceil(pixels * kUnitsPerPixel)); };
    PaneBlockMap::Widths widths;
    widths.narrow = units(metrics.horizontalAdvance(QLatin1Char('0')));
    widths.wide = std::max(widths.narrow, units(metrics.horizontalAdvance(QChar(0x4E2D))));
    widths.tab = units(m_view->tabStopDistance());
    // The width a line is laid out in (see QPlainTextDocumentLayout).
    const qreal line = m_view->viewport()->width() - 2 * m_view->document()->documentMargin()
        - m_view->cursorWidth() - 1;
    widths.line = std::clamp(int(line * kUnitsPerPixel), kMinColumns * widths.narrow, kMaxColumns * widths.narrow);
    return widths;
}
