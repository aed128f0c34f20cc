// The command sequencer driven through the main window's menus: runs of the
// whole library, single commands from the submenu and the message log, over
// a loopback plug, a temporary SQLite command table and virtual time.

#include "CommandTableFile.h"
#include "MemorySettingsStore.h"
#include "ScriptedDialogs.h"
#include "VirtualScheduler.h"
#include "commands/CommandSequencer.h"
#include "commands/CommandStore.h"
#include "core/DataFormats.h"
#include "core/DeviceCatalog.h"
#include "core/FormatSwitch.h"
#include "core/LoopbackDevice.h"
#include "core/ReceivePane.h"
#include "core/ReceivePath.h"
#include "core/SendPath.h"
#include "core/SerialPort.h"
#include "core/StatusBar.h"
#include "core/TextCodec.h"
#include "desktop/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTime>
#include <QtTest>

namespace {

struct Written
{
    qint64 at;
    QByteArray bytes;
};

// The loopback plug with a tap on the line: every write is recorded with
// the virtual time it left at, and still comes back as input.
class TappedLoopback : public LoopbackDevice
{
public:
    TappedLoopback(Scheduler &clock, QList<Written> &line) : m_clock(clock), m_line(line) {}
    qint64 write(const QByteArray &bytes, int timeoutMs) override
    {
        if (isOpen())
            m_line.append({m_clock.now(), bytes});
        return LoopbackDevice::write(bytes, timeoutMs);
    }

private:
    Scheduler &m_clock;
    QList<Written> &m_line;
};

const QString kTapped = QStringLiteral("回环口(监听)");
const QString kRunAll = QStringLiteral("全部发送");

QString finished(int count)
{
    return QStringLiteral("完成 : %1 条命令 ").arg(count);
}

// Five valid commands, one second apart, each a single distinct byte.
const QList<CommandRow> kFiveValid{{"C1", "01", 1000, 16, "Y"},
                                   {"C2", "02", 1000, 16, "Y"},
                                   {"C3", "03", 1000, 16, "Y"},
                                   {"C4", "04", 1000, 16, "Y"},
                                   {"C5", "05", 1000, 16, "Y"}};

} // namespace

class SequencerTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString dbPath;
    VirtualScheduler *clock = nullptr;
    ScriptedDialogs *dialogs = nullptr;
    DeviceCatalog *devices = nullptr;
    MemorySettingsStore *settings = nullptr;
    MainWindow *window = nullptr;
    QList<Written> line;
    QStringList opened;

    template <typename T>
    T *control(const QString &name) const
    {
        T *c = window->findChild<T *>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }
    QAction *mOnOrder() const { return control<QAction>("mOnOrder"); }
    QString status() const { return window->statusBar().message(); }
    QString pane() const { return window->receivePath().Text2()->text(); }
    QList<QByteArray> lineBytes() const
    {
        QList<QByteArray> bytes;
        for (const Written &w : line)
            bytes << w.bytes;
        return bytes;
    }

    // The program starts over this table with the tapped loopback as its
    // port, as a user whose settings name both.
    void startWith(const QList<CommandRow> &rows)
    {
        CreateCommandTable(dbPath, "mm", rows);
        window->StartUp();
        QVERIFY(window->port().isOpen());
        QCOMPARE(window->commandStore().commandTable().size(), rows.size());
        dialogs->clear();
    }

    // Runs action once, ms of virtual time from now (while a run is going on).
    void after(int ms, std::function<void()> action)
    {
        Timer *t = clock->createTimer(window);
        t->setInterval(ms);
        connect(t, &Timer::timeout, window, [t, action] {
            t->stop();
            action();
        });
        t->start();
    }

    // Replaces the library in the database and loads it, as the manager's
    // 装载 button does.
    void replaceTable(const QList<CommandRow> &rows)
    {
        ExecSql(dbPath, {"drop table mm"});
        CreateCommandTable(dbPath, "mm", rows);
        CommandStore &store = window->commandStore();
        QVERIFY(store.OpenCommandStore());
        store.LoadCommands();
        store.CloseCommandStore();
    }

