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
