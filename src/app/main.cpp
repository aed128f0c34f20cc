// Kestrel: a serial terminal for devices and the modems in front of them.

#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "desktop/MainWindow.h"
#include "desktop/SplashWindow.h"
#include "serial/DeviceCatalog.h"
#include "settings/IniSettingsStore.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The settings file and the data folder are named after the title.
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    QApplication::setApplicationVersion(QStringLiteral(KESTREL_VERSION));

    QtScheduler scheduler;
    QtDialogs dialogs;
    DeviceCatalog devices;
    IniSettingsStore settings;

    auto *splash = new SplashWindow(scheduler);
    splash->show();
    MainWindow window({scheduler, dialogs, devices, settings, [](const QString &path) {
                           QDesktopServices::openUrl(QUrl::fromLocalFile(path));
                       }});
    window.show();
    window.StartUp(splash);
    return app.exec();
}