private slots:
    void init()
    {
        static int n = 0;
        dbPath = dir.filePath(QString("orders%1.db").arg(++n));
        clock = new VirtualScheduler;
        dialogs = new ScriptedDialogs;
        devices = new DeviceCatalog;
        line.clear();
        opened.clear();
        devices->addSimulated(kTapped, [this] { return std::make_unique<TappedLoopback>(*clock, line); });
        settings = new MemorySettingsStore;
        settings->save("Options", "DBName", dbPath);
        settings->save("Options", "TableName", "mm");
        settings->save("ComPort", "Port", kTapped);
        QFile::remove(CommandSequencer::MessageLogPath());
        window = new MainWindow({*clock, *dialogs, *devices, *settings,
                                 [this](const QString &path) { opened << path; }});
    }
    void cleanup()
    {
        delete window;
        delete devices;
        delete settings;
        delete dialogs;
        delete clock;
        QFile::remove(CommandSequencer::MessageLogPath());
    }

    void runSendsValidCommandsWithTheirDelays()
    {
        startWith({{"First", "01 02", 500, 16, "Y"},
                   {"Second", "0A", 300, 16, "N"},
                   {"Third", "04 05", 1000, 16, "Y"}});
        // The status is caught at every change of the pane; with the log on
        // the pane is emptied right after each command's status is set.
        control<QAction>("mOrderSave")->trigger();
        QStringList seen;
        connect(window->receivePath().Text2(), &ReceivePane::changed, window,
                [&] { seen << status(); });

        const qint64 t0 = clock->now();
        mOnOrder()->trigger();

        QCOMPARE(dialogs->messages(), QStringList{"接收数据吗？"});
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01\x02", "\x04\x05"}));
        QCOMPARE(line[0].at, t0);
        QCOMPARE(line[1].at, t0 + 500);
        QCOMPARE(clock->now(), t0 + 1500);
        QCOMPARE(dialogs->beeps, 2);
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen.last(), QString("执行 : Third"));
        QCOMPARE(status(), finished(2));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!window->flags().commandRun);
    }

    void stopLetsTheCurrentWaitFinish()
    {
        startWith(kFiveValid);
        QString atStop;
        after(1200, [&] {
            mOnOrder()->trigger();
            atStop = status();
            QCOMPARE(mOnOrder()->text(), kRunAll);
        });
        const qint64 t0 = clock->now();
        QCOMPARE(mOnOrder()->text(), kRunAll);
        mOnOrder()->trigger();

        QCOMPARE(atStop, finished(0));
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02"}));
        QCOMPARE(clock->now(), t0 + 2000);
        QCOMPARE(dialogs->beeps, 2);
        QCOMPARE(status(), finished(2));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!window->flags().commandRun);
    }

    void restartAfterStopShowsTheNewRun()
    {
        // Stopped during the second command's wait, started again before
        // that wait ends: the new run goes through the whole table.
        startWith(kFiveValid);
        after(1200, [&] { mOnOrder()->trigger(); });
        after(1300, [&] { mOnOrder()->trigger(); });
        const qint64 t0 = clock->now();
        mOnOrder()->trigger();

        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02", "\x01", "\x02", "\x03", "\x04", "\x05"}));
        QCOMPARE(line[2].at, t0 + 1300);
        QCOMPARE(clock->now(), t0 + 6300);
        QCOMPARE(dialogs->beeps, 6);
        QCOMPARE(status(), finished(5));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!window->flags().commandRun);
    }

    void autoSendAsksBeforeARun()
    {
        startWith({{"Ping", "01 03", 100, 16, "Y"}});
        control<QRadioButton>("zidong")->click();
        control<QComboBox>("fatime")->setEditText("1000");
        window->sendPath().setSendText("AA");
        dialogs->answers.enqueue(MsgAnswer::No); // 接收数据吗？
        control<QPushButton>("Command2")->click();
        QVERIFY(window->sendPath().isAutoSending());
        dialogs->clear();
        line.clear();

        dialogs->answers.enqueue(MsgAnswer::No);
        mOnOrder()->trigger();
        QCOMPARE(dialogs->messages(), QStringList{"正在自动发送,全部执行命令将停止自动发送,确定吗?"});
        QCOMPARE(dialogs->shown.last().title, QString("提示"));
        QCOMPARE(dialogs->shown.last().icon, MsgIcon::Exclamation);
        QVERIFY(window->sendPath().isAutoSending());
        QVERIFY(line.isEmpty());
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!window->flags().commandRun);
        clock->advance(1000);
        QCOMPARE(lineBytes(), QList<QByteArray>{"\xaa"});

        // Yes stops auto-sending, and the run goes ahead.
        line.clear();
        dialogs->clear();
        mOnOrder()->trigger();
        QVERIFY(!window->sendPath().isAutoSending());
        QCOMPARE(lineBytes(), QList<QByteArray>{"\x01\x03"});
        QCOMPARE(status(), finished(1));
    }

    void messageLogRecordsEachExchange()
    {
        startWith({{"Ping", "01 03", 100, 16, "Y"}});
        // No log yet today: opening it does nothing.
        control<QAction>("mopendaytext")->trigger();
        QVERIFY(opened.isEmpty());
        QVERIFY(dialogs->shown.isEmpty());

        QAction *save = control<QAction>("mOrderSave");
        QCOMPARE(save->text(), QString("收发命令存储[报文]"));
        QVERIFY(!save->isChecked());
        save->trigger();
        QVERIFY(save->isChecked());

        const QTime before = QTime::currentTime();
        mOnOrder()->trigger();
        const QTime after = QTime::currentTime();
        QVERIFY(pane().isEmpty());

        QFile log(CommandSequencer::MessageLogPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray bytes = log.readAll();
        // The time of day is the real clock's; find it, then compare all.
        const QByteArray head = EncodeGbk("\r\n【Ping】");
        QVERIFY(bytes.startsWith(head));
        const QByteArray time = bytes.mid(head.size(), 8);
        const QTime logged = QTime::fromString(QString::fromLatin1(time), "HH:mm:ss");
        QVERIFY(logged.isValid());
        QVERIFY(logged >= before.addMSecs(-before.msec()) && logged <= after);
        QCOMPARE(bytes, head + time + EncodeGbk("\r\nSENDING :  01 03\r\nRECEIVE :  01 03 \r\n"));

        control<QAction>("mopendaytext")->trigger();
        QCOMPARE(opened, QStringList{CommandSequencer::MessageLogPath()});

        // Off again: a run leaves the log and the pane alone.
        save->trigger();
        mOnOrder()->trigger();
        QCOMPARE(pane(), QString("01 03 "));
        QVERIFY(log.seek(0));
        QCOMPARE(log.readAll(), bytes);
    }

    void commandFormatsSwitchBothSelectors()
    {
        // Decimal, then a slot without a format of its own, with delays that
        // a wait cannot pause for: the run still goes on without a pause.
        startWith({{"Dec", "065 066", 0, 10, "Y"}, {"Raw", "067", -5, 0, "Y"}});
        window->formats().SetDataFormat(int(DataFormat::Hex), FormatSwitch::Both);
        const qint64 t0 = clock->now();
        mOnOrder()->trigger();

        QCOMPARE(lineBytes(), (QList<QByteArray>{"AB", "C"}));
        QCOMPARE(clock->now(), t0);
        QCOMPARE(status(), finished(2));
        QCOMPARE(window->formats().sendFormat(), DataFormat::Decimal);
        QCOMPARE(window->formats().receiveFormat(), DataFormat::Decimal);
        QCOMPARE(control<QComboBox>("Mods")->currentIndex(), SelectorIndex(DataFormat::Decimal));
        QCOMPARE(control<QComboBox>("Modr")->currentIndex(), SelectorIndex(DataFormat::Decimal));

        // From Octal, the slot without a format is sent as Octal.
        replaceTable({{"Raw", "103", 0, 0, "Y"}});
        window->formats().SetDataFormat(int(DataFormat::Octal), FormatSwitch::Both);
        line.clear();
        mOnOrder()->trigger();
        QCOMPARE(lineBytes(), QList<QByteArray>{"C"});
        QCOMPARE(control<QComboBox>("Mods")->currentIndex(), SelectorIndex(DataFormat::Octal));
        QCOMPARE(control<QComboBox>("Modr")->currentIndex(), SelectorIndex(DataFormat::Octal));
    }

    void submenuSendsEvenInvalidCommands()
    {
        startWith({{"Ping", "01 03", 500, 16, "Y"}, {"Off", "7E", 500, 16, "N"}});
        const QList<QAction *> items = control<QMenu>("mDiyOrder")->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[2]->text(), QString("Off"));
        QVERIFY(!items[2]->isChecked());
        QVERIFY(!window->receivePath().isReceiving());
        const QString before = status();
        const qint64 t0 = clock->now();

        items[2]->trigger();
        QCOMPARE(lineBytes(), QList<QByteArray>{"\x7e"});
        QVERIFY(window->receivePath().isReceiving());
        QVERIFY(!items[2]->isChecked());
        QCOMPARE(clock->now(), t0);
        QCOMPARE(dialogs->beeps, 0);
        QVERIFY(dialogs->shown.isEmpty());
        QCOMPARE(status(), before);
        QVERIFY(!window->flags().commandRun);
        QVERIFY(control<QPushButton>("tings")->isVisibleTo(window));
    }

    void closedPortSendsNothing()
    {
        startWith({{"Ping", "01 03", 500, 16, "Y"}});
        control<QPushButton>("she")->click();
        QVERIFY(!window->port().isOpen());
        dialogs->clear();

        mOnOrder()->trigger();
        QCOMPARE(dialogs->messages(), QStringList{"先打开串口！！！"});
        QCOMPARE(dialogs->shown.last().title, QString("提示"));
        QCOMPARE(dialogs->shown.last().icon, MsgIcon::Question);
        QCOMPARE(mOnOrder()->text(), kRunAll);

        dialogs->clear();
        control<QMenu>("mDiyOrder")->actions().at(1)->trigger();
        QCOMPARE(dialogs->messages(), QStringList{"先打开串口！！！"});
        QVERIFY(line.isEmpty());
        QCOMPARE(dialogs->beeps, 0);
    }

    void runCanBeStoppedAfterThePortClosed()
    {
        startWith(kFiveValid);
        after(1500, [&] {
            control<QPushButton>("she")->click();
            QVERIFY(!window->port().isOpen());
        });
        after(2500, [&] { mOnOrder()->trigger(); });
        mOnOrder()->trigger();

        // Only the third command met the closed port; the stop then held.
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02"}));
        QCOMPARE(dialogs->messages(), (QStringList{"接收数据吗？", "先打开串口！！！"}));
        QCOMPARE(status(), finished(3));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!window->flags().commandRun);
    }

    void shorterTableEndsTheRun()
    {
        startWith(kFiveValid);
        after(1500, [&] { replaceTable({{"X", "AA", 1000, 16, "Y"},
                                        {"Y", "BB", 1000, 16, "Y"},
                                        {"Z", "CC", 1000, 16, "Y"}}); });
        mOnOrder()->trigger();

        // Slots are read as the run reaches them, up to the new table's end.
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02", "\xcc"}));
        QCOMPARE(status(), finished(3));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QCOMPARE(control<QMenu>("mDiyOrder")->actions().size(), 4);
    }

    void closingTheWindowStopsTheRun()
    {
        startWith(kFiveValid);
        after(1500, [&] { control<QAction>("exit")->trigger(); });
        mOnOrder()->trigger();

        QCOMPARE(dialogs->messages(),
                 (QStringList{"接收数据吗？", "自定义命令尚未完全执行,确定退出吗?", "确定退出本程序？"}));
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02"}));
        QVERIFY(!window->port().isOpen());
        QVERIFY(!window->flags().commandRun);
        QCOMPARE(mOnOrder()->text(), kRunAll);
    }
};

QTEST_MAIN(SequencerTest)
#include "tst_sequencer.moc"
