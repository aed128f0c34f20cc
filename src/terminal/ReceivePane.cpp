// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/ReceivePane.h"

#include <QToolTip>

namespace {

// The text the pane keeps in memory, in characters (two bytes each): the
// older text goes to the history's file.
constexpr qsizetype kResidentChars = qsizetype(1) << 22;

} // namespace

ReceivePane::ReceivePane(QWidget *parent) : TextPane(parent)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(12);
    font.setBold(true);
    setFont(font);
    setAcceptDrops(false);
    // A run that crashed left its history file behind; it goes now.
    HistoryArchive::removeLeftovers(HistoryArchive::defaultFolder());
    setResidentLimit(kResidentChars);
    connect(this, &TextPane::oldPartReadOnly, this, [this] {
        QToolTip::showText(viewport()->mapToGlobal(cursorRect(selStart()).bottomLeft()),
                           QStringLiteral("较早的接收内容已存入缓存文件，只读，不能修改"), this);
    });
}
