// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check for a second copy at start: while a copy runs, a new one asks
// "程序正在运行,确定打开另一个实例吗?" first. No ends it; Yes runs it as a
// second copy, without splash window, hot keys or tray icon.

class DesktopServices;
class Dialogs;

enum class StartRole { FirstCopy, SecondCopy, Quit };

StartRole DecideStart(DesktopServices &desktop, Dialogs &dialogs);
