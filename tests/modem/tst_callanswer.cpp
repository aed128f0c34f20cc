// SPDX-License-Identifier: GPL-3.0-or-later
// Calling, hanging up and answering, driven through the main window's
// controls over virtual time, with the simulated modem in the port box or a
// scripted peer whose line signals and answers the test sets.

#include "WatchedModem.h"
#include "WindowRig.h"
#include "modem/SimulatedModem.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPacing.h"
#include "terminal/SendPath.h"
#include "terminal/Toolbar.h"

#include <QAction>
#include <QCheckBox>
#include <QPointer>
#include <QRadioButton>
#include <QTest>

namespace {

const QString kWatchedModem = WatchedModem::kName;
const QString kPeer = QStringLiteral("scripted-peer");

} // namespace

class CallAnswerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowRig> rig;
    QPointer<WatchedModem> modem;
    QPointer<ScriptedDevice> peer;
    // Every change of the status message, with its virtual time.
    QList<QPair<qint64, QString>> statusLog;

    void openPort(const QString &name, const QString &number = {})
    {
        rig->control<QComboBox>("numtext")->setEditText(number);
        rig->openPort(name);
        QVERIFY(rig->window->port().isOpen());
        rig->line.writes.clear(); // the modem initialisation is not this test's subject
    }
    void call() { rig->click("hu"); }
    void recordStatus()
    {
        Timer *sampler = rig->clock.createTimer(rig->window.get());
        sampler->setInterval(10);
        connect(sampler, &Timer::timeout, this, [this] {
            if (statusLog.isEmpty() || statusLog.last().second != rig->status())
                statusLog.append({rig->clock.now(), rig->status()});
        });
        sampler->start();
    }
    QStringList statusTexts() const
    {
        QStringList texts;
        for (const auto &entry : statusLog)
            texts << entry.second;
        return texts;
    }
    // The colour of the dial progress bar at a height of its frame (0 bottom, 1 top).
    bool barFilledAt(double height) const
    {
        const QImage image = rig->control<QWidget>("Spp")->grab().toImage();
        const int y = qBound(2, int((1 - height) * image.height()), image.height() - 3);
        return image.pixelColor(image.width() / 2, y) == QColor(0, 0, 255);
    }

