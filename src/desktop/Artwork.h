// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Kestrel's own pictures, built into the program.

#include <QIcon>

// The icon of that name, drawn at 16 and 32 px: "kestrel" (the program),
// "kestrel-1" to "kestrel-3" (the open port), "send", "receive", "stop",
// "convert", "check", "help" (the toolbar), "enlarge", "restore", "pin-off",
// "pin-on", "keyword".
QIcon KestrelIcon(const char *name);
// The program's icon as the desktop's icon theme has it (installed with the
// program, or replaced by the theme), the built-in picture where the theme
// has none.
QIcon ProgramIcon();
