// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop side of the main window on a recording desktop: the menu
// tree, the hot key and the tray, the single-instance question, the icon
// cycle, always-on-top, enlarging the receive area, the fixed size, the
// status panels, the tools, help and about.

#include "FileBytes.h"
#include "WindowRig.h"
#include "desktop/DesktopServices.h"
#include "desktop/HelpFile.h"
#include "desktop/HotKeyToggle.h"
#include "desktop/IconCycle.h"
#include "desktop/MenuTree.h"
#include "desktop/ReceiveAreaResizer.h"
#include "desktop/SingleInstance.h"
#include "desktop/SplashWindow.h"
#include "desktop/SystemDesktop.h"
#include "desktop/ToolLauncher.h"
#include "desktop/TopmostSwitch.h"
#include "serial/SerialPort.h"
#include "terminal/StatusBar.h"
#include "terminal/Toolbar.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// The tree as text: one line per entry, indented by level, "name caption
// shortcut", "-" for a separator, "(hidden)" after a hidden menu.
void dumpMenu(const QMenu *menu, int level, QStringList &out)
{
    for (const QAction *a : menu->actions()) {
        const QString indent(2 * level, u' ');
        if (a->isSeparator()) {
            out << indent + u'-';
            continue;
        }
        QString line = indent + a->objectName() + u' ' + a->text();
        if (!a->shortcut().isEmpty())
            line += u' ' + a->shortcut().toString();
        if (!a->isVisible())
            line += QStringLiteral(" (hidden)");
        out << line;
        if (a->menu())
            dumpMenu(a->menu(), level + 1, out);
    }
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowRig> rig;

    MainWindow &window() { return *rig->window; }
    void trigger(const char *item) { window().menuItem(QString::fromUtf8(item))->trigger(); }
    void showWindow()
    {
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
    }

private slots:
    void init()
    {
        rig = std::make_unique<WindowRig>();
        rig->build().receivePath().StartPolling();
        rig->desktop.grabHotKeys();
        showWindow();
    }
    void cleanup() { rig.reset(); }

    void menuTreeIsTheWholeTable()
    {
        QStringList tree;
        for (const QAction *top : window().menuBar()->actions()) {
            tree << top->objectName() + u' ' + top->text();
            dumpMenu(top->menu(), 1, tree);
        }
        for (const char *popup : {"popmenu", "bianji"}) {
            const QMenu *menu = window().menus().menu(QString::fromUtf8(popup));
            tree << menu->objectName() + u' ' + menu->title();
            dumpMenu(menu, 1, tree);
        }
        const QString expected = QStringLiteral(R"(wen 文件(&F)
  da 打开(&O) F3
  mopendaytext 打开日报文 Ctrl+B
  -
  mSendFile 发送文件...
  mReceiveFile 接收文件...
  -
  save 保存(&S)
    chufa 保存发送数据(&F) Ctrl+F
    cuns1 保存接收数据(&S) Ctrl+S
  -
  exit 退出(X) Ctrl+Q
控制 控制(&K)
  发送 发送 F1
  mAutoT 自动发送 Shift+F1
  接收 接收 F2
  停止 停止
  -
  checksum 校验和 F5
  -
  呼叫 呼叫 F6
  挂机 挂机 F7
  mBreak 发送中断信号(Break) Ctrl+Shift+B
  -
  mAutoDial 自动巡拨 Ctrl+D
  -
  清除发送 清除发送 F8
  料 清除接收 F9
  -
  转串口1 转串口 1 Ctrl+F1
  转串口2 转串口 2 Ctrl+F2
  转串口3 转串口 3 Ctrl+F3
ming 命令(&M)
  mDiyOrder 自定义命令
    mOrderM ◣管理器◥ Ctrl+E
  -
  mOnOrder 全部发送 Ctrl+F5
  -
  mCollectfrmsend 提取命令 Ctrl+R
MOption1 选项(&O)
  设置握手等待时间 设置握手时间
  巡测次数 巡测次数
  mBreakLength 设置Break时长
  -
  msettablename 指定命令表名
  -
  RecSave 接收自动保存
  -
  mOrderSave 收发命令存储[报文]
  -
  mcheckmod 校验方式
    mCheckSum 校验和(字节)
    mCRC CRC校验(字)
    mCrcModbus CRC-16/MODBUS
    mCrcXmodem CRC-16/XMODEM
    mCrcCcittFalse CRC-16/CCITT-FALSE
    mCrc32 CRC-32
    mCrc8 CRC-8
  -
  msetkey 设置关键字 Ctrl+G
  xiyi 协议 (hidden)
    xieyia 协议一
    xieyib 协议二
  -
  mAutoReconnect 断线自动重连
  mLineEnd 发送行尾
    mEndCrLf CR LF
    mEndLf LF
    mEndCr CR
    mEndNone 无
  mSendPacing 发送节奏
  mShowSent 显示发送数据
  mZmodemAutoStart ZMODEM自动接收
  mStamps 时间戳
    mStampNone 无
    mStampTime 时刻
    mStampRelative 相对
    mStampDateTime 日期时刻
    -
    mStampGap 设置分帧间隔
工具 工具(&T)
  计算器 计算器(&J) Ctrl+J
  -
  计事本 计事本(&P) Ctrl+P
help 帮助(&H)
  guanyu 使用说明...
  -
  guangty 关于本程序...
popmenu PopMenu
  pmshow 显示窗体
  pmhide 隐藏窗体
  pmexit 退出程序
bianji bianji
  Madd 添加
  Mdel 删除
  Mqingchu 清除)");
        QCOMPARE(tree.join(u'\n'), expected);
        // The protocol items, which have no action.
        QCOMPARE(window().menus().unwired(), QStringList({"xieyia", "xieyib"}));
    }

    void hotKeyHidesIntoTheTrayAndBack()
    {
        RecordingDesktop &desktop = rig->desktop;
        desktop.press(DivideKey);
        QVERIFY(window().isVisible());
        QVERIFY(!desktop.tray);

        desktop.press(ShowHideKey);
        QVERIFY(!window().isVisible());
        QVERIFY(desktop.tray);
        QCOMPARE(desktop.trayTip, QString("Kestrel2.0\n[返回Num *]"));
        QCOMPARE(desktop.trayIcon.cacheKey(), window().windowIcon().cacheKey());
        desktop.press(ShowHideKey);
        QVERIFY(window().isVisible());
        QVERIFY(!desktop.tray);

        // The tray's double-click and 显示窗体 show the window and leave the
        // icon; 隐藏窗体 hides it; the next hot key hides it again.
        desktop.press(ShowHideKey);
        desktop.activateTray(QSystemTrayIcon::DoubleClick);
        QVERIFY(window().isVisible());
        QVERIFY(desktop.tray);
        trigger("pmhide");
        QVERIFY(!window().isVisible());
        trigger("pmshow");
        QVERIFY(window().isVisible());
        QVERIFY(desktop.tray);
        desktop.press(ShowHideKey);
        QVERIFY(!window().isVisible());

        // The icon carries popmenu; the tray host opens it.
        QCOMPARE(desktop.trayMenu, window().menus().menu("popmenu"));

        // 退出程序 asks the exit question; No leaves everything running,
        // Yes releases the hot keys and removes the tray icon.
        rig->dialogs.answers.enqueue(MsgAnswer::No);
        trigger("pmexit");
        QCOMPARE(rig->dialogs.messages(), QStringList{"确定退出本程序？"});
        QVERIFY(desktop.grabbed);
        QVERIFY(desktop.tray);
        rig->dialogs.answers.enqueue(MsgAnswer::Yes);
        trigger("pmexit");
        QVERIFY(!desktop.grabbed);
        QVERIFY(!desktop.tray);
    }

    // The program ends through its exit path only: with the main window in
    // the tray, closing another window or declining the exit question leaves
    // it running; 退出程序 answered Yes ends it with the settings saved.
    void theProgramEndsOnlyThroughItsExitPath()
    {
        struct Case
        {
            const char *step;
            std::function<void(DesktopTest &)> act;
            bool ends;
        };
        const int stillRunning = 42;
        for (const Case &c : {Case{"command manager closed",
                                   [](DesktopTest &) {
                                       for (QWidget *w : QApplication::topLevelWidgets()) {
                                           if (w->objectName() == QLatin1String("Fming"))
                                               w->close();
                                       }
                                   },
                                   false},
                              Case{"exit declined",
                                   [](DesktopTest &t) {
                                       t.rig->dialogs.answers.enqueue(MsgAnswer::No);
                                       t.trigger("pmexit");
                                   },
                                   false},
                              Case{"exit confirmed",
                                   [](DesktopTest &t) {
                                       t.rig->dialogs.answers.enqueue(MsgAnswer::Yes);
                                       t.trigger("pmexit");
                                   },
                                   true}}) {
            cleanup();
            init();
            window().endProgramOnExit();
            window().OpenCommandManager();
            rig->desktop.press(ShowHideKey);
            QVERIFY(!window().isVisible());
            rig->settings.commits = 0;
            QTimer::singleShot(0, this, [this, &c] { c.act(*this); });
            // Long enough for a quit the step set off to arrive first; gone
            // with this round, so that it never ends a later event loop.
            QTimer stillRunningAfter;
            stillRunningAfter.setSingleShot(true);
            connect(&stillRunningAfter, &QTimer::timeout, [stillRunning] { QCoreApplication::exit(stillRunning); });
            stillRunningAfter.start(200);
            const bool ended = QCoreApplication::exec() != stillRunning;
            QVERIFY2(ended == c.ends, c.step);
            QCOMPARE(rig->settings.commits, c.ends ? 1 : 0);
        }
    }

    // A StatusNotifierItem host reports one Trigger for the click that
    // activates the icon; an XEmbed tray a Trigger for every click and a
    // DoubleClick after the second. The menu is the icon's own.
    void trayActivationShowsTheWindow()
    {
        struct Case
        {
            TrayHost host;
            QSystemTrayIcon::ActivationReason why;
            bool shows;
        };
        for (const Case &c : {Case{TrayHost::XEmbed, QSystemTrayIcon::Trigger, false},
                              Case{TrayHost::XEmbed, QSystemTrayIcon::DoubleClick, true},
                              Case{TrayHost::XEmbed, QSystemTrayIcon::Context, false},
                              Case{TrayHost::StatusNotifier, QSystemTrayIcon::Trigger, true},
                              Case{TrayHost::StatusNotifier, QSystemTrayIcon::Context, false}}) {
            cleanup();
            init();
            rig->desktop.host = c.host;
            rig->desktop.press(ShowHideKey);
            rig->desktop.activateTray(c.why);
            QVERIFY2(window().isVisible() == c.shows, qPrintable(QString("host %1, reason %2").arg(int(c.host)).arg(c.why)));
        }
    }

    // Without a tray host the window is never hidden where nothing could
    // bring it back: the hot key and 隐藏窗体 minimise it, and the status bar
    // says why the first time.
    void withoutATrayTheWindowMinimises()
    {
        RecordingDesktop &desktop = rig->desktop;
        desktop.trayHostRuns = false;
        struct Case
        {
            const char *hide;
            bool says;
        };
        for (const Case &c : {Case{"hot key", true}, Case{"pmhide", false}, Case{"hot key", false}}) {
            rig->window->statusBar().setMessage("busy");
            if (QByteArray(c.hide) == "pmhide")
                trigger("pmhide");
            else
                desktop.press(ShowHideKey);
            QVERIFY2(window().isVisible() && window().isMinimized(), c.hide);
            QVERIFY(!desktop.tray);
            QCOMPARE(rig->status(), c.says ? HotKeyToggle::kNoTrayNotice : QString("busy"));
            // The hot key brings it back.
            desktop.press(ShowHideKey);
            QVERIFY(window().isVisible() && !window().isMinimized());
        }
    }

    // A tray host that goes away with the window in it gives the window back.
    void aTrayHostThatEndsGivesTheWindowBack()
    {
        RecordingDesktop &desktop = rig->desktop;
        desktop.press(ShowHideKey);
        QVERIFY(!window().isVisible() && desktop.tray);
        desktop.endTrayHost();
        QVERIFY(window().isVisible() && !window().isMinimized());
        QCOMPARE(rig->status(), HotKeyToggle::kTrayLostNotice);
        // From now on the hot key minimises.
        desktop.press(ShowHideKey);
        QVERIFY(window().isVisible() && window().isMinimized());
    }

    // Global keys only in an X11 session: under Wayland, XWayland included,
    // keys grabbed through X stop arriving once a Wayland window has the focus.
    void hotKeysOnlyInAnX11Session()
    {
        struct Case
        {
            const char *platform;
            const char *sessionType;
            const char *waylandDisplay;
            bool x11;
        };
        for (const Case &c : {Case{"xcb", "x11", "", true}, Case{"xcb", "", "", true},
                              Case{"xcb", "wayland", "", false}, Case{"xcb", "", "wayland-0", false},
                              Case{"xcb", "x11", "wayland-0", false}, Case{"wayland", "wayland", "wayland-0", false},
                              Case{"offscreen", "x11", "", false}}) {
            QProcessEnvironment env;
            if (*c.sessionType)
                env.insert("XDG_SESSION_TYPE", c.sessionType);
            if (*c.waylandDisplay)
                env.insert("WAYLAND_DISPLAY", c.waylandDisplay);
            QVERIFY2(IsX11Session(c.platform, env) == c.x11,
                     qPrintable(QString("%1 %2 %3").arg(c.platform, c.sessionType, c.waylandDisplay)));
        }

        // Without global keys nothing is grabbed and start-up says so once.
        cleanup();
        rig = std::make_unique<WindowRig>();
        rig->desktop.x11 = false;
        rig->build();
        QVERIFY(!rig->desktop.grabHotKeys());
        window().StartUp();
        QCOMPARE(rig->status(), MainWindow::kNoHotKeysNotice);
    }

    void secondCopyAsksFirst()
    {
        struct Case
        {
            bool otherCopy;
            MsgAnswer answer;
            StartRole role;
        };
        for (const Case &c : {Case{false, MsgAnswer::No, StartRole::FirstCopy},
                              Case{true, MsgAnswer::Yes, StartRole::SecondCopy},
                              Case{true, MsgAnswer::No, StartRole::Quit}}) {
            RecordingDesktop desktop;
            desktop.otherCopy = c.otherCopy;
            ScriptedDialogs dialogs;
            dialogs.answers.enqueue(c.answer);
            QCOMPARE(DecideStart(desktop, dialogs), c.role);
            QCOMPARE(dialogs.shown.size(), c.otherCopy ? 1 : 0);
            if (c.otherCopy) {
                const ShownDialog &box = dialogs.shown.first();
                QCOMPARE(box.text, QString("程序正在运行,确定打开另一个实例吗?"));
                QCOMPARE(box.title, QString("提示"));
                QCOMPARE(box.icon, MsgIcon::Exclamation);
                QCOMPARE(box.buttons, MsgButtons::YesNo);
            }
        }
    }

    void runningCopyIsKnownByItsLockUntilItEnds()
    {
        QTemporaryDir dir;
        const QString lock = dir.filePath("kestrel.lock");
        auto first = std::make_unique<SystemDesktop>(lock);
        QVERIFY(!first->anotherCopyRunning());
        QVERIFY(SystemDesktop(lock).anotherCopyRunning());
        first.reset();
        QVERIFY(!SystemDesktop(lock).anotherCopyRunning());

        // A copy that crashed leaves its lock behind: its process is gone,
        // so the lock does not hold the next start.
        QProcess crashed;
        crashed.start("true");
        QVERIFY(crashed.waitForStarted());
        const qint64 pid = crashed.processId();
        QVERIFY(crashed.waitForFinished());
        QFile stale(lock);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray::number(pid) + '\n' + QCoreApplication::applicationName().toUtf8() + '\n' +
                    QSysInfo::machineHostName().toUtf8() + '\n');
        stale.close();
        QVERIFY(!SystemDesktop(lock).anotherCopyRunning());
    }

    void windowIconCyclesWhileThePortIsOpen()
    {
        const QList<QIcon> &frames = window().iconCycle().frames();
        const qint64 closedIcon = window().windowIcon().cacheKey();
        rig->clock.advance(3 * IconCycle::kIntervalMs);
        QCOMPARE(window().windowIcon().cacheKey(), closedIcon);

        rig->desktop.press(ShowHideKey);
        rig->openPort(DeviceCatalog::kLoopbackName);
        QVERIFY(window().port().isOpen());
        // Opening may have taken a tick or two: the pictures follow each
        // other from wherever they are.
        const auto frameShown = [&] {
            for (int i = 0; i < frames.size(); ++i) {
                if (frames[i].cacheKey() == window().windowIcon().cacheKey())
                    return i;
            }
            return -1;
        };
        rig->clock.advance(IconCycle::kIntervalMs);
        int last = frameShown();
        QVERIFY(last >= 0);
        for (int tick = 0; tick < 4; ++tick) {
            rig->clock.advance(IconCycle::kIntervalMs);
            QCOMPARE(frameShown(), (last + 1) % 3);
            last = frameShown();
            // The tray icon follows the window icon.
            QCOMPARE(rig->desktop.trayIcon.cacheKey(), frames[last].cacheKey());
        }
        rig->click("she");
        QVERIFY(!window().port().isOpen());
        rig->clock.advance(3 * IconCycle::kIntervalMs);
        QCOMPARE(frameShown(), last);
    }

    void alwaysOnTopToggles()
    {
        TopmostSwitch &topmost = window().topmost();
        QVERIFY(rig->visible("Pictop1"));
        QVERIFY(!rig->visible("Pictop2"));
        QCOMPARE(topmost.Pictop1()->toolTip(), QString("总在最前"));
        const QRect geometry = window().geometry();
        topmost.Pictop1()->click();
        QVERIFY(window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window().isVisible());
        QCOMPARE(window().geometry(), geometry);
        QVERIFY(!rig->visible("Pictop1"));
        QVERIFY(rig->visible("Pictop2"));
        topmost.Pictop2()->click();
        QVERIFY(!window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(rig->visible("Pictop1"));
        QVERIFY(!rig->visible("Pictop2"));
    }

    void receiveAreaEnlargesAndRestoresWhileReceiving()
    {
        ReceiveAreaResizer &area = window().receiveArea();
        QWidget *pane = window().receivePath().Text2();
        const int normal = pane->height();
        rig->openPort(DeviceCatalog::kLoopbackName);
        window().receivePath().Receive();

        // A second click while the pane grows is ignored; data arriving
        // meanwhile reaches the pane before the pane is done.
        QString paneMidway;
        rig->after(20, [&] {
            QVERIFY(area.isResizing());
            area.ImgDown()->click();
            window().port().outputText("abc");
        });
        rig->after(200, [&] {
            QVERIFY(area.isResizing());
            paneMidway = rig->pane();
        });
        area.ImgDown()->click();
        QVERIFY(!area.isResizing());
        QVERIFY(!paneMidway.isEmpty());
        QVERIFY(!rig->visible("sendArea"));
        QVERIFY(!rig->visible("ImgDown"));
        QVERIFY(rig->visible("ImgUp"));
        const int enlarged = pane->height();
        QVERIFY(enlarged > normal + 100);
        QCOMPARE(rig->control<QWidget>("Frame1")->geometry().bottom(),
                 rig->control<QWidget>("sendArea")->geometry().bottom());

        rig->after(20, [&] { area.ImgUp()->click(); });
        area.ImgUp()->click();
        QCOMPARE(pane->height(), normal);
        QVERIFY(rig->visible("sendArea"));
        QVERIFY(rig->visible("ImgDown"));
        QVERIFY(!rig->visible("ImgUp"));
    }

    void windowKeepsItsSize()
    {
        const QSize size = window().size();
        QVERIFY(size.width() >= 8655 / 15 && size.height() >= 7905 / 15);
        QVERIFY(window().minimumSizeHint().width() <= size.width());
        window().resize(size + QSize(200, 100));
        QCOMPARE(window().size(), size);
        window().resize(size - QSize(200, 100));
        QCOMPARE(window().size(), size);

        // The port warning comes and goes; the panes beside it stay put.
        const auto paneLeft = [this] {
            QCoreApplication::processEvents();
            return rig->control<QWidget>("Frame1")->geometry().left();
        };
        const int unlocked = paneLeft();
        rig->openPort(DeviceCatalog::kLoopbackName);
        QVERIFY(!rig->visible("Piccom"));
        QCOMPARE(paneLeft(), unlocked);

        // A long count beside the receive controls never cuts the format names.
        rig->control<QLabel>("zir")->setText(QStringLiteral("【12345678】B"));
        QCoreApplication::processEvents();
        for (const char *selector : {"Modr", "Mods"}) {
            auto *box = rig->control<QWidget>(selector);
            QVERIFY2(box->width() >= box->sizeHint().width(), selector);
        }
    }

    void statusPanelsShowLockKeysAndMinimise()
    {
        // The panels keep their names, dimmed while the lock is off; where
        // the session does not tell the states they are not dimmed.
        const auto shown = [this](int panel) {
            const auto *label = rig->control<QLabel>(qPrintable(QString("Bar_panel%1").arg(panel)));
            return label->foregroundRole() == QPalette::PlaceholderText ? QString("dim ") + label->text()
                                                                        : label->text();
        };
        struct Case
        {
            DesktopServices::LockKeys locks;
            QString num, caps;
        };
        for (const Case &c : {Case{{true, true, false}, "NUM", "dim CAPS"}, Case{{true, false, true}, "dim NUM", "CAPS"},
                              Case{{false, false, false}, "NUM", "CAPS"}}) {
            rig->desktop.locks = c.locks;
            rig->clock.advance(500);
            QCOMPARE(shown(3), c.num);
            QCOMPARE(shown(4), c.caps);
        }

        QTest::mouseDClick(rig->control<QLabel>("Bar_panel1"), Qt::LeftButton);
        QVERIFY(window().isMinimized());
    }

    // The splash window names the systems this build runs on.
    void splashNamesTheSystemsOfTheBuild()
    {
        SplashWindow splash(rig->clock);
        QCOMPARE(splash.findChild<QLabel *>("lblSystems")->text(), QString("适用系统： Linux（X11、Wayland 桌面）"));
    }

    void toolsStartTheFirstInstalledProgram()
    {
        RecordingDesktop &desktop = rig->desktop;
        trigger("计算器");
        QCOMPARE(rig->status(), QString(" 未能打开计算器 ... "));
        trigger("计事本");
        QCOMPARE(rig->status(), QString(" 未能打开文本编辑器 ... "));
        QVERIFY(desktop.started.isEmpty());
        QVERIFY(rig->dialogs.shown.isEmpty());

        desktop.installed = {"xcalc", "galculator", "mousepad", "gedit"};
        trigger("计算器");
        trigger("计事本");
        QCOMPARE(desktop.started, QList<QStringList>({{"/usr/bin/galculator"}, {"/usr/bin/gedit"}}));

        // The desktop's default for text files comes first, with its options.
        desktop.started.clear();
        desktop.defaultEditor = {"mousepad", "--new-window"};
        trigger("计事本");
        QCOMPARE(desktop.started, QList<QStringList>({{"/usr/bin/mousepad", "--new-window"}}));
    }

    void desktopEntryCommandDropsFieldCodes()
    {
        const QString entry = QStringLiteral("[Desktop Action new]\nExec=other --new\n\n"
                                             "[Desktop Entry]\nName=Text Editor\nExec=gedit --new-window %U\n");
        QCOMPARE(DesktopEntryCommand(entry), QStringList({"gedit", "--new-window"}));
        QCOMPARE(DesktopEntryCommand("[Desktop Entry]\nExec=\"/opt/my editor/run\" %f\n"),
                 QStringList{"/opt/my editor/run"});
        QVERIFY(DesktopEntryCommand("[Desktop Entry]\nName=No command\n").isEmpty());
        // An editor that runs in a terminal would start with nowhere to show.
        QVERIFY(DesktopEntryCommand("[Desktop Entry]\nExec=vim %F\nTerminal=true\n").isEmpty());
        QVERIFY(DesktopEntryCommand("[Desktop Entry]\nTerminal=true\nExec=vim %F\n").isEmpty());
        QCOMPARE(DesktopEntryCommand("[Desktop Entry]\nExec=gvim %F\nTerminal=false\n"), QStringList{"gvim"});
    }

    // The desktop's default editor is asked of xdg-mime beside the window:
    // the call returns at once, the answer comes when xdg-mime has spoken,
    // and none comes for a window that is gone by then.
    void theDefaultEditorIsAskedWithoutWaiting()
    {
        QTemporaryDir dir;
        const QString bin = dir.filePath("bin"), apps = dir.filePath("share/applications");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(apps));
        // A slow xdg-mime: it answers with the entry named in "answer" once
        // the test creates "go".
        const QByteArray folder = dir.path().toUtf8();
        WriteFileBytes(bin + "/xdg-mime", "#!/bin/sh\nwhile [ ! -e '" + folder + "/go' ]; do sleep 0.01; done\n"
                                          "cat '" + folder + "/answer'\n");
        QFile::setPermissions(bin + "/xdg-mime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        WriteFileBytes(apps + "/pad.desktop", "[Desktop Entry]\nExec=pad --new %U\n");
        WriteFileBytes(apps + "/vi.desktop", "[Desktop Entry]\nExec=vi %F\nTerminal=true\n");
        const QByteArray path = qgetenv("PATH"), dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("PATH", bin.toUtf8() + ':' + path);
        qputenv("XDG_DATA_HOME", dir.filePath("share").toUtf8());

        SystemDesktop desktop(dir.filePath("kestrel.lock"));
        struct Case { QByteArray entry; QStringList command; };
        for (const Case &c : {Case{"pad.desktop", {"pad", "--new"}}, Case{"vi.desktop", {}},
                              Case{"none.desktop", {}}}) {
            QFile::remove(dir.filePath("go"));
            WriteFileBytes(dir.filePath("answer"), c.entry);
            QObject window;
            int answers = 0, answersToTheClosed = 0;
            QStringList command{"unset"};
            auto closed = std::make_unique<QObject>();
            desktop.askDefaultCommand("text/plain", closed.get(), [&](const QStringList &) { ++answersToTheClosed; });
            desktop.askDefaultCommand("text/plain", &window, [&](const QStringList &answer) {
                ++answers;
                command = answer;
            });
            QCOMPARE(answers, 0);
            closed.reset();
            WriteFileBytes(dir.filePath("go"), "");
            QTRY_COMPARE(answers, 1);
            QCOMPARE(command, c.command);
            QCOMPARE(answersToTheClosed, 0);
        }
        qputenv("PATH", path);
        qputenv("XDG_DATA_HOME", dataHome);
    }

    void helpOpensTheHelpTextOrSaysItCannot()
    {
        // The test program has no help text beside it.
        trigger("guanyu");
        QCOMPARE(rig->status(), QString(" 未能打开使用说明 ... "));
        rig->window->statusBar().setMessage({});
        window().toolbar().button(6)->trigger();
        QCOMPARE(rig->status(), QString(" 未能打开使用说明 ... "));
        QVERIFY(rig->dialogs.shown.isEmpty());
        QVERIFY(rig->desktop.opened.isEmpty());

        QTemporaryDir empty, installed;
        QFile help(installed.filePath(HelpFile::kFileName));
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        QVERIFY(HelpFile({empty.path(), installed.path()}).open(rig->desktop));
        QCOMPARE(rig->desktop.opened, QStringList{help.fileName()});
    }

    void aboutWindowOpensAndCloses()
    {
        trigger("guangty");
        auto *about = window().findChild<QDialog *>("frmabout");
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowTitle(), QString("关于程序"));
        auto *ok = about->findChild<QPushButton *>("cmdOK");
        QCOMPARE(ok->text(), QString("确定"));
        ok->click();
        QTRY_VERIFY(!window().findChild<QDialog *>("frmabout"));
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
