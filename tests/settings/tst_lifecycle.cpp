// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's start-up from the stored settings and its exit with
// its confirmations, over virtual time, an in-memory store and a real INI
// file.

#include "WindowRig.h"
#include "desktop/SplashWindow.h"
#include "serial/LoopbackDevice.h"
#include "serial/SerialPort.h"
#include "settings/IniSettingsStore.h"
#include "terminal/CheckCodes.h"
#include "terminal/FormatSwitch.h"
#include "terminal/LineEndingChoice.h"
#include "terminal/SendPacing.h"
#include "terminal/SendPath.h"
#include "terminal/TerminalFlags.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// One run of the program over a settings store: its window and everything
// it is made with.
struct Run : WindowRig
{
    explicit Run(SettingsStore &store) : WindowRig(store)
    {
        // Port "1" stands for a loopback here, so no real serial port is touched.
        devices.addSimulated("1", [] { return std::make_unique<LoopbackDevice>(); });
        // A port that is always in use by another program.
        addScripted("busy", [](ScriptedDevice &port) { port.openError = PortError::PortInUse; });
        build();
    }
    // Closes the window as the user does; true when it closed.
    bool close()
    {
        window->show();
        return window->close();
    }
};

} // namespace

class LifecycleTest : public QObject
{
    Q_OBJECT
private slots:
    void firstRunStartsFromTheDefaults()
    {
        MemorySettingsStore store;
        Run run(store);
        run.window->StartUp();
        MainWindow &w = *run.window;
        QCOMPARE(w.sendPath().sendText(), QString());
        QCOMPARE(w.receivePath().Text2()->text(), QString());
        QCOMPARE(w.formats().sendFormat(), DataFormat::Hex);
        QCOMPARE(w.formats().receiveFormat(), DataFormat::Hex);
        QCOMPARE(run.control<QLineEdit>("cstext")->text(), QString("cs"));
        QCOMPARE(run.control<QComboBox>("comba")->currentText(), QString(" 1"));
        QCOMPARE(run.control<QComboBox>("numtext")->currentText(), QString("#3"));
        QVERIFY(w.port().isOpen());
        QCOMPARE(w.port().portName(), QString("1"));
        QCOMPARE(w.port().settings(), QString("9600,n,8,1"));
        QVERIFY(w.receivePath().mtimer()->isActive());
        QVERIFY(!w.receivePath().isReceiving());
        QVERIFY(run.dialogs.shown.isEmpty());
        QCOMPARE(store.commits, 0);
    }

    void aPortInUseAtStartIsReportedAndPollingStillRuns()
    {
        MemorySettingsStore store;
        store.save("ComPort", "Port", "busy");
        Run run(store);
        run.window->StartUp();
        QCOMPARE(run.dialogs.messages(), QStringList{"你所设置的串口正在被使用,请重新设置!!!"});
        QVERIFY(!run.window->port().isOpen());
        QVERIFY(run.window->receivePath().mtimer()->isActive());
    }

    void eachConfirmationAnsweredNoKeepsEverythingRunning()
    {
        MemorySettingsStore store;
        Run run(store);
        run.window->StartUp();
        MainWindow &w = *run.window;
        run.control<QRadioButton>("zidong")->click();
        w.sendPath().setSendText("01");
        run.dialogs.answers.enqueue(MsgAnswer::No); // 接收数据吗？
        w.sendPath().StartAutoSend();
        run.dialogs.clear();

        run.dialogs.answers.enqueue(MsgAnswer::No);
        QVERIFY(!run.close());
        QCOMPARE(run.dialogs.messages(), QStringList{"自动发送未停止,确定退出吗?"});
        QCOMPARE(run.dialogs.shown.last().title, QString("警告"));
        QVERIFY(w.sendPath().isAutoSending());

        w.sendPath().HaltAutoSend();
        w.flags().commandRun = true;
        run.dialogs.clear();
        run.dialogs.answers.enqueue(MsgAnswer::No);
        QVERIFY(!run.close());
        QCOMPARE(run.dialogs.messages(), QStringList{"自定义命令尚未完全执行,确定退出吗?"});
        QVERIFY(w.flags().commandRun);

        w.flags().commandRun = false;
        run.dialogs.clear();
        run.dialogs.answers.enqueue(MsgAnswer::No);
        QVERIFY(!run.close());
        QCOMPARE(run.dialogs.messages(), QStringList{"确定退出本程序？"});
        QCOMPARE(run.dialogs.shown.last().title, QString("提示"));
        QCOMPARE(run.dialogs.shown.last().icon, MsgIcon::Exclamation);

        QCOMPARE(store.commits, 0);
        QVERIFY(w.port().isOpen());
        QVERIFY(w.receivePath().mtimer()->isActive());
    }

