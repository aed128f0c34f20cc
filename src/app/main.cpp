// SPDX-License-Identifier: GPL-3.0-or-later
// Kestrel: a serial terminal for devices and the modems in front of them.

#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "desktop/Artwork.h"
#include "desktop/MainWindow.h"
#include "desktop/SingleInstance.h"
#include "desktop/SplashWindow.h"
#include "desktop/SystemDesktop.h"
#include "serial/DeviceCatalog.h"
#include "settings/IniSettingsStore.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The settings file and the data folder are named after the title.
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    QApplication::setApplicationVersion(QStringLiteral(KESTREL_VERSION));
    QApplication::setWindowIcon(ProgramIcon());
    // The desktop entry that describes the program (kestrel.desktop).
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrel"));
    // The interface is Chinese: Qt's own dialogs (choosing a file or a
    // colour) and the edit boxes' context menus speak it too where Qt's
    // translations are installed; otherwise they stay in English.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    QtScheduler scheduler;
    QtDialogs dialogs;
    SystemDesktop desktop;
    const StartRole role = DecideStart(desktop, dialogs);
    if (role == StartRole::Quit)
        return 0;
    // A second copy runs without splash window, hot keys and tray icon.
    SplashWindow *splash = nullptr;
    if (role == StartRole::FirstCopy) {
        splash = new SplashWindow(scheduler);
        splash->show();
        desktop.grabHotKeys();
    }

    DeviceCatalog devices;
    IniSettingsStore settings;
    MainWindow window({scheduler, dialogs, devices, settings, desktop});
    window.endProgramOnExit();
    window.show();
    window.StartUp(splash);
    return app.exec();
}
