// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receive pane `Text2`: the text pane that received data is appended
// to, in the pane's bold monospaced font. It keeps the line breaks exactly
// as they arrive, and Enter typed into it writes CR LF. Nothing is dropped
// into it: received data is not edited by dragging. It keeps its newest
// text in memory and the older text in its history's file, read-only.

#include "terminal/TextPane.h"

class ReceivePane : public TextPane
{
    Q_OBJECT
public:
    explicit ReceivePane(QWidget *parent = nullptr);
};
