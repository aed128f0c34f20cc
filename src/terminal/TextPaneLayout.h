// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the parts of TextPane (content, view, input) share: the measures of
// its layout and how it shows and moves over characters.

#include <QChar>
#include <QtGlobal>
#include <cmath>

namespace textpane {

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
inline QChar shown(QChar c)
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

inline bool isBlank(QChar c)
{
    return c.isSpace();
}

inline int units(qreal pixels)
{
    return int(std::ceil(pixels * kUnitsPerPixel));
}

} // namespace textpane
