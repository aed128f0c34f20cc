#pragma once
// The main window's state flags that several parts of the terminal read and
// change.

struct TerminalFlags
{
    bool receiveActive = false; // receiving is switched on
    bool connected = false;     // a modem call is up
    bool commandRun = false;    // a command sequence is running
};
