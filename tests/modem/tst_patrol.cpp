// Patrol dialing driven through the main window's menus over virtual time:
// numbers typed into scripted entry boxes, the simulated modem on the line,
// a command library in a temporary SQLite file, and the record saved into
// the application folder.

#include "../commands/CommandTableFile.h"
#include "WatchedModem.h"
#include "WindowRig.h"
#include "core/TextCodec.h"
#include "modem/PatrolDialer.h"
#include "serial/SerialPort.h"
#include "terminal/SendPath.h"

#include <QAction>
#include <QDate>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kStart = QStringLiteral("自动巡拨");
const QString kStartQuestion = QStringLiteral(" 立即启动自动巡测吗？");
const QString kCommandsQuestion = QStringLiteral("拨通后发预定义命令吗?");
const QString kSaveQuestion = QStringLiteral("保存巡测记录吗？");
const QString kExitQuestion = QStringLiteral("确定退出本程序？");
const QString kPaneConnected = QStringLiteral("   ->通<-  ");
const QString kPaneNotConnected = QStringLiteral("   ->不通<-  ");

QString attempt(int pass, const QString &number, bool connected)
{
    return QStringLiteral("\r\n[ 第 %1 次拨 %2 ]").arg(pass).arg(number)
           + (connected ? kPaneConnected : kPaneNotConnected);
}

// The n-th record of today, named as the user finds it in the data folder.
QString recordPath(int n)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/自动巡测"
           + QDate::currentDate().toString("yyyy-M-d") + (n > 1 ? QString("(%1)").arg(n) : QString())
           + ".txt";
}

// The header in front of the record: an empty line, ten "=", date and time, ten "=".
const QRegularExpression kHeader(
    "^\r\n==========\\d{4}-\\d{1,2}-\\d{1,2} \\d{2}:\\d{2}:\\d{2}==========\r\n");

} // namespace

class PatrolTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<WindowRig> rig;
    QPointer<WatchedModem> modem;

    QAction *mAutoDial() const { return rig->control<QAction>("mAutoDial"); }
    QComboBox *numtext() const { return rig->control<QComboBox>("numtext"); }
    QStringList phoneList() const
    {
        QStringList entries;
        for (int i = 0; i < numtext()->count(); ++i)
            entries << numtext()->itemText(i);
        return entries;
    }
    // The numbers dialed, in order.
    QStringList dials() const
    {
        QStringList numbers;
        for (const QByteArray &chunk : rig->line.chunks())
            if (chunk.startsWith("ATDT"))
                numbers << QString::fromLatin1(chunk.mid(4).chopped(2));
        return numbers;
    }
    // The pane after the header; fails when the header is not in front.
    QString paneAfterHeader() const
    {
        const auto match = kHeader.match(rig->pane());
        if (!match.hasMatch())
            return QStringLiteral("<no header> ") + rig->pane();
        return rig->pane().mid(match.capturedLength());
    }
    QStringList messagesAfter(const QString &text) const
    {
        const QStringList all = rig->dialogs.messages();
        return all.mid(all.indexOf(text) + 1);
    }

    // Types the numbers into the entry boxes, cancels the next one, and
    // answers the start, send-commands and save questions.
    void patrol(const QStringList &numbers, MsgAnswer commands = MsgAnswer::No,
                MsgAnswer save = MsgAnswer::No)
    {
        for (const QString &number : numbers)
            rig->dialogs.inputs.enqueue(number);
        rig->dialogs.inputs.enqueue(QString());
        rig->dialogs.answers << MsgAnswer::Yes << commands << save;
        mAutoDial()->trigger();
    }
    void setPassCount(const QString &answer)
    {
        rig->dialogs.inputs.enqueue(answer);
        rig->control<QAction>("巡测次数")->trigger();
    }

