// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/Topmost.h"

#include <QWidget>

void SetTopmost(QWidget *window, int flag)
{
    const bool onTop = flag == 0;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window flag hides the window and may let the window
    // manager place it anew, so geometry and visibility are put back.
    const QRect geometry = window->geometry();
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    window->setGeometry(geometry);
    if (visible)
        window->show();
}
