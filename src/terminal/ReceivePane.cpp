// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/ReceivePane.h"

ReceivePane::ReceivePane(QWidget *parent) : TextPane(parent)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(12);
    font.setBold(true);
    setFont(font);
    setAcceptDrops(false);
}
