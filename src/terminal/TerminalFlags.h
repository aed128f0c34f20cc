// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's state flags that several parts of the terminal read and
// change. Whether receiving is on belongs to the receive path alone.

struct TerminalFlags
{
    bool connected = false;  // a modem call is up
    bool commandRun = false; // a command sequence is running
};
