// SPDX-License-Identifier: GPL-3.0-or-later
// Patrol dialing through the main window's menus over virtual time: numbers
// typed into scripted entry boxes, the simulated modem on the line, one
// command in a temporary library, the record saved into the data folder.

#include "../commands/CommandTableFile.h"
#include "FileBytes.h"
#include "WatchedModem.h"
#include "WindowRig.h"
#include "core/TextCodec.h"
#include "modem/PatrolDialer.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/SendPacing.h"
#include "terminal/SendPath.h"

#include <QAction>
#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kStartQuestion = QStringLiteral(" 立即启动自动巡测吗？");
const QString kSaveQuestion = QStringLiteral("保存巡测记录吗？");
const QString kConnected = QStringLiteral("   ->通<-  ");

QString attempt(int pass, const QString &number, bool connected)
{
    return QStringLiteral("\r\n[ 第 %1 次拨 %2 ]").arg(pass).arg(number)
           + (connected ? kConnected : QStringLiteral("   ->不通<-  "));
}

// Today's n-th record, as the user finds it in the data folder.
QString recordPath(int n)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/自动巡测"
           + QDate::currentDate().toString("yyyy-M-d") + (n > 1 ? QString("(%1)").arg(n) : "") + ".txt";
}

// An empty line, then the date and time between ten "=" on each side.
const QRegularExpression kHeader("^\r\n==========\\d{4}-\\d{1,2}-\\d{1,2} \\d\\d:\\d\\d:\\d\\d==========\r\n");

} // namespace

class PatrolTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<WindowRig> rig;

    QAction *mAutoDial() const { return rig->control<QAction>("mAutoDial"); }
    QStringList dials() const
    {
        QStringList numbers;
        for (const QByteArray &chunk : rig->line.chunks())
            if (chunk.startsWith("ATDT"))
                numbers << QString::fromLatin1(chunk.mid(4).chopped(2));
        return numbers;
    }
    QString paneAfterHeader() const { return rig->pane().mid(kHeader.match(rig->pane()).capturedLength()); }
    // Types the numbers, cancels the next box, and answers the start,
    // send-commands and save questions.
    void patrol(const QStringList &numbers, MsgAnswer commands = MsgAnswer::No, MsgAnswer save = MsgAnswer::No)
    {
        rig->dialogs.inputs << numbers << QString();
        rig->dialogs.answers << MsgAnswer::Yes << commands << save;
        mAutoDial()->trigger();
    }
    void setPassCount(const QString &answer)
    {
        rig->dialogs.inputs << answer;
        rig->control<QAction>("巡测次数")->trigger();
    }
    // Records the virtual time at which the pane first ends with the mark of an answered call.
    void watchConnectedMark(qint64 &at)
    {
        at = -1;
        connect(rig->window->receivePath().Text2(), &ReceivePane::changed, this, [this, &at] {
            if (at < 0 && rig->pane().endsWith(kConnected))
                at = rig->clock.now();
        });
    }

