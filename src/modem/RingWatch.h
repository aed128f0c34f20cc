// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Watches the text a modem sends while the program waits for incoming
// calls. The text collects (with the blanks at its ends trimmed before each
// new piece) until it contains "RING"; then it is emptied and the caller
// answers. It is bounded, so a chatty line cannot make it grow without end.

#include "modem/ResponseText.h"

class RingWatch
{
public:
    // Adds newly received text; true when an incoming call was announced.
    bool feed(const QString &received);
    const QString &text() const { return m_text.text(); }

private:
    ResponseText m_text;
};
