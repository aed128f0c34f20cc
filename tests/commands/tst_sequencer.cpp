// SPDX-License-Identifier: GPL-3.0-or-later
// The command sequencer driven through the main window's menus: runs of the
// whole library, single commands from the submenu and the message log, over
// a loopback plug, a temporary SQLite command table and virtual time.

#include "CommandTableFile.h"
#include "WindowRig.h"
#include "commands/CommandSequencer.h"
#include "commands/CommandStore.h"
#include "core/DataFormats.h"
#include "core/TextCodec.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/SendPath.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTime>
#include <QtTest>

namespace {

// A loopback plug with a tap on the line: every write is logged with the
// virtual time it left at, and still comes back as input.
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
    std::unique_ptr<WindowRig> rig;

    QAction *mOnOrder() const { return rig->control<QAction>("mOnOrder"); }
    QList<QByteArray> lineBytes() const { return rig->line.chunks(); }

    // The program starts over this table with the tapped loopback as its
    // port, as a user whose settings name both.
    void startWith(const QList<CommandRow> &rows)
    {
        CreateCommandTable(dbPath, "mm", rows);
        rig->window->StartUp();
        QVERIFY(rig->window->port().isOpen());
        QCOMPARE(rig->window->commandStore().commandTable().size(), rows.size());
        rig->dialogs.clear();
    }

    // Replaces the library in the database and loads it, as the manager's
    // 装载 button does.
    void replaceTable(const QList<CommandRow> &rows)
    {
        ExecSql(dbPath, {"drop table mm"});
        CreateCommandTable(dbPath, "mm", rows);
        CommandStore &store = rig->window->commandStore();
        QVERIFY(store.OpenCommandStore());
        store.LoadCommands();
        store.CloseCommandStore();
    }

private slots:
    void init()
    {
        static int n = 0;
        dbPath = dir.filePath(QString("orders%1.db").arg(++n));
        rig = std::make_unique<WindowRig>();
        rig->addScripted(kTapped, [](ScriptedDevice &plug) { plug.echo = true; });
        rig->settings.save("Options", "DBName", dbPath);
        rig->settings.save("Options", "TableName", "mm");
        rig->settings.save("ComPort", "Port", kTapped);
        QFile::remove(CommandSequencer::MessageLogPath());
        rig->build();
    }
    void cleanup()
    {
        rig.reset();
        QFile::remove(CommandSequencer::MessageLogPath());
    }