private slots:
    void init()
    {
        static int run = 0;
        const QString dbPath = dir.filePath(QString("orders%1.db").arg(++run));
        CreateCommandTable(dbPath, "mm", {{"Ping", "41 42", 5000, 16, "Y"}});
        rig = std::make_unique<WindowRig>();
        rig->devices.addSimulated(WatchedModem::kName,
                                  [this] { return std::make_unique<WatchedModem>(rig->clock, rig->line); });
        rig->settings.save("ComPort", "Port", WatchedModem::kName);
        rig->settings.save("Options", "DBName", dbPath);
        rig->build().StartUp();
        QVERIFY(rig->window->port().isOpen());
        rig->line.writes.clear();
        rig->dialogs.clear();
        for (int n = 1; n <= 3; ++n)
            QFile::remove(recordPath(n));
    }
    void cleanup() { rig.reset(); }

    void entryLoop_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("defaults");
        QTest::newRow("cancel at once") << QStringList{} << QStringList{"1031"};
        QTest::newRow("default accepted") << QStringList{"1031", "1032"} << QStringList{"1031", "1032", "1033"};
        QTest::newRow("leading number") << QStringList{"0755-123"} << QStringList{"1031", "756"};
        QTest::newRow("blanks end it") << QStringList{"1031", "  "} << QStringList{"1031", "1032"};
    }
    void entryLoop()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, defaults);
        const QStringList entered = typed.filter(QRegularExpression("\\S"));
        QString shown;
        rig->dialogs.onShow = [&](const ShownDialog &) { shown = rig->control<QComboBox>("numtext")->currentText(); };
        rig->dialogs.inputs << typed;
        rig->dialogs.answers << MsgAnswer::No; // not now
        mAutoDial()->trigger();

        QCOMPARE(rig->dialogs.shown.size(), defaults.size() + (entered.isEmpty() ? 0 : 1));
        for (int i = 0; i < defaults.size(); ++i) {
            QCOMPARE(rig->dialogs.shown[i].title, QString("输入巡测号码"));
            QCOMPARE(rig->dialogs.shown[i].defaultText, defaults[i]);
        }
        QCOMPARE(rig->dialogs.shown[0].text, QString("    当前已有号码：0 个\r\n\r\n\r\n    加入巡测号码：1 ？"));
        if (defaults.size() > 1)
            QCOMPARE(rig->dialogs.shown[1].text, QString("    当前已有号码：1 个\r\n\r\n    加入巡测号码：2 ？\r\n\r\n\r\n"
                                                         "     —— [ 取消 ] 后进入预巡测状态 ..."));
        QCOMPARE(rig->entries("numtext"), entered);
        if (!entered.isEmpty()) {
            QCOMPARE(rig->dialogs.messages(), QStringList{kStartQuestion});
            QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
            QCOMPARE(shown, QString("已有 %1 个号码 ...").arg(entered.size()));
        }
        rig->clock.advance(60000);
        QVERIFY(dials().isEmpty());
        QCOMPARE(mAutoDial()->text(), QString("自动巡拨"));
    }

    void twoPassesMarkWhoAnswered()
    {
        rig->window->receivePath().Text2()->setText("旧数据");
        QStringList status; // at each line written to the pane
        connect(rig->window->receivePath().Text2(), &ReceivePane::changed, this, [&] { status << rig->status(); });
        qint64 markedAt;
        watchConnectedMark(markedAt);
        patrol({"1030", "1035", "1036"});

        QCOMPARE(dials(), (QStringList{"1030", "1035", "1036", "1035", "1036"}));
        QCOMPARE(paneAfterHeader(), "旧数据" + attempt(1, "1030", true) + attempt(1, "1035", false)
                                        + attempt(1, "1036", false) + attempt(2, "1035", false) + attempt(2, "1036", false));
        QCOMPARE(rig->entries("numtext"), (QStringList{"1030      ->通<-", "1035         ->不通<-", "1036         ->不通<-"}));
        QCOMPARE(rig->control<QComboBox>("numtext")->currentText(), QString("1036"));
        QVERIFY(status.contains("第 2 次巡测： 1036 ..."));
        // The call that answered is held about two seconds, then hung up.
        const qint64 held = rig->line.timeOf("+++", markedAt) - markedAt;
        QVERIFY2(held >= 2000 && held <= 2100, qPrintable(QString::number(held)));
        QCOMPARE(rig->dialogs.messages(), (QStringList{kStartQuestion, "拨通后发预定义命令吗?", kSaveQuestion}));
        QCOMPARE(rig->dialogs.shown.last().title, QString("提示"));
        QCOMPARE(mAutoDial()->text(), QString("自动巡拨"));
    }

    void answeredPeerGetsTheCommandsAndTheUsersText_data()
    {
        QTest::addColumn<bool>("commands");
        QTest::addColumn<QString>("sendBox"); // typed in String format
        QTest::addColumn<QByteArray>("peerGets");
        QTest::addColumn<int>("byteDelay");
        QTest::newRow("neither") << false << "" << QByteArray() << 0;
        QTest::newRow("send box") << false << "hi" << QByteArray("hi\r\n") << 0;
        QTest::newRow("commands") << true << "" << QByteArray("AB") << 0;
        QTest::newRow("commands, then send box") << true << "hi" << QByteArray("ABhi\r\n") << 0;
        // The hang-up waits until a paced send is over.
        QTest::newRow("paced, commands, then send box") << true << "hi" << QByteArray("ABhi\r\n") << 1000;
    }
    void answeredPeerGetsTheCommandsAndTheUsersText()
    {
        QFETCH(bool, commands);
        QFETCH(QString, sendBox);
        QFETCH(QByteArray, peerGets);
        QFETCH(int, byteDelay);
        rig->window->sendPath().pacing()->setValue({byteDelay, 0});
        rig->window->formats().SetDataFormat(int(DataFormat::String), FormatSwitch::SendOnly);
        rig->window->sendPath().setSendText(sendBox);
        setPassCount("1");
        rig->dialogs.inputs << "1030" << QString();
        rig->dialogs.answers << MsgAnswer::Yes << (commands ? MsgAnswer::Yes : MsgAnswer::No);
        if (commands)
            rig->dialogs.answers << MsgAnswer::No; // 接收数据吗？
        rig->dialogs.answers << MsgAnswer::No; // no record
        mAutoDial()->trigger();

        // What went out between the dial and the hang-up's "+++".
        QByteArray connected;
        bool dialed = false;
        for (const QByteArray &chunk : rig->line.chunks()) {
            if (chunk == "+++")
                break;
            if (dialed)
                connected += chunk;
            dialed = dialed || chunk == "ATDT1030\r\n";
        }
        QVERIFY(dialed);
        QCOMPARE(connected, peerGets);
        // The user's text is back in the box, in the format it was typed in.
        if (!sendBox.isEmpty()) {
            QCOMPARE(rig->window->sendPath().sendText(), sendBox);
            QCOMPARE(rig->window->formats().sendFormat(), DataFormat::String);
        }
    }

    // The phone book was edited during the dial: the patrol's entry for 105
    // now reads listed. Only the number itself, bare or marked, is marked.
    void markLandsOnlyOnTheNumbersOwnEntry_data()
    {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("marked");
        const QString busy = "105         ->不通<-";
        QTest::newRow("the number") << "105" << busy;
        QTest::newRow("marked answered") << "105      ->通<-" << busy;
        QTest::newRow("marked not answered") << busy << busy;
        QTest::newRow("a longer number") << "1050" << "1050";
        QTest::newRow("a longer number, marked") << "1050      ->通<-" << "1050      ->通<-";
        QTest::newRow("the number with a note") << "105 总机" << "105 总机";
    }
    void markLandsOnlyOnTheNumbersOwnEntry()
    {
        QFETCH(QString, listed);
        QFETCH(QString, marked);
        QComboBox *numtext = rig->control<QComboBox>("numtext");
        setPassCount("1");
        rig->after(4000, [&] { numtext->setItemText(numtext->count() - 1, listed); }); // during the dial
        patrol({"105"});
        QCOMPARE(dials(), QStringList{"105"});
        QCOMPARE(rig->entries("numtext").last(), marked);
    }

    void stopEndsAfterTheAttemptInProgress()
    {
        qsizetype boxes = 0;
        rig->after(5000, [&] { // during the first dial
            QCOMPARE(mAutoDial()->text(), QString("停止巡拨"));
            mAutoDial()->trigger();
            QCOMPARE(mAutoDial()->text(), QString("自动巡拨"));
            QVERIFY(!mAutoDial()->isEnabled());
            boxes = rig->dialogs.shown.size();
        });
        qint64 markedAt;
        watchConnectedMark(markedAt);
        patrol({"1030", "1035"}, MsgAnswer::Yes);

        QCOMPARE(dials(), QStringList{"1030"});
        QCOMPARE(paneAfterHeader(), attempt(1, "1030", true));
        QCOMPARE(rig->entries("numtext"), (QStringList{"1030      ->通<-", "1035"}));
        // No commands, no hold: the call is hung up at once; then the save question.
        QCOMPARE(rig->line.timeOf("+++", markedAt), markedAt);
        QCOMPARE(rig->dialogs.shown.size(), boxes + 1);
        QCOMPARE(rig->dialogs.messages().last(), kSaveQuestion);
        QVERIFY(mAutoDial()->isEnabled());
    }

    void noPeripheralStopsWhereItIs()
    {
        rig->click("she");
        rig->openPort(DeviceCatalog::kLoopbackName); // raises no DSR
        rig->window->receivePath().Text2()->setText("旧数据");
        patrol({"1031"});
        QCOMPARE(rig->dialogs.messages().last(), QString("请检查外设是否正常！"));
        QCOMPARE(rig->dialogs.shown.last().title, QString("错误"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
        QCOMPARE(rig->pane(), QString("旧数据"));
        QCOMPARE(rig->entries("numtext"), QStringList{"1031"});
    }

    void passCountDialog_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("passCount");
        const QList<std::pair<QString, QString>> rows{{"3", "3"},   {" 5 次", "5"}, {"0", "2"},   {"", "2"},
                                                      {"abc", "2"}, {"0.6", "2"},   {"-3", "2"},  {"2.5", "2"},
                                                      {"3.5", "4"}, {"1e308", "2"}};
        for (const auto &[answer, count] : rows)
            QTest::newRow(qPrintable('"' + answer + '"')) << answer << count;
    }
    void passCountDialog()
    {
        QFETCH(QString, answer);
        QFETCH(QString, passCount);
        rig->window->settingsValues().passCount = "7";
        setPassCount(answer);
        const ShownDialog &box = rig->dialogs.shown.first();
        QCOMPARE(box.text + box.title + box.defaultText, QString(" 自动重拔次数 ... 请输入巡测次数7"));
        QCOMPARE(rig->window->settingsValues().passCount, passCount);
    }

    void recordKeepsTheDaysEarlierOnes()
    {
        rig->window->receivePath().Text2()->setText("旧\n数据"); // a bare line feed
        setPassCount("1");
        patrol({"1035"}, MsgAnswer::No, MsgAnswer::Yes);
        QFile first(recordPath(1));
        QVERIFY(first.open(QIODevice::ReadOnly));
        const QByteArray firstBytes = first.readAll();
        first.close();
        QCOMPARE(firstBytes, EncodeGbk(kHeader.match(rig->pane()).captured() + "旧\r\n数据" + attempt(1, "1035", false)));

        patrol({"1036"}, MsgAnswer::No, MsgAnswer::Yes);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), firstBytes);
        QFile second(recordPath(2));
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), EncodeGbk(QString(rig->pane()).replace("旧\n", "旧\r\n")));

        // A data folder that cannot be made: the user is told.
        QFile blocker(dir.filePath("not-a-folder"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", blocker.fileName().toLocal8Bit());
        patrol({"1035"}, MsgAnswer::No, MsgAnswer::Yes);
        qputenv("XDG_DATA_HOME", dataHome);
        QVERIFY(rig->dialogs.messages().last().startsWith("巡测记录未能保存！\r\n"));
        QCOMPARE(rig->dialogs.shown.last().title, QString("错误"));
        QVERIFY(!QFile::exists(recordPath(3)));
    }

    // The header stands in front of all of the record. A pane whose start
    // is kept on disk (read-only) cannot take it in front: the record
    // still starts with it, and the status bar says why the pane does not.
    void theHeaderStandsInFrontOfTheWholeRecord_data()
    {
        QTest::addColumn<qsizetype>("residentLimit");
        QTest::newRow("all in memory") << qsizetype(0);
        QTest::newRow("the start archived") << qsizetype(1000);
    }
    void theHeaderStandsInFrontOfTheWholeRecord()
    {
        QFETCH(qsizetype, residentLimit);
        QTemporaryDir folder;
        ReceivePane *pane = rig->window->receivePath().Text2();
        pane->setResidentLimit(residentLimit, folder.path());
        QString old;
        for (int i = 0; i < 500; ++i)
            old += QStringLiteral("旧数据 %1\n").arg(i);
        pane->setText(old);
        QCOMPARE(pane->history().base() > 0, residentLimit > 0);
        setPassCount("1");
        patrol({"1035"}, MsgAnswer::No, MsgAnswer::Yes);
        const QString shown = rig->pane();
        QCOMPARE(kHeader.match(shown).hasMatch(), residentLimit == 0);
        const QString record = DecodeGbk(FileBytes(recordPath(1)));
        const QString header = kHeader.match(record).captured();
        QVERIFY(!header.isEmpty());
        QCOMPARE(record.mid(header.size()), QString(old).replace("\n", "\r\n") + attempt(1, "1035", false));
        QCOMPARE(shown.mid(residentLimit == 0 ? header.size() : 0), old + attempt(1, "1035", false));
        QCOMPARE(rig->status().contains("只读"), residentLimit > 0);
    }

    // A character GBK lacks is kept in the record as "?" and counted in the
    // status bar; without GBK no record is written and the user is told.
    void recordOfTextGbkCannotHold_data()
    {
        QTest::addColumn<bool>("gbk");
        QTest::newRow("GBK") << true;
        QTest::newRow("no GBK") << false;
    }
    void recordOfTextGbkCannotHold()
    {
        QFETCH(bool, gbk);
        rig->window->receivePath().Text2()->setText("旧😀");
        setPassCount("1");
        if (!gbk)
            SetGbkEncoderName("no such encoding");
        patrol({"1035"}, MsgAnswer::No, MsgAnswer::Yes);
        SetGbkEncoderName("GBK");
        if (gbk) {
            QVERIFY(FileBytes(recordPath(1)).contains(EncodeGbk("旧?\r\n[ 第 1 次拨 1035 ]")));
            QVERIFY2(rig->status().contains(ReplacedCharactersText(1)), qPrintable(rig->status()));
        } else {
            QVERIFY(!QFile::exists(recordPath(1)));
            QCOMPARE(rig->dialogs.messages().last(),
                     "巡测记录未能保存！\r\n" + recordPath(1) + "\r\n" + GbkMissingText());
        }
    }

    void closingEndsThePatrol_data()
    {
        QTest::addColumn<QString>("box"); // close while this box is open,
        QTest::addColumn<int>("at");      // or at this time of the patrol
        QTest::newRow("entry box") << "输入巡测号码" << 0;
        QTest::newRow("wait before the dial") << QString() << 2500;
        QTest::newRow("dial") << QString() << 5000;
        QTest::newRow("command run") << QString() << 10000;
        QTest::newRow("save question") << kSaveQuestion << 0;
    }
    void closingEndsThePatrol()
    {
        QFETCH(QString, box);
        QFETCH(int, at);
        std::optional<QString> paneAtClose;
        const auto close = [&] {
            if (!paneAtClose) {
                rig->window->close();
                paneAtClose = rig->pane();
            }
        };
        rig->dialogs.onShow = [&](const ShownDialog &d) {
            if (d.title == box || d.text == box)
                close();
        };
        if (at)
            rig->after(at, close);
        patrol({"1030", "1035"}, MsgAnswer::Yes, MsgAnswer::Yes);

        QVERIFY(paneAtClose);
        QVERIFY(!rig->window->patrol().isRunning());
        QVERIFY(!rig->window->port().isOpen());
        // Nothing more was marked, asked or saved once the window closed.
        QCOMPARE(rig->pane(), *paneAtClose);
        const QStringList messages = rig->dialogs.messages();
        QVERIFY(messages.contains("确定退出本程序？"));
        QCOMPARE(messages.mid(messages.indexOf("确定退出本程序？")).filter(kSaveQuestion), QStringList{});
        QVERIFY(!QFile::exists(recordPath(1)));
    }
};

QTEST_MAIN(PatrolTest)
#include "tst_patrol.moc"