private slots:
    void init()
    {
        rig = std::make_unique<WindowRig>();
        rig->devices.addSimulated(kWatchedModem, [this] {
            auto device = std::make_unique<WatchedModem>(rig->clock, rig->line);
            modem = device.get();
            return device;
        });
        // A peer that is on: DSR is up while the port is open.
        rig->addScripted(kPeer, [this](ScriptedDevice &device) {
            device.lines.dsr = true;
            peer = &device;
        });
        statusLog.clear();
        rig->build().settingsValues().handshakeWaitMs = 35000;
        rig->window->receivePath().StartPolling();
    }
    void cleanup() { rig.reset(); }

    void callIsRefusedWhenItCannotStart()
    {
        // Auto-send running: the call and the wait for calls are refused.
        openPort(kWatchedModem, "1031");
        rig->control<QRadioButton>("zidong")->click();
        rig->window->sendPath().setSendText("01");
        rig->dialogs.answers.enqueue(MsgAnswer::No); // 接收数据吗？
        rig->click("Command2");
        QVERIFY(rig->window->sendPath().isAutoSending());
        rig->dialogs.clear();
        call();
        QCOMPARE(rig->dialogs.messages(), QStringList{"请先自动结束发送 ..."});
        QCOMPARE(rig->dialogs.shown.last().title, QString("提示"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
        rig->clock.advance(5000);
        QVERIFY(!rig->line.since(0).contains("ATD"));
        QVERIFY(rig->visible("hu"));
        rig->control<QCheckBox>("Huru")->click();
        QCOMPARE(rig->dialogs.messages().last(), QString("请先自动结束发送 ..."));
        QVERIFY(rig->control<QCheckBox>("Huru")->isChecked()); // the box keeps its new state
        rig->control<QCheckBox>("Huru")->click();
        rig->click("tingf");
        QVERIFY(!rig->window->sendPath().isAutoSending());

        // An empty phone box: the dial says so, nothing goes on the line.
        rig->control<QComboBox>("numtext")->setEditText("");
        rig->dialogs.clear();
        rig->line.writes.clear();
        call();
        QCOMPARE(rig->dialogs.messages(), QStringList{"请输入欲呼叫号码！！！"});
        QCOMPARE(rig->dialogs.shown.last().title, QString("提示！"));
        QVERIFY(rig->line.writes.isEmpty());
        QCOMPARE(rig->status(), QString("不通..."));
        QVERIFY(rig->window->isEnabled());
        QVERIFY(rig->visible("hu"));

        // The loopback raises no DSR: no peripheral to call through.
        rig->click("she");
        openPort(DeviceCatalog::kLoopbackName, "1031");
        const QString before = rig->status();
        rig->dialogs.clear();
        call();
        QCOMPARE(rig->dialogs.messages(), QStringList{"外设连接有误！"});
        QCOMPARE(rig->dialogs.shown.last().title, QString("提示"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
        QCOMPARE(rig->status(), before);
        QVERIFY(rig->window->isEnabled());
        // The menu item is the same action.
        rig->control<QAction>("呼叫")->trigger();
        QCOMPARE(rig->dialogs.messages().last(), QString("外设连接有误！"));
    }

    void countdownShowsTheSecondsLeft()
    {
        // A number nobody answers: the whole handshake wait counts down.
        openPort(SimulatedModem::kName, "1038");
        recordStatus();
        const qint64 start = rig->clock.now();
        call();
        QVERIFY(statusLog.size() > 30);
        QCOMPARE(statusLog.first().second, QString("拨号中,稍候 35 秒..."));
        QVERIFY(statusLog.first().first - start <= 10);
        // A step every fifth or sixth tick of 200 ms, two digits wide.
        for (int left = 34; left >= 8; --left) {
            const QString text = QString("拨号中,稍后 %1 秒...").arg(left, 2, 10, QLatin1Char('0'));
            const int index = statusTexts().indexOf(text);
            QVERIFY2(index > 0, qPrintable(text));
            QCOMPARE(statusLog[index - 1].second, left == 34 ? QString("拨号中,稍候 35 秒...")
                                                             : QString("拨号中,稍后 %1 秒...").arg(left + 1, 2, 10, QLatin1Char('0')));
            if (left < 34) {
                const qint64 gap = statusLog[index].first - statusLog[index - 1].first;
                QVERIFY2(gap >= 990 && gap <= 1210, qPrintable(QString::number(gap)));
            }
        }
        QCOMPARE(rig->status(), QString("不通..."));
        QVERIFY(!barFilledAt(0.05));
        QVERIFY(rig->visible("hu"));
        QVERIFY(!rig->visible("hang"));
        QVERIFY(rig->window->isEnabled());

        // The handshake time set through the menu counts at the next call.
        rig->dialogs.inputs.enqueue("5");
        rig->control<QAction>("设置握手等待时间")->trigger();
        QCOMPARE(rig->dialogs.shown.last().defaultText, QString("35"));
        statusLog.clear();
        call();
        const QStringList texts = statusTexts();
        QCOMPARE(texts.first(), QString("拨号中,稍候 5 秒..."));
        QVERIFY(texts.contains("拨号中,稍后 04 秒..."));
        QVERIFY(texts.contains("拨号中,稍后 01 秒..."));
        QVERIFY(!texts.contains("拨号中,稍后 34 秒..."));
        // Five seconds of wait instead of 35: the failure comes much sooner.
        QVERIFY(statusLog.last().first - statusLog.first().first < 15000);
        QCOMPARE(rig->status(), QString("不通..."));
    }

    // The modem commands are sends like any other: with 显示发送数据 on they
    // stand in the receive pane, and a dial ends a paced send still going
    // (its rest never leaves, and the pane says so) before its own bytes go.
    void modemCommandsAreShownSendsAndTakeTheLine()
    {
        openPort(kWatchedModem, "1031");
        rig->window->menuItem("mShowSent")->trigger();
        rig->window->formats().SetDataFormat(int(DataFormat::String), FormatSwitch::Both);
        SendPath &send = rig->window->sendPath();
        send.pacing()->setValue({1000, 0});
        send.setSendText("WXYZ");
        rig->click("send");
        rig->clock.advance(150);
        call();
        QCOMPARE(rig->line.since(0).left(11), QByteArray("WATDT1031\r\n"));
        QVERIFY(!send.isSending());
        QVERIFY(rig->pane().startsWith("→ WXYZ\r\n→ [5 字节未发出] \r\n→ ATDT1031\r\n"));
        QCOMPARE(rig->window->receivePath().Text2()->colourAt(rig->pane().indexOf("ATDT")), QColor(0, 0, 139));
    }

    void connectedCallHangsUpByButtonMenuAndCarrierLoss()
    {
        openPort(kWatchedModem, "1031");
        rig->control<QCheckBox>("Huru")->setChecked(true);
        call();
        QCOMPARE(rig->line.since(0).left(10), QByteArray("ATDT1031\r\n"));
        QVERIFY(rig->visible("hang"));
        QVERIFY(!rig->visible("hu"));
        QVERIFY(!rig->control<QCheckBox>("Huru")->isChecked());
        QCOMPARE(rig->status(), QString("接通 ... "));
        QVERIFY(barFilledAt(0.05));
        QVERIFY(barFilledAt(0.95));
        QVERIFY(rig->window->isEnabled());
        QVERIFY(rig->window->flags().connected);

        // The menu item 呼叫 does not dial into the call that is up.
        qint64 from = rig->clock.now();
        rig->control<QAction>("呼叫")->trigger();
        rig->clock.advance(5000);
        QVERIFY(rig->line.since(from).isEmpty());
        QCOMPARE(rig->status(), QString("接通 ... "));

        // The menu item 挂机 hangs up while the carrier is up.
        from = rig->clock.now();
        rig->control<QAction>("挂机")->trigger();
        QVERIFY(rig->line.since(from).startsWith("+++ATH0\r\n"));
        QCOMPARE(rig->status(), QString("程式正在待命...  "));
        QVERIFY(rig->visible("hu"));
        QVERIFY(!rig->visible("hang"));
        QVERIFY(!rig->window->flags().connected);

        // Without carrier it does nothing.
        from = rig->clock.now();
        rig->control<QAction>("挂机")->trigger();
        rig->clock.advance(5000);
        QVERIFY(rig->line.since(from).isEmpty());
        QCOMPARE(rig->status(), QString("程式正在待命...  "));

        // The far end hangs up: the program hangs up by itself.
        call();
        QVERIFY(rig->visible("hang"));
        recordStatus();
        from = rig->clock.now();
        modem->dropCarrier();
        rig->clock.advance(5000);
        QCOMPARE(statusTexts().mid(statusTexts().indexOf("挂机 ...  ")),
                 (QStringList{"挂机 ...  ", "程式正在待命...  "}));
        QVERIFY(rig->line.timeOf("+++", from) - from <= 40);
        QVERIFY(rig->line.since(from).startsWith("+++ATH0\r\n"));
        QVERIFY(rig->visible("hu"));
        QVERIFY(!rig->visible("hang"));
        rig->clock.advance(10000);
        QCOMPARE(rig->line.since(from), QByteArray("+++ATH0\r\n"));
        QCOMPARE(rig->status(), QString("程式正在待命...  "));
    }

    void failedCallsSayNotThrough()
    {
        // Busy, no carrier, no dial tone: each ends well before the handshake wait.
        openPort(kWatchedModem);
        for (const char *number : {"1035", "1036", "1037"}) {
            rig->control<QComboBox>("numtext")->setEditText(number);
            const qint64 start = rig->clock.now();
            call();
            QCOMPARE(rig->status(), QString("不通..."));
            QVERIFY(rig->clock.now() - start < 20000);
            QVERIFY(rig->visible("hu"));
            QVERIFY(!rig->visible("hang"));
            QVERIFY(!barFilledAt(0.05));
            QVERIFY(!rig->window->flags().connected);
        }
        // Waiting for calls meanwhile neither swallows the modem's answer
        // nor covers the countdown.
        rig->control<QCheckBox>("Huru")->setChecked(true);
        rig->control<QComboBox>("numtext")->setEditText("1035");
        recordStatus();
        const qint64 start = rig->clock.now();
        call();
        QCOMPARE(statusTexts().first(), QString("拨号中,稍候 35 秒..."));
        QVERIFY(!statusTexts().contains(" 等待呼入 ..."));
        QCOMPARE(rig->status(), QString("不通..."));
        QVERIFY(rig->clock.now() - start < 20000);
        QVERIFY(rig->control<QCheckBox>("Huru")->isChecked());
    }

    void incomingCallIsAnswered()
    {
        openPort(kWatchedModem);
        rig->click("Receive");
        rig->control<QCheckBox>("Huru")->click();
        rig->clock.advance(100);
        QCOMPARE(rig->status(), QString(" 等待呼入 ..."));

        // The modem's answer to a typed command is not shown while waiting.
        rig->window->sendPath().setSendText("AT");
        rig->click("send");
        rig->clock.advance(500);
        QVERIFY(!rig->pane().contains("OK"));

        const qint64 rang = rig->clock.now();
        modem->ring();
        QVERIFY(rig->clock.advanceUntil([this] { return rig->line.timeOf("ATHA\r\n") >= 0; }, 2000));
        const qint64 answered = rig->line.timeOf("ATHA\r\n");
        QVERIFY2(answered - rang >= 1000 && answered - rang <= 1060, qPrintable(QString::number(answered - rang)));
        QVERIFY(rig->clock.advanceUntil([this] { return rig->visible("hang"); }, 40000));
        QCOMPARE(rig->status(), QString(" 接通 ... "));
        QVERIFY(!rig->visible("hu"));
        QVERIFY(!rig->control<QCheckBox>("Huru")->isChecked());
        QVERIFY(rig->pane().contains("CONNECT 9600"));
        QVERIFY(rig->window->flags().connected);
        // Connected, the call watch rests: the status stays.
        rig->clock.advance(1000);
        QCOMPARE(rig->status(), QString(" 接通 ... "));
    }

    void ringAcrossReadsAndFailedAnswer()
    {
        openPort(kPeer);
        rig->dialogs.inputs.enqueue("5");
        rig->control<QAction>("设置握手等待时间")->trigger();
        rig->control<QCheckBox>("Huru")->click();
        rig->clock.advance(100);
        peer->feed("hello RI");
        rig->clock.advance(100);
        QVERIFY(rig->line.writes.isEmpty());
        peer->feed("NG\r\n");
        QVERIFY(rig->clock.advanceUntil([this] { return rig->line.timeOf("ATHA\r\n") >= 0; }, 1100));
        // Nobody completes the handshake: hang up and go on waiting.
        QVERIFY(rig->clock.advanceUntil([this] { return rig->line.timeOf("ATH0\r\n") >= 0; }, 8000));
        QCOMPARE(rig->status(), QString(" 等待呼入 ..."));
        QVERIFY(rig->control<QCheckBox>("Huru")->isChecked());
        QVERIFY(rig->visible("hu"));
        QVERIFY(!rig->visible("hang"));
        // The ring buffer was emptied: no second answer without a new RING.
        rig->line.writes.clear();
        rig->clock.advance(5000);
        QVERIFY(rig->line.writes.isEmpty());

        // Unchecked, the box says the program is idle again.
        rig->control<QCheckBox>("Huru")->click();
        QCOMPARE(rig->status(), QString(" 程式在待命 ... "));
    }

    void exitHangsUpBeforeClosingThePort()
    {
        openPort(kWatchedModem, "1031");
        call();
        QVERIFY(rig->visible("hang"));
        const qint64 from = rig->clock.now();
        rig->window->close();
        QVERIFY(rig->dialogs.messages().contains("确定退出本程序？"));
        // The writes are recorded only while the port is open.
        QVERIFY(rig->line.since(from).startsWith("+++ATH0\r\n"));
        QVERIFY(!rig->window->port().isOpen());
    }

    // 接收 (F2) pressed while one of these waits lets events run: whatever
    // the window shows afterwards is what happens to the bytes that come.
    void receiveStateAgreesWithTheWindowAfterAPressInAnyWait_data()
    {
        QTest::addColumn<QString>("wait");
        QTest::newRow("start-up's port set-up") << "start-up";
        QTest::newRow("port set-up of 确 定") << "apply";
        QTest::newRow("call that connects") << "call";
        QTest::newRow("call while waiting for calls") << "call, waiting";
        QTest::newRow("answer") << "answer";
        QTest::newRow("hang-up while waiting for calls") << "hang-up, waiting";
    }
    void receiveStateAgreesWithTheWindowAfterAPressInAnyWait()
    {
        QFETCH(QString, wait);
        bool pressed = false;
        // Pressed at ms from now, inside the wait that follows.
        const auto pressAfter = [&](int ms) {
            rig->after(ms, [&] {
                rig->control<QAction>("接收")->trigger();
                pressed = true;
            });
        };
        QCheckBox *huru = rig->control<QCheckBox>("Huru");
        if (wait == "start-up") {
            rig->settings.save("ComPort", "Port", kPeer);
            pressAfter(300); // the 500 ms before DTR is raised again
            rig->window->StartUp();
        } else if (wait == "apply") {
            pressAfter(300);
            openPort(kPeer);
        } else if (wait.startsWith("call")) {
            openPort(kPeer, "1031");
            huru->setChecked(wait == "call, waiting");
            pressAfter(1000);
            if (wait == "call")
                rig->after(5000, [&] { peer->lines.cd = true; });
            call();
        } else if (wait == "answer") {
            openPort(kPeer);
            huru->click();
            rig->clock.advance(100);
            peer->feed("RING\r\n");
            pressAfter(500); // before ATHA
            rig->after(5000, [&] { peer->lines.cd = true; });
            QVERIFY(rig->clock.advanceUntil([this] { return rig->visible("hang"); }, 10000));
        } else if (wait == "hang-up, waiting") {
            openPort(kPeer, "1031");
            rig->after(5000, [&] { peer->lines.cd = true; });
            call();
            QVERIFY(rig->visible("hang"));
            huru->click(); // waits for the next call once this one is over
            pressAfter(1000);
            peer->lines.cd = false;
            rig->click("hang");
        }
        QVERIFY(pressed);

        rig->clock.advance(100);
        peer->feed("\x55\xAA");
        rig->clock.advance(100);
        const bool receiving = rig->visible("tings");
        QCOMPARE(rig->visible("Receive"), !receiving);
        QCOMPARE(rig->pane().contains("55 AA "), receiving);
        const Toolbar &toolbar = rig->window->toolbar();
        QCOMPARE(toolbar.isPressed(2), receiving);
        QCOMPARE(toolbar.isPressed(3), !receiving);
    }
};

QTEST_MAIN(CallAnswerTest)
#include "tst_callanswer.moc"
