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

bool ToolLauncher::startFirstInstalled(const QList<QStringList> &commands)
{
    for (const QStringList &command : commands) {
        if (command.isEmpty())
            continue;
        const QString path = m_desktop.findProgram(command.first());
        if (!path.isEmpty())
            return m_desktop.startProgram(path, command.mid(1));
    }
    return false;
}

bool ToolLauncher::StartCalculator()
{
    return startFirstInstalled(asCommands(kCalculators));
}

bool ToolLauncher::StartTextEditor()
{
    return startFirstInstalled(QList<QStringList>{m_desktop.defaultCommandFor(QStringLiteral("text/plain"))} +
                               asCommands(kEditors));
}
