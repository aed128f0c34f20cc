// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Flag 0 keeps window above all ordinary windows; any other flag makes it
// an ordinary window again. Position and size stay as they are.
void SetTopmost(QWidget *window, int flag);
