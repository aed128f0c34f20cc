// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window as the tests build it: virtual time, scripted dialogs, a
// device catalog and a settings store, and the controls reached by their
// names. Header-only, for the tests that link the main window.

#include "MemorySettingsStore.h"
#include "RecordingDesktop.h"
#include "ScriptedDevice.h"
#include "ScriptedDialogs.h"
#include "VirtualScheduler.h"
#include "desktop/MainWindow.h"
#include "serial/DeviceCatalog.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"
#include "terminal/StatusBar.h"

#include <QComboBox>
#include <QPushButton>

#include <functional>
#include <memory>

struct WindowRig
{
    // The settings live in memory, in settings.
    WindowRig() : store(settings) {}
    // The settings live in the store given (a real INI file, say).
    explicit WindowRig(SettingsStore &external) : store(external) {}

    // Offers a scripted device under name in the port box. Each device made
    // writes to line and is handed to setup, which scripts it (and may keep it).
    void addScripted(const QString &name, std::function<void(ScriptedDevice &)> setup = {})
    {
        devices.addSimulated(name, [this, setup] {
            auto device = std::make_unique<ScriptedDevice>(clock, line);
            if (setup)
                setup(*device);
            return device;
        });
    }

    // Builds the window over what the test has set up so far.
    MainWindow &build()
    {
        window = std::make_unique<MainWindow>(MainWindow::Services{clock, dialogs, devices, store, desktop});
        return *window;
    }

    template <typename T>
    T *control(const char *name) const
    {
        T *c = window->findChild<T *>(QString::fromUtf8(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    QString status() const { return window->statusBar().message(); }
    QString pane() const { return window->receivePath().Text2()->text(); }
    bool visible(const char *name) const { return control<QWidget>(name)->isVisibleTo(window.get()); }
    void click(const char *button) const { control<QPushButton>(button)->click(); }
    // The entries of a combo box's list.
    QStringList entries(const char *box) const
    {
        QStringList list;
        for (int i = 0; i < control<QComboBox>(box)->count(); ++i)
            list << control<QComboBox>(box)->itemText(i);
        return list;
    }

    // Builds the window over a scripted device "dev", opens it and receives
    // in format; the device stays in receiver, fed through receive().
    void buildReceiving(DataFormat format)
    {
        addScripted("dev", [this](ScriptedDevice &d) { receiver = &d; });
        build().receivePath().StartPolling();
        window->formats().SetDataFormat(int(format), FormatSwitch::ReceiveOnly);
        openPort("dev");
        click("Receive");
    }
    // Bytes from the device, and one poll to take them in.
    void receive(const QByteArray &bytes)
    {
        receiver->feed(bytes);
        clock.advance(20);
    }

    // Sets the port box and the settings box and applies them, as the user does.
    void openPort(const QString &name, const QString &portSettings = "9600,n,8,1") const
    {
        control<QComboBox>("comba")->setEditText(name);
        control<QComboBox>("text4")->setEditText(portSettings);
        click("que");
    }

    // Runs action once, ms of virtual time from now (inside a wait or advance).
    void after(int ms, std::function<void()> action)
    {
        Timer *t = clock.createTimer(window.get());
        t->setInterval(ms);
        QObject::connect(t, &Timer::timeout, window.get(), [t, action] {
            t->stop();
            action();
        });
        t->start();
    }

    // Destroyed in reverse order: the window before everything it uses.
    VirtualScheduler clock;
    ScriptedDialogs dialogs;
    WriteLog line;
    DeviceCatalog devices;
    RecordingDesktop desktop;
    MemorySettingsStore settings;
    SettingsStore &store;
    std::unique_ptr<MainWindow> window;
    ScriptedDevice *receiver = nullptr; // the device of buildReceiving()
};
