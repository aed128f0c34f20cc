// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ToolLauncher.h"

#include "desktop/DesktopServices.h"

const QStringList ToolLauncher::kCalculators = {
    QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),         QStringLiteral("galculator"),
    QStringLiteral("qalculate-gtk"),    QStringLiteral("mate-calc"),     QStringLiteral("xfce4-calculator"),
    QStringLiteral("speedcrunch"),      QStringLiteral("xcalc"),
};

const QStringList ToolLauncher::kEditors = {
    QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"),   QStringLiteral("kate"),
    QStringLiteral("kwrite"),            QStringLiteral("mousepad"), QStringLiteral("pluma"),
    QStringLiteral("xed"),               QStringLiteral("featherpad"), QStringLiteral("leafpad"),
    QStringLiteral("xedit"),
};

namespace {

QList<QStringList> asCommands(const QStringList &programs)
{
    QList<QStringList> commands;
    for (const QString &p : programs)
        commands << QStringList{p};
    return commands;
}

} // namespace

bool ToolLauncher::startFirstInstalled(DesktopServices &desktop, const QList<QStringList> &commands)
{
    for (const QStringList &command : commands) {
        if (command.isEmpty())
            continue;
        const QString path = desktop.findProgram(command.first());
        if (!path.isEmpty())
            return desktop.startProgram(path, command.mid(1));
    }
    return false;
}

bool ToolLauncher::StartCalculator()
{
    return startFirstInstalled(m_desktop, asCommands(kCalculators));
}

void ToolLauncher::StartTextEditor(QObject *context, std::function<void(bool started)> done)
{
    // The answer may come after this launcher is gone: it keeps only the
    // desktop, which lives as long as the program.
    DesktopServices &desktop = m_desktop;
    desktop.askDefaultCommand(QStringLiteral("text/plain"), context,
                              [&desktop, done](const QStringList &defaultEditor) {
                                  done(startFirstInstalled(desktop, QList<QStringList>{defaultEditor} +
                                                                        asCommands(kEditors)));
                              });
}