private slots:
    void init()
    {
        static int run = 0;
        const QString dbPath = dir.filePath(QString("orders%1.db").arg(++run));
        // One command: two bytes, then half a second for the answer.
        CreateCommandTable(dbPath, "mm", {{"Ping", "41 42", 500, 16, "Y"}});
        rig = std::make_unique<WindowRig>();
        rig->devices.addSimulated(WatchedModem::kName, [this] {
            auto device = std::make_unique<WatchedModem>(rig->clock, rig->line);
            modem = device.get();
            return device;
        });
        rig->settings.save("ComPort", "Port", WatchedModem::kName);
        rig->settings.save("Options", "DBName", dbPath);
        rig->build().StartUp();
        QVERIFY(rig->window->port().isOpen());
        QCOMPARE(rig->window->settingsValues().passCount, QString("2"));
        rig->line.writes.clear();
        rig->dialogs.clear();
        for (int n = 1; n <= 3; ++n)
            QFile::remove(recordPath(n));
    }
    void cleanup()
    {
        rig.reset();
        for (int n = 1; n <= 3; ++n)
            QFile::remove(recordPath(n));
    }

    void entryLoop_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("defaults");
        QTest::addColumn<QString>("shownAtConfirmation");
        QTest::newRow("cancel at once") << QStringList{} << QStringList{"1031"} << QString();
        QTest::newRow("default accepted") << QStringList{"1031", "1032"}
                                          << QStringList{"1031", "1032", "1033"} << "已有 2 个号码 ...";
        QTest::newRow("leading number") << QStringList{"0755-123"} << QStringList{"1031", "756"}
                                        << "已有 1 个号码 ...";
        QTest::newRow("blanks end the entry") << QStringList{"1031", "   "}
                                              << QStringList{"1031", "1032"} << "已有 1 个号码 ...";
    }
    void entryLoop()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, defaults);
        QFETCH(QString, shownAtConfirmation);
        QString shown;
        rig->dialogs.onShow = [&](const ShownDialog &d) {
            if (d.text == kStartQuestion)
                shown = numtext()->currentText();
        };
        for (const QString &t : typed)
            rig->dialogs.inputs.enqueue(t);
        rig->dialogs.answers.enqueue(MsgAnswer::No); // not now
        mAutoDial()->trigger();

        QStringList prompts, shownDefaults;
        for (const ShownDialog &d : rig->dialogs.shown) {
            if (d.kind != ShownDialog::Input)
                continue;
            QCOMPARE(d.title, QString("输入巡测号码"));
            prompts << d.text;
            shownDefaults << d.defaultText;
        }
        QCOMPARE(shownDefaults, defaults);
        QCOMPARE(prompts.first(), QString("    当前已有号码：0 个\r\n\r\n\r\n    加入巡测号码：1 ？"));
        if (prompts.size() > 1)
            QCOMPARE(prompts[1], QString("    当前已有号码：1 个\r\n\r\n    加入巡测号码：2 ？\r\n\r\n\r\n"
                                         "     —— [ 取消 ] 后进入预巡测状态 ..."));
        const QStringList entered = typed.filter(QRegularExpression("\\S"));
        QCOMPARE(phoneList(), entered);
        if (entered.isEmpty()) {
            QVERIFY(rig->dialogs.messages().isEmpty());
        } else {
            QCOMPARE(shown, shownAtConfirmation);
            QCOMPARE(rig->dialogs.messages(), QStringList{kStartQuestion});
            QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
            QCOMPARE(rig->dialogs.shown.last().buttons, MsgButtons::YesNo);
        }
        rig->clock.advance(60000);
        QVERIFY(dials().isEmpty());
        QCOMPARE(mAutoDial()->text(), kStart);
        QVERIFY(!rig->window->patrol().isRunning());
    }

    void twoPassesMarkWhoAnswered()
    {
        rig->window->receivePath().Text2()->setText("旧数据");
        QStringList status;
        QString captionDuring;
        qint64 markedAt = -1;
        connect(rig->window->receivePath().Text2(), &ReceivePane::changed, this, [&] {
            if (markedAt < 0 && rig->pane().endsWith(kPaneConnected))
                markedAt = rig->clock.now();
        });
        rig->after(100, [&] { captionDuring = mAutoDial()->text(); });
        Timer *sampler = rig->clock.createTimer(rig->window.get());
        sampler->setInterval(50);
        connect(sampler, &Timer::timeout, this, [&] {
            if (status.isEmpty() || status.last() != rig->status())
                status << rig->status();
        });
        sampler->start();

        patrol({"1030", "1035", "1036"});

        QCOMPARE(captionDuring, QString("停止巡拨"));
        QCOMPARE(mAutoDial()->text(), kStart);
        QCOMPARE(dials(), (QStringList{"1030", "1035", "1036", "1035", "1036"}));
        QCOMPARE(paneAfterHeader(), "旧数据" + attempt(1, "1030", true) + attempt(1, "1035", false)
                                        + attempt(1, "1036", false) + attempt(2, "1035", false)
                                        + attempt(2, "1036", false));
        QCOMPARE(phoneList(), (QStringList{"1030      ->通<-", "1035         ->不通<-",
                                           "1036         ->不通<-"}));
        QCOMPARE(numtext()->currentText(), QString("1036"));
        QVERIFY(status.contains("第 1 次巡测： 1030 ..."));
        QVERIFY(status.contains("第 2 次巡测： 1036 ..."));
        QVERIFY(!status.contains("第 2 次巡测： 1030 ..."));
        // The call that answered is held about two seconds, then hung up.
        const qint64 hungUp = rig->line.timeOf("+++", markedAt);
        QVERIFY2(hungUp - markedAt >= 2000 && hungUp - markedAt <= 2100, qPrintable(QString::number(hungUp - markedAt)));
        QCOMPARE(rig->dialogs.messages(), (QStringList{kStartQuestion, kCommandsQuestion, kSaveQuestion}));
        const QList<MsgIcon> icons{MsgIcon::Exclamation, MsgIcon::None, MsgIcon::None};
        int i = 0;
        for (const ShownDialog &d : rig->dialogs.shown) {
            if (d.kind != ShownDialog::Message)
                continue;
            QCOMPARE(d.title, QString("提示"));
            QCOMPARE(d.icon, icons[i++]);
            QCOMPARE(d.buttons, MsgButtons::YesNo);
        }
        QVERIFY(!QFile::exists(recordPath(1)));
    }

    void answeredPeerGetsTheCommandsOrTheSendBox_data()
    {
        QTest::addColumn<bool>("commands");
        QTest::addColumn<QString>("sendText");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("echo");
        QTest::newRow("command library") << true << QString() << QByteArray("AB") << "41 42 ";
        QTest::newRow("send box") << false << "43" << QByteArray("C") << "43 ";
    }
    void answeredPeerGetsTheCommandsOrTheSendBox()
    {
        QFETCH(bool, commands);
        QFETCH(QString, sendText);
        QFETCH(QByteArray, sent);
        QFETCH(QString, echo);
        setPassCount("1");
        rig->window->sendPath().setSendText(sendText);
        rig->dialogs.answers << MsgAnswer::Yes << (commands ? MsgAnswer::Yes : MsgAnswer::No);
        if (commands)
            rig->dialogs.answers << MsgAnswer::Yes; // 接收数据吗？
        rig->dialogs.answers << MsgAnswer::No;
        rig->dialogs.inputs << "1030" << "1035" << "";
        mAutoDial()->trigger();

        QCOMPARE(dials(), (QStringList{"1030", "1035"}));
        const QList<QByteArray> chunks = rig->line.chunks();
        QCOMPARE(chunks.value(chunks.indexOf("ATDT1030\r\n") + 1), sent);
        QVERIFY(rig->line.timeOf("+++") > rig->line.timeOf(sent));
        // The peer's echo stands where it arrived, after the mark.
        QVERIFY(rig->pane().contains(attempt(1, "1030", true) + echo));
        QCOMPARE(rig->dialogs.messages().contains("接收数据吗？"), commands);
        QCOMPARE(rig->dialogs.messages().last(), kSaveQuestion);
    }

    void stopEndsAfterTheAttemptInProgress()
    {
        int entryBoxes = 0;
        rig->after(5000, [&] {
            // In the middle of the first dial.
            mAutoDial()->trigger();
            QCOMPARE(mAutoDial()->text(), kStart);
            entryBoxes = int(rig->dialogs.shown.size());
        });
        qint64 markedAt = -1;
        connect(rig->window->receivePath().Text2(), &ReceivePane::changed, this, [&] {
            if (markedAt < 0 && rig->pane().endsWith(kPaneConnected))
                markedAt = rig->clock.now();
        });
        patrol({"1030", "1035"});

        // No new entry box was opened by the stop.
        QCOMPARE(rig->dialogs.shown.size(), entryBoxes + 1);
        QCOMPARE(dials(), QStringList{"1030"});
        QCOMPARE(paneAfterHeader(), attempt(1, "1030", true));
        QCOMPARE(phoneList(), (QStringList{"1030      ->通<-", "1035"}));
        // The call that is up is hung up at once, without the hold.
        QVERIFY(rig->line.timeOf("+++", markedAt) - markedAt < 100);
        QCOMPARE(rig->dialogs.messages().last(), kSaveQuestion);
        QVERIFY(!rig->window->patrol().isRunning());
        QVERIFY(!rig->window->port().cdHolding());
    }

    void noPeripheralStopsWhereItIs()
    {
        // The loopback raises no DSR.
        rig->click("she");
        rig->openPort(DeviceCatalog::kLoopbackName);
        rig->window->receivePath().Text2()->setText("旧数据");
        rig->dialogs.clear();
        patrol({"1031"});
        QCOMPARE(rig->dialogs.messages(), (QStringList{kStartQuestion, kCommandsQuestion, "请检查外设是否正常！"}));
        QCOMPARE(rig->dialogs.shown.last().title, QString("错误"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
        QCOMPARE(rig->dialogs.shown.last().buttons, MsgButtons::Ok);
        QCOMPARE(rig->pane(), QString("旧数据"));
        QCOMPARE(phoneList(), QStringList{"1031"});
        QCOMPARE(mAutoDial()->text(), kStart);
    }

    void passCountDialog_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("passCount");
        QTest::newRow("three") << "3" << "3";
        QTest::newRow("leading number") << " 5 次" << "5";
        QTest::newRow("zero") << "0" << "2";
        QTest::newRow("empty or Cancel") << "" << "2";
        QTest::newRow("letters") << "abc" << "2";
        QTest::newRow("below one") << "0.6" << "2";
        QTest::newRow("negative") << "-3" << "2";
        QTest::newRow("half to even") << "2.5" << "2";
        QTest::newRow("half up to even") << "3.5" << "4";
        QTest::newRow("too many") << "1e308" << "2";
    }
    void passCountDialog()
    {
        QFETCH(QString, answer);
        QFETCH(QString, passCount);
        rig->window->settingsValues().passCount = "7";
        setPassCount(answer);
        QCOMPARE(rig->dialogs.shown.size(), 1);
        const ShownDialog &box = rig->dialogs.shown.first();
        QCOMPARE(box.text, QString(" 自动重拔次数 ... "));
        QCOMPARE(box.title, QString("请输入巡测次数"));
        QCOMPARE(box.defaultText, QString("7"));
        QCOMPARE(rig->window->settingsValues().passCount, passCount);
    }

    void recordIsSavedWithoutReplacingTheDaysEarlierOne()
    {
        // Received data with a bare line feed: the record's lines end in CR LF.
        rig->window->receivePath().Text2()->setText("旧\n数据");
        setPassCount("1");
        patrol({"1035"}, MsgAnswer::No, MsgAnswer::Yes);
        QVERIFY(!rig->dialogs.messages().contains("巡测记录未能保存！", Qt::CaseSensitive));
        QFile first(recordPath(1));
        QVERIFY(first.open(QIODevice::ReadOnly));
        const QByteArray firstBytes = first.readAll();
        first.close();
        const QString header = kHeader.match(rig->pane()).captured();
        QVERIFY(!header.isEmpty());
        QCOMPARE(firstBytes, EncodeGbk(header + "旧\r\n数据" + attempt(1, "1035", false)));

        // A second patrol the same day goes to a further file.
        patrol({"1036"}, MsgAnswer::No, MsgAnswer::Yes);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), firstBytes);
        QFile second(recordPath(2));
        QVERIFY(second.open(QIODevice::ReadOnly));
        const QByteArray secondBytes = second.readAll();
        QVERIFY(secondBytes.startsWith("\r\n=========="));
        QVERIFY(secondBytes.endsWith(EncodeGbk(attempt(1, "1036", false))));

        // A folder that cannot be written: the user is told, nothing is lost
        // from the pane.
        QFile blocker(dir.filePath("not-a-folder"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", blocker.fileName().toLocal8Bit());
        rig->dialogs.clear();
        patrol({"1035"}, MsgAnswer::No, MsgAnswer::Yes);
        qputenv("XDG_DATA_HOME", dataHome);
        QCOMPARE(rig->dialogs.messages().size(), 4);
        QVERIFY(rig->dialogs.messages().last().startsWith("巡测记录未能保存！\r\n"));
        QCOMPARE(rig->dialogs.shown.last().title, QString("错误"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
        QVERIFY(rig->pane().endsWith(attempt(1, "1035", false)));
        QVERIFY(!QFile::exists(recordPath(3)));
    }

    void closingEndsThePatrol_data()
    {
        QTest::addColumn<QString>("box");  // close while this box is open
        QTest::addColumn<int>("at");       // or at this time of the patrol
        QTest::addColumn<MsgAnswer>("commands");
        QTest::newRow("entry box") << "输入巡测号码" << 0 << MsgAnswer::No;
        QTest::newRow("wait before the dial") << QString() << 2500 << MsgAnswer::No;
        QTest::newRow("dial") << QString() << 5000 << MsgAnswer::No;
        QTest::newRow("call held") << QString() << 9000 << MsgAnswer::No;
        QTest::newRow("command run") << QString() << 8500 << MsgAnswer::Yes;
        QTest::newRow("save question") << kSaveQuestion << 0 << MsgAnswer::No;
    }
    void closingEndsThePatrol()
    {
        QFETCH(QString, box);
        QFETCH(int, at);
        QFETCH(MsgAnswer, commands);
        bool closed = false;
        QString paneAtClose;
        QStringList listAtClose;
        const auto close = [&] {
            if (closed)
                return;
            closed = true;
            rig->window->close();
            paneAtClose = rig->pane();
            listAtClose = phoneList();
        };
        if (!box.isEmpty()) {
            rig->dialogs.onShow = [&](const ShownDialog &d) {
                if (d.title == box || d.text == box)
                    close();
            };
        } else {
            rig->after(at, close);
        }
        rig->dialogs.answers << MsgAnswer::Yes << commands;
        rig->dialogs.inputs << "1030" << "1035" << "";
        mAutoDial()->trigger();

        QVERIFY(closed);
        QVERIFY(!rig->window->patrol().isRunning());
        QVERIFY(!rig->window->port().isOpen());
        // Nothing more was asked, marked or saved once the window closed.
        QVERIFY(rig->dialogs.messages().contains(kExitQuestion));
        for (const QString &text : messagesAfter(kExitQuestion))
            QVERIFY2(text != kSaveQuestion && text != "请检查外设是否正常！", qPrintable(text));
        QCOMPARE(rig->pane(), paneAtClose);
        QCOMPARE(phoneList(), listAtClose);
        QVERIFY(!QFile::exists(recordPath(1)));
    }
};

QTEST_MAIN(PatrolTest)
#include "tst_patrol.moc"
