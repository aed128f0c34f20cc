// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Kestrel's own pictures, built into the program.

#include <QIcon>

// The icon of that name: "kestrel" (the program), "kestrel-1" to
// "kestrel-3" (the open port), "send", "receive", "stop", "convert",
// "check", "help" (the toolbar), "enlarge", "restore", "pin-off", "pin-on".
QIcon KestrelIcon(const char *name);