    void runSendsValidCommandsWithTheirDelays()
    {
        startWith({{"First", "01 02", 500, 16, "Y"},
                   {"Second", "0A", 300, 16, "N"},
                   {"Third", "04 05", 1000, 16, "Y"}});
        // The status is caught at every change of the pane; with the log on
        // the pane is emptied right after each command's status is set.
        rig->control<QAction>("mOrderSave")->trigger();
        QStringList seen;
        connect(rig->window->receivePath().Text2(), &ReceivePane::changed, rig->window.get(),
                [&] { seen << rig->status(); });

        const qint64 t0 = rig->clock.now();
        mOnOrder()->trigger();

        QCOMPARE(rig->dialogs.messages(), QStringList{"接收数据吗？"});
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01\x02", "\x04\x05"}));
        QCOMPARE(rig->line.writes[0].at, t0);
        QCOMPARE(rig->line.writes[1].at, t0 + 500);
        QCOMPARE(rig->clock.now(), t0 + 1500);
        QCOMPARE(rig->dialogs.beeps, 2);
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen.last(), QString("执行 : Third"));
        QCOMPARE(rig->status(), finished(2));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!rig->window->flags().commandRun);
    }

    // With pacing on, each command's delay runs once its paced send is
    // over, and no command meets the one before still going.
    void aRunKeepsThePaceOfEachCommand()
    {
        rig->settings.save("Extras", "ByteDelay", "100");
        startWith({{"A", "41 42 43", 50, 16, "Y"}, {"B", "44", 0, 16, "Y"}});
        const qint64 t0 = rig->clock.now();
        mOnOrder()->trigger();

        QCOMPARE(lineBytes(), (QList<QByteArray>{"A", "B", "C", "D"}));
        QList<qint64> times;
        for (const WriteLog::Write &write : rig->line.writes)
            times << write.at - t0;
        QCOMPARE(times, (QList<qint64>{0, 100, 200, 350}));
        QCOMPARE(rig->clock.now(), t0 + 450);
        QCOMPARE(rig->status(), finished(2));
    }

    void stopLetsTheCurrentWaitFinish()
    {
        startWith(kFiveValid);
        QString atStop;
        rig->after(1200, [&] {
            mOnOrder()->trigger();
            atStop = rig->status();
            QCOMPARE(mOnOrder()->text(), kRunAll);
        });
        const qint64 t0 = rig->clock.now();
        QCOMPARE(mOnOrder()->text(), kRunAll);
        mOnOrder()->trigger();

        QCOMPARE(atStop, finished(0));
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02"}));
        QCOMPARE(rig->clock.now(), t0 + 2000);
        QCOMPARE(rig->dialogs.beeps, 2);
        QCOMPARE(rig->status(), finished(2));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!rig->window->flags().commandRun);
    }

    void restartAfterStopShowsTheNewRun()
    {
        // Stopped during the second command's wait, started again before
        // that wait ends: the new run goes through the whole table.
        startWith(kFiveValid);
        rig->after(1200, [&] { mOnOrder()->trigger(); });
        rig->after(1300, [&] { mOnOrder()->trigger(); });
        const qint64 t0 = rig->clock.now();
        mOnOrder()->trigger();

        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02", "\x01", "\x02", "\x03", "\x04", "\x05"}));
        QCOMPARE(rig->line.writes[2].at, t0 + 1300);
        QCOMPARE(rig->clock.now(), t0 + 6300);
        QCOMPARE(rig->dialogs.beeps, 6);
        QCOMPARE(rig->status(), finished(5));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!rig->window->flags().commandRun);
    }

    void autoSendAsksBeforeARun()
    {
        startWith({{"Ping", "01 03", 100, 16, "Y"}});
        rig->control<QRadioButton>("zidong")->click();
        rig->control<QComboBox>("fatime")->setEditText("1000");
        rig->window->sendPath().setSendText("AA");
        rig->dialogs.answers.enqueue(MsgAnswer::No); // 接收数据吗？
        rig->click("Command2");
        QVERIFY(rig->window->sendPath().isAutoSending());
        rig->dialogs.clear();
        rig->line.writes.clear();

        rig->dialogs.answers.enqueue(MsgAnswer::No);
        mOnOrder()->trigger();
        QCOMPARE(rig->dialogs.messages(), QStringList{"正在自动发送,全部执行命令将停止自动发送,确定吗?"});
        QCOMPARE(rig->dialogs.shown.last().title, QString("提示"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
        QVERIFY(rig->window->sendPath().isAutoSending());
        QVERIFY(rig->line.writes.isEmpty());
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!rig->window->flags().commandRun);
        rig->clock.advance(1000);
        QCOMPARE(lineBytes(), QList<QByteArray>{"\xaa"});

        // Yes stops auto-sending, and the run goes ahead.
        rig->line.writes.clear();
        rig->dialogs.clear();
        mOnOrder()->trigger();
        QVERIFY(!rig->window->sendPath().isAutoSending());
        QCOMPARE(lineBytes(), QList<QByteArray>{"\x01\x03"});
        QCOMPARE(rig->status(), finished(1));
    }

    void messageLogRecordsEachExchange()
    {
        startWith({{"Ping", "01 03", 100, 16, "Y"}});
        // No log yet today: opening it does nothing.
        rig->control<QAction>("mopendaytext")->trigger();
        QVERIFY(rig->desktop.opened.isEmpty());
        QVERIFY(rig->dialogs.shown.isEmpty());

        QAction *save = rig->control<QAction>("mOrderSave");
        QCOMPARE(save->text(), QString("收发命令存储[报文]"));
        QVERIFY(!save->isChecked());
        save->trigger();
        QVERIFY(save->isChecked());

        const QTime before = QTime::currentTime();
        mOnOrder()->trigger();
        const QTime after = QTime::currentTime();
        QVERIFY(rig->pane().isEmpty());

        // The day log is 报文 + today's short date + .txt in the application
        // folder.
        const QDir folder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        QFile log(folder.filePath("报文" + QDate::currentDate().toString("yyyy-M-d") + ".txt"));
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

        rig->control<QAction>("mopendaytext")->trigger();
        QCOMPARE(rig->desktop.opened, QStringList{log.fileName()});

        // Off again: a run leaves the log and the pane alone.
        save->trigger();
        mOnOrder()->trigger();
        QCOMPARE(rig->pane(), QString("01 03 "));
        QVERIFY(log.seek(0));
        QCOMPARE(log.readAll(), bytes);
    }

    void aLogThatCannotBeWrittenKeepsThePane()
    {
        startWith({{"A", "01", 100, 16, "Y"}, {"B", "02", 100, 16, "Y"}});
        rig->control<QAction>("mOrderSave")->trigger();
        // A folder where the day's log should be: it cannot be written.
        const QString path = CommandSequencer::MessageLogPath();
        QVERIFY(QDir().mkpath(path));
        mOnOrder()->trigger();
        QDir(path).removeRecursively();

        // Said once for the run; what came back is all still in the pane.
        QCOMPARE(rig->dialogs.messages().size(), 2);
        QVERIFY(rig->dialogs.messages().last().startsWith("报文记录未能写入！\r\n" + path));
        QCOMPARE(rig->dialogs.shown.last().title, QString("错误"));
        QCOMPARE(rig->pane(), QString("01 02 "));

        // The next entry that can be written carries it.
        mOnOrder()->trigger();
        QVERIFY(rig->pane().isEmpty());
        QFile log(path);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("RECEIVE :  01 02 01 \r\n"));
    }

    void commandFormatsSwitchBothSelectors()
    {
        // Decimal, then a slot without a format of its own, with delays that
        // a wait cannot pause for: the run still goes on without a pause.
        startWith({{"Dec", "065 066", 0, 10, "Y"}, {"Raw", "067", -5, 0, "Y"}});
        rig->window->formats().SetDataFormat(int(DataFormat::Hex), FormatSwitch::Both);
        const qint64 t0 = rig->clock.now();
        mOnOrder()->trigger();

        QCOMPARE(lineBytes(), (QList<QByteArray>{"AB", "C"}));
        QCOMPARE(rig->clock.now(), t0);
        QCOMPARE(rig->status(), finished(2));
        QCOMPARE(rig->window->formats().sendFormat(), DataFormat::Decimal);
        QCOMPARE(rig->window->formats().receiveFormat(), DataFormat::Decimal);
        QCOMPARE(rig->control<QComboBox>("Mods")->currentIndex(), SelectorIndex(DataFormat::Decimal));
        QCOMPARE(rig->control<QComboBox>("Modr")->currentIndex(), SelectorIndex(DataFormat::Decimal));

        // From Octal, the slot without a format is sent as Octal.
        replaceTable({{"Raw", "103", 0, 0, "Y"}});
        rig->window->formats().SetDataFormat(int(DataFormat::Octal), FormatSwitch::Both);
        rig->line.writes.clear();
        mOnOrder()->trigger();
        QCOMPARE(lineBytes(), QList<QByteArray>{"C"});
        QCOMPARE(rig->control<QComboBox>("Mods")->currentIndex(), SelectorIndex(DataFormat::Octal));
        QCOMPARE(rig->control<QComboBox>("Modr")->currentIndex(), SelectorIndex(DataFormat::Octal));
    }

    void submenuSendsEvenInvalidCommands()
    {
        startWith({{"Ping", "01 03", 500, 16, "Y"}, {"Off", "7E", 500, 16, "N"}});
        const QList<QAction *> items = rig->control<QMenu>("mDiyOrder")->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[2]->text(), QString("Off"));
        QVERIFY(!items[2]->isChecked());
        QVERIFY(!rig->window->receivePath().isReceiving());
        const QString before = rig->status();
        const qint64 t0 = rig->clock.now();

        items[2]->trigger();
        QCOMPARE(lineBytes(), QList<QByteArray>{"\x7e"});
        QVERIFY(rig->window->receivePath().isReceiving());
        QVERIFY(!items[2]->isChecked());
        QCOMPARE(rig->clock.now(), t0);
        QCOMPARE(rig->dialogs.beeps, 0);
        QVERIFY(rig->dialogs.shown.isEmpty());
        QCOMPARE(rig->status(), before);
        QVERIFY(!rig->window->flags().commandRun);
        QVERIFY(rig->visible("tings"));
    }

    void closedPortSendsNothing()
    {
        startWith({{"Ping", "01 03", 500, 16, "Y"}});
        rig->click("she");
        QVERIFY(!rig->window->port().isOpen());
        rig->dialogs.clear();

        mOnOrder()->trigger();
        QCOMPARE(rig->dialogs.messages(), QStringList{"先打开串口！！！"});
        QCOMPARE(rig->dialogs.shown.last().title, QString("提示"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Question);
        QCOMPARE(mOnOrder()->text(), kRunAll);

        rig->dialogs.clear();
        rig->control<QMenu>("mDiyOrder")->actions().at(1)->trigger();
        QCOMPARE(rig->dialogs.messages(), QStringList{"先打开串口！！！"});
        QVERIFY(rig->line.writes.isEmpty());
        QCOMPARE(rig->dialogs.beeps, 0);
    }

    void runCanBeStoppedAfterThePortClosed()
    {
        startWith(kFiveValid);
        rig->after(1500, [&] {
            rig->click("she");
            QVERIFY(!rig->window->port().isOpen());
        });
        rig->after(2500, [&] { mOnOrder()->trigger(); });
        mOnOrder()->trigger();

        // Only the third command met the closed port; the stop then held.
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02"}));
        QCOMPARE(rig->dialogs.messages(), (QStringList{"接收数据吗？", "先打开串口！！！"}));
        QCOMPARE(rig->status(), finished(3));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QVERIFY(!rig->window->flags().commandRun);
    }

    void shorterTableEndsTheRun()
    {
        startWith(kFiveValid);
        rig->after(1500, [&] { replaceTable({{"X", "AA", 1000, 16, "Y"},
                                             {"Y", "BB", 1000, 16, "Y"},
                                             {"Z", "CC", 1000, 16, "Y"}}); });
        mOnOrder()->trigger();

        // Slots are read as the run reaches them, up to the new table's end.
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02", "\xcc"}));
        QCOMPARE(rig->status(), finished(3));
        QCOMPARE(mOnOrder()->text(), kRunAll);
        QCOMPARE(rig->control<QMenu>("mDiyOrder")->actions().size(), 4);
    }

    void closingTheWindowStopsTheRun()
    {
        startWith(kFiveValid);
        rig->after(1500, [&] { rig->control<QAction>("exit")->trigger(); });
        mOnOrder()->trigger();

        QCOMPARE(rig->dialogs.messages(),
                 (QStringList{"接收数据吗？", "自定义命令尚未完全执行,确定退出吗?", "确定退出本程序？"}));
        QCOMPARE(lineBytes(), (QList<QByteArray>{"\x01", "\x02"}));
        QVERIFY(!rig->window->port().isOpen());
        QVERIFY(!rig->window->flags().commandRun);
        QCOMPARE(mOnOrder()->text(), kRunAll);
    }
};

QTEST_MAIN(SequencerTest)
#include "tst_sequencer.moc"
