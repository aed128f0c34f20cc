// Kestrel: a serial terminal for devices and the modems in front of them.

#include "core/DeviceCatalog.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "desktop/MainWindow.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel5.0"));
    QApplication::setApplicationVersion(QStringLiteral(KESTREL_VERSION));

    QtScheduler scheduler;
    QtDialogs dialogs;
    DeviceCatalog devices;
    MainWindow window({scheduler, dialogs, devices});
    window.show();
    window.StartUp();
    return app.exec();
}
