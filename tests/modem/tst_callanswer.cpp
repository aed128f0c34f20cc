// Calling, hanging up and answering, driven through the main window's
// controls over virtual time, with the simulated modem in the port box or a
// scripted peer whose line signals and answers the test sets.

#include "MemorySettingsStore.h"
#include "ScriptedDialogs.h"
#include "VirtualScheduler.h"
#include "core/DeviceCatalog.h"
#include "core/ReceivePane.h"
#include "core/ReceivePath.h"
#include "core/SendPath.h"
#include "core/SerialPort.h"
#include "core/StatusBar.h"
#include "desktop/MainWindow.h"
#include "modem/SimulatedModem.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// Everything the program wrote to the line while the port was open, with the
// virtual time of each write.
struct LineLog
{
    QList<QPair<qint64, QByteArray>> writes;

    // The time of the first write of exactly these bytes at or after from; -1 if none.
    qint64 timeOf(const QByteArray &bytes, qint64 from = 0) const
    {
        for (const auto &[at, what] : writes)
            if (at >= from && what == bytes)
                return at;
        return -1;
    }
    QByteArray since(qint64 from) const
    {
        QByteArray all;
        for (const auto &[at, what] : writes)
            if (at >= from)
                all += what;
        return all;
    }
};

// The simulated modem, watched: the test reaches the instance the port
// opened and sees what the program wrote to it.
class WatchedModem : public SimulatedModem
{
public:
    WatchedModem(Scheduler &clock, LineLog &log) : SimulatedModem(clock), m_clock(clock), m_log(log) {}
    qint64 write(const QByteArray &bytes, int timeoutMs) override
    {
        if (isOpen())
            m_log.writes.append({m_clock.now(), bytes});
        return SimulatedModem::write(bytes, timeoutMs);
    }

private:
    Scheduler &m_clock;
    LineLog &m_log;
};

// A peer whose input and carrier the test sets; DSR is high while open.
class ScriptedPeer : public SerialDevice
{
public:
    ScriptedPeer(Scheduler &clock, LineLog &log) : m_clock(clock), m_log(log) {}
    QByteArray input;
    bool cd = false;

    int open(const PortSettings &) override { m_open = true; return PortError::None; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray &bytes, int) override
    {
        m_log.writes.append({m_clock.now(), bytes});
        return bytes.size();
    }
    qint64 bytesAvailable() override { return input.size(); }
    QByteArray read(qint64 maxBytes) override
    {
        const QByteArray out = input.left(maxBytes);
        input.remove(0, out.size());
        return out;
    }
    void discardInput() override { input.clear(); }
    void discardOutput() override {}
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }
    InputLines inputLines() override { return {cd, false, m_open}; }

private:
    Scheduler &m_clock;
    LineLog &m_log;
    bool m_open = false;
};

const QString kWatchedModem = QStringLiteral("watched-modem");
const QString kPeer = QStringLiteral("scripted-peer");

} // namespace

class CallAnswerTest : public QObject
{
    Q_OBJECT