    void exitSavesOnceAndReleasesThePort()
    {
        MemorySettingsStore store;
        Run run(store);
        run.window->StartUp();
        MainWindow &w = *run.window;
        w.sendPath().setSendText("68 01");
        w.formats().SetDataFormat(int(DataFormat::Octal), FormatSwitch::Both);
        QVERIFY(run.close());
        QCOMPARE(store.commits, 1);
        QCOMPARE(store.get("Sendini", "SendString", "?"), QString("68 01"));
        QCOMPARE(store.get("Models", "Model", "?"), QString("8"));
        QCOMPARE(store.get("ComPort", "Port", "?"), QString("1"));
        QCOMPARE(run.status(), QString(" 正在退出系统 ..."));
        QVERIFY(!w.port().isOpen());
        QVERIFY(!w.receivePath().mtimer()->isActive());
    }

    void aFailedSaveIsReported()
    {
        MemorySettingsStore store;
        store.writable = false;
        Run run(store);
        run.window->StartUp();
        QVERIFY(run.close());
        QCOMPARE(run.dialogs.messages().last(), QString("设置未能保存，本次的设置修改将丢失！"));
    }

    void settingsThatCouldNotBeReadAreSaidOnceAndLeftAlone()
    {
        MemorySettingsStore store;
        store.unreadable = "/home/u/.config/Kestrel5.0.ini（Permission denied）";
        Run run(store);
        run.window->StartUp();
        QCOMPARE(run.dialogs.messages(),
                 QStringList{"设置文件无法读取，本次使用默认设置，退出时不保存设置：\n" + store.unreadable});
        QCOMPARE(run.dialogs.shown.last().icon, MsgIcon::Exclamation);
        QVERIFY(run.window->port().isOpen());
        run.dialogs.clear();
        QVERIFY(run.close());
        QCOMPARE(run.dialogs.messages(), QStringList{"确定退出本程序？"});
        QCOMPARE(store.commits, 0);
    }

    void aSecondRunComesBackAsTheFirstLeft()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("Kestrel5.0.ini");
        {
            IniSettingsStore store(file);
            Run run(store);
            run.window->StartUp();
            run.click("she");
            run.control<QComboBox>("numtext")->setEditText("0755-1234");
            run.openPort(DeviceCatalog::kLoopbackName, "115200,e,7,2");
            QVERIFY(run.window->port().isOpen());
            run.window->sendPath().setSendText("065 066");
            run.window->formats().SetDataFormat(int(DataFormat::Decimal), FormatSwitch::Both);
            run.window->checkCodes().mCRC()->trigger();
            run.control<QAction>("mCrcXmodem")->trigger();
            run.control<QAction>("mAutoReconnect")->trigger();
            run.control<QAction>("mEndCr")->trigger();
            run.dialogs.inputs << "20" << "500";
            run.control<QAction>("mSendPacing")->trigger();
            QVERIFY(run.close());
        }
        // A real CRC mode is the CRC word mode for earlier versions.
        QCOMPARE(IniSettingsStore(file).get("Options", "CheckModel", {}), QString("2"));
        IniSettingsStore store(file);
        Run run(store);
        run.window->StartUp();
        MainWindow &w = *run.window;
        QCOMPARE(w.port().portName(), DeviceCatalog::kLoopbackName);
        QCOMPARE(w.port().settings(), QString("115200,e,7,2"));
        QVERIFY(w.port().isOpen());
        QCOMPARE(run.control<QComboBox>("numtext")->currentText(), QString("0755-1234"));
        QCOMPARE(w.sendPath().sendText(), QString("065 066"));
        QCOMPARE(w.formats().sendFormat(), DataFormat::Decimal);
        QCOMPARE(w.formats().receiveFormat(), DataFormat::Decimal);
        QCOMPARE(run.control<QLineEdit>("cstext")->text(), QString("crc"));
        QVERIFY(run.control<QAction>("mCrcXmodem")->isChecked());
        QVERIFY(!run.control<QAction>("mAutoReconnect")->isChecked());
        QVERIFY(run.control<QAction>("mEndCr")->isChecked());
        QCOMPARE(w.sendPath().lineEnding()->value(), LineEnding::Cr);
        QCOMPARE(w.sendPath().pacing()->value(), (SendPacing{20, 500}));
        QVERIFY(run.control<QAction>("mSendPacing")->isChecked());
    }

    void closingDuringTheSplashPauseEndsStartUp()
    {
        MemorySettingsStore store;
        store.save("ComPort", "Port", "myport");
        store.save("Settings", "Settings", "115200,e,7,2");
        Run run(store);
        auto *splash = new SplashWindow(run.clock);
        splash->show();
        run.after(500, [&] { run.window->close(); });
        run.window->show();
        run.window->StartUp(splash);
        QVERIFY(run.clock.isShuttingDown());
        QVERIFY(!run.window->port().isOpen());
        QVERIFY(!run.window->receivePath().mtimer()->isActive());
        QCOMPARE(store.commits, 1);
        // The port was never set up: what is saved is what the user had.
        QCOMPARE(store.get("ComPort", "Port", {}), QString("myport"));
        QCOMPARE(store.get("Settings", "Settings", {}), QString("115200,e,7,2"));
    }
};

QTEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
