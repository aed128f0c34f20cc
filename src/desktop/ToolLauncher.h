// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tools menu: starts the desktop's calculator (`计算器`) or text editor
// (`计事本`), the first of the usual programs that is installed, without
// waiting; nothing happens when none is.

#include <QStringList>

#include <functional>

class DesktopServices;
class QObject;

class ToolLauncher
{
public:
    // The calculators, in the order they are looked for.
    static const QStringList kCalculators;
    // The text editors looked for after the desktop's default for text files.
    static const QStringList kEditors;

    explicit ToolLauncher(DesktopServices &desktop) : m_desktop(desktop) {}

    // False when no program was started.
    bool StartCalculator();
    // Asks the desktop for its default editor first, so whether one started
    // is told later, to done, unless context is gone by then.
    void StartTextEditor(QObject *context, std::function<void(bool started)> done);

private:
    static bool startFirstInstalled(DesktopServices &desktop, const QList<QStringList> &commands);

    DesktopServices &m_desktop;
};