    VirtualScheduler *clock = nullptr;
    ScriptedDialogs *dialogs = nullptr;
    DeviceCatalog *devices = nullptr;
    MemorySettingsStore *settings = nullptr;
    MainWindow *window = nullptr;
    LineLog line;
    QPointer<WatchedModem> modem;
    QPointer<ScriptedPeer> peer;
    // Every change of the status message, with its virtual time.
    QList<QPair<qint64, QString>> statusLog;

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
    bool visible(const char *name) const { return control<QWidget>(name)->isVisibleTo(window); }
    void openPort(const QString &name, const QString &number = {})
    {
        control<QComboBox>("numtext")->setEditText(number);
        control<QComboBox>("comba")->setEditText(name);
        control<QComboBox>("text4")->setEditText("9600,n,8,1");
        control<QPushButton>("que")->click();
        QVERIFY(window->port().isOpen());
        line.writes.clear(); // the modem initialisation is not this test's subject
    }
    void call() { control<QPushButton>("hu")->click(); }
    void recordStatus()
    {
        Timer *sampler = clock->createTimer(window);
        sampler->setInterval(10);
        connect(sampler, &Timer::timeout, this, [this] {
            if (statusLog.isEmpty() || statusLog.last().second != status())
                statusLog.append({clock->now(), status()});
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
        const QImage image = control<QWidget>("Spp")->grab().toImage();
        const int y = qBound(2, int((1 - height) * image.height()), image.height() - 3);
        return image.pixelColor(image.width() / 2, y) == QColor(0, 0, 255);
    }

private slots:
    void init()
    {
        clock = new VirtualScheduler;
        dialogs = new ScriptedDialogs;
        devices = new DeviceCatalog;
        devices->addSimulated(kWatchedModem, [this] {
            auto device = std::make_unique<WatchedModem>(*clock, line);
            modem = device.get();
            return device;
        });
        devices->addSimulated(kPeer, [this] {
            auto device = std::make_unique<ScriptedPeer>(*clock, line);
            peer = device.get();
            return device;
        });
        line = {};
        statusLog.clear();
        settings = new MemorySettingsStore;
        window = new MainWindow({*clock, *dialogs, *devices, *settings, {}});
        window->settingsValues().handshakeWaitMs = 35000;
        window->receivePath().StartPolling();
    }
    void cleanup()
    {
        delete window;
        delete devices;
        delete settings;
        delete dialogs;
        delete clock;
    }

    void callIsRefusedWhenItCannotStart()
    {
        // Auto-send running: the call and the wait for calls are refused.
        openPort(kWatchedModem, "1031");
        control<QRadioButton>("zidong")->click();
        window->sendPath().setSendText("01");
        dialogs->answers.enqueue(MsgAnswer::No); // 接收数据吗？
        control<QPushButton>("Command2")->click();
        QVERIFY(window->sendPath().isAutoSending());
        dialogs->clear();
        call();
        QCOMPARE(dialogs->messages(), QStringList{"请先自动结束发送 ..."});
        QCOMPARE(dialogs->shown.last().title, QString("提示"));
        QCOMPARE(dialogs->shown.last().icon, MsgIcon::Exclamation);
        clock->advance(5000);
        QVERIFY(!line.since(0).contains("ATD"));
        QVERIFY(visible("hu"));
        control<QCheckBox>("Huru")->click();
        QCOMPARE(dialogs->messages().last(), QString("请先自动结束发送 ..."));
        QVERIFY(control<QCheckBox>("Huru")->isChecked()); // the box keeps its new state
        control<QCheckBox>("Huru")->click();
        control<QPushButton>("tingf")->click();
        QVERIFY(!window->sendPath().isAutoSending());

        // An empty phone box: the dial says so, nothing goes on the line.
        control<QComboBox>("numtext")->setEditText("");
        dialogs->clear();
        line.writes.clear();
        call();
        QCOMPARE(dialogs->messages(), QStringList{"请输入欲呼叫号码！！！"});
        QCOMPARE(dialogs->shown.last().title, QString("提示！"));
        QVERIFY(line.writes.isEmpty());
        QCOMPARE(status(), QString("不通..."));
        QVERIFY(window->isEnabled());
        QVERIFY(visible("hu"));

        // The loopback raises no DSR: no peripheral to call through.
        control<QPushButton>("she")->click();
        openPort(DeviceCatalog::kLoopbackName, "1031");
        const QString before = status();
        dialogs->clear();
        call();
        QCOMPARE(dialogs->messages(), QStringList{"外设连接有误！"});
        QCOMPARE(dialogs->shown.last().title, QString("提示"));
        QCOMPARE(dialogs->shown.last().icon, MsgIcon::Exclamation);
        QCOMPARE(status(), before);
        QVERIFY(window->isEnabled());
        // The menu item is the same action.
        window->findChild<QAction *>("呼叫")->trigger();
        QCOMPARE(dialogs->messages().last(), QString("外设连接有误！"));
    }

    void countdownShowsTheSecondsLeft()
    {
        // A number nobody answers: the whole handshake wait counts down.
        openPort(SimulatedModem::kName, "1038");
        recordStatus();
        const qint64 start = clock->now();
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
        QCOMPARE(status(), QString("不通..."));
        QVERIFY(!barFilledAt(0.05));
        QVERIFY(visible("hu"));
        QVERIFY(!visible("hang"));
        QVERIFY(window->isEnabled());

        // The handshake time set through the menu counts at the next call.
        dialogs->inputs.enqueue("5");
        window->findChild<QAction *>("设置握手等待时间")->trigger();
        QCOMPARE(dialogs->shown.last().defaultText, QString("35"));
        statusLog.clear();
        call();
        const QStringList texts = statusTexts();
        QCOMPARE(texts.first(), QString("拨号中,稍候 5 秒..."));
        QVERIFY(texts.contains("拨号中,稍后 04 秒..."));
        QVERIFY(texts.contains("拨号中,稍后 01 秒..."));
        QVERIFY(!texts.contains("拨号中,稍后 34 秒..."));
        // Five seconds of wait instead of 35: the failure comes much sooner.
        QVERIFY(statusLog.last().first - statusLog.first().first < 15000);
        QCOMPARE(status(), QString("不通..."));
    }

    void connectedCallHangsUpByButtonMenuAndCarrierLoss()
    {
        openPort(kWatchedModem, "1031");
        control<QCheckBox>("Huru")->setChecked(true);
        call();
        QCOMPARE(line.since(0).left(10), QByteArray("ATDT1031\r\n"));
        QVERIFY(visible("hang"));
        QVERIFY(!visible("hu"));
        QVERIFY(!control<QCheckBox>("Huru")->isChecked());
        QCOMPARE(status(), QString("接通 ... "));
        QVERIFY(barFilledAt(0.05));
        QVERIFY(barFilledAt(0.95));
        QVERIFY(window->isEnabled());
        QVERIFY(window->flags().connected);

        // The menu item 呼叫 does not dial into the call that is up.
        qint64 from = clock->now();
        window->findChild<QAction *>("呼叫")->trigger();
        clock->advance(5000);
        QVERIFY(line.since(from).isEmpty());
        QCOMPARE(status(), QString("接通 ... "));

        // The menu item 挂机 hangs up while the carrier is up.
        from = clock->now();
        window->findChild<QAction *>("挂机")->trigger();
        QVERIFY(line.since(from).startsWith("+++ATH0\r\n"));
        QCOMPARE(status(), QString("程式正在待命...  "));
        QVERIFY(visible("hu"));
        QVERIFY(!visible("hang"));
        QVERIFY(!window->flags().connected);

        // Without carrier it does nothing.
        from = clock->now();
        window->findChild<QAction *>("挂机")->trigger();
        clock->advance(5000);
        QVERIFY(line.since(from).isEmpty());
        QCOMPARE(status(), QString("程式正在待命...  "));

        // The far end hangs up: the program hangs up by itself.
        call();
        QVERIFY(visible("hang"));
        recordStatus();
        from = clock->now();
        modem->dropCarrier();
        clock->advance(5000);
        QCOMPARE(statusTexts().mid(statusTexts().indexOf("挂机 ...  ")),
                 (QStringList{"挂机 ...  ", "程式正在待命...  "}));
        QVERIFY(line.timeOf("+++", from) - from <= 40);
        QVERIFY(line.since(from).startsWith("+++ATH0\r\n"));
        QVERIFY(visible("hu"));
        QVERIFY(!visible("hang"));
        clock->advance(10000);
        QCOMPARE(line.since(from), QByteArray("+++ATH0\r\n"));
        QCOMPARE(status(), QString("程式正在待命...  "));
    }

    void failedCallsSayNotThrough()
    {
        // Busy, no carrier, no dial tone: each ends well before the handshake wait.
        openPort(kWatchedModem);
        for (const char *number : {"1035", "1036", "1037"}) {
            control<QComboBox>("numtext")->setEditText(number);
            const qint64 start = clock->now();
            call();
            QCOMPARE(status(), QString("不通..."));
            QVERIFY(clock->now() - start < 20000);
            QVERIFY(visible("hu"));
            QVERIFY(!visible("hang"));
            QVERIFY(!barFilledAt(0.05));
            QVERIFY(!window->flags().connected);
        }
        // Waiting for calls meanwhile neither swallows the modem's answer
        // nor covers the countdown.
        control<QCheckBox>("Huru")->setChecked(true);
        control<QComboBox>("numtext")->setEditText("1035");
        recordStatus();
        const qint64 start = clock->now();
        call();
        QCOMPARE(statusTexts().first(), QString("拨号中,稍候 35 秒..."));
        QVERIFY(!statusTexts().contains(" 等待呼入 ..."));
        QCOMPARE(status(), QString("不通..."));
        QVERIFY(clock->now() - start < 20000);
        QVERIFY(control<QCheckBox>("Huru")->isChecked());
    }

    void incomingCallIsAnswered()
    {
        openPort(kWatchedModem);
        control<QPushButton>("Receive")->click();
        control<QCheckBox>("Huru")->click();
        clock->advance(100);
        QCOMPARE(status(), QString(" 等待呼入 ..."));

        // The modem's answer to a typed command is not shown while waiting.
        window->sendPath().setSendText("AT");
        control<QPushButton>("send")->click();
        clock->advance(500);
        QVERIFY(!pane().contains("OK"));

        const qint64 rang = clock->now();
        modem->ring();
        QVERIFY(clock->advanceUntil([this] { return line.timeOf("ATHA\r\n") >= 0; }, 2000));
        const qint64 answered = line.timeOf("ATHA\r\n");
        QVERIFY2(answered - rang >= 1000 && answered - rang <= 1060, qPrintable(QString::number(answered - rang)));
        QVERIFY(clock->advanceUntil([this] { return visible("hang"); }, 40000));
        QCOMPARE(status(), QString(" 接通 ... "));
        QVERIFY(!visible("hu"));
        QVERIFY(!control<QCheckBox>("Huru")->isChecked());
        QVERIFY(pane().contains("CONNECT 9600"));
        QVERIFY(window->flags().connected);
        // Connected, the call watch rests: the status stays.
        clock->advance(1000);
        QCOMPARE(status(), QString(" 接通 ... "));
    }

    void ringAcrossReadsAndFailedAnswer()
    {
        openPort(kPeer);
        dialogs->inputs.enqueue("5");
        window->findChild<QAction *>("设置握手等待时间")->trigger();
        control<QCheckBox>("Huru")->click();
        clock->advance(100);
        peer->input = "hello RI";
        clock->advance(100);
        QVERIFY(line.writes.isEmpty());
        peer->input = "NG\r\n";
        QVERIFY(clock->advanceUntil([this] { return line.timeOf("ATHA\r\n") >= 0; }, 1100));
        // Nobody completes the handshake: hang up and go on waiting.
        QVERIFY(clock->advanceUntil([this] { return line.timeOf("ATH0\r\n") >= 0; }, 8000));
        QCOMPARE(status(), QString(" 等待呼入 ..."));
        QVERIFY(control<QCheckBox>("Huru")->isChecked());
        QVERIFY(visible("hu"));
        QVERIFY(!visible("hang"));
        // The ring buffer was emptied: no second answer without a new RING.
        line.writes.clear();
        clock->advance(5000);
        QVERIFY(line.writes.isEmpty());

        // Unchecked, the box says the program is idle again.
        control<QCheckBox>("Huru")->click();
        QCOMPARE(status(), QString(" 程式在待命 ... "));
    }

    void exitHangsUpBeforeClosingThePort()
    {
        openPort(kWatchedModem, "1031");
        call();
        QVERIFY(visible("hang"));
        const qint64 from = clock->now();
        window->close();
        QVERIFY(dialogs->messages().contains("确定退出本程序？"));
        // The writes are recorded only while the port is open.
        QVERIFY(line.since(from).startsWith("+++ATH0\r\n"));
        QVERIFY(!window->port().isOpen());
    }
};

QTEST_MAIN(CallAnswerTest)
#include "tst_callanswer.moc"
