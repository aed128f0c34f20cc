// SPDX-License-Identifier: GPL-3.0-or-later
// File transfer end to end: the main window holds one side of a
// pseudo-terminal, a real lrzsz program (or, for raw sends, the test) the
// other.

#include "FarEnd.h"
#include "FileBytes.h"
#include "FileSizeLimit.h"
#include "PtyPair.h"
#include "WaitFor.h"
#include "WindowRig.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPath.h"
#include "transfer/FileTransfer.h"
#include "transfer/ProgressWindow.h"
#include "transfer/ReceivedNames.h"
#include "transfer/TransferProtocol.h"
#include "transfer/ZmodemStart.h"

#include <QAction>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <optional>

namespace {

constexpr qint64 kMegabyte = 1024 * 1024;
// A real transfer over a pseudo-terminal takes a second or a few; a stuck
// one fails the test instead of holding it.
constexpr int kTransferLimitMs = 30000;
// How soon the device's program stops once it is told to: the cancel is
// said twice, a second apart; its time-outs would take ten seconds or more.
constexpr int kPromptMs = 5000;
// A pace that makes a megabyte take seconds: time to act in the middle.
constexpr qint64 kSlowPace = 4096;

// Every byte value, in an order that does not repeat every 256 bytes.
QByteArray AllByteValues(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i ^ (i >> 8) ^ (i >> 16)) & 0xFF);
    return bytes;
}

// The far-end program that answers a protocol: the receiver when the
// window sends, the sender when it receives.
QString FarProgram(const QString &protocol, bool windowSends)
{
    const Protocol p = *ProtocolNamed(protocol);
    return windowSends ? ReceiveCommand(p, {}).program : SendCommand(p, {}).program;
}

} // namespace

class TransferTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowRig> rig;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<QTemporaryDir> here;  // the window's files
    std::unique_ptr<QTemporaryDir> there; // the device's files

    FileTransfer &transfer() { return rig->window->fileTransfer(); }

    void openPort(const QString &settings = QStringLiteral("115200,n,8,1"))
    {
        rig->openPort(pty->slavePath(), settings);
        QVERIFY(rig->window->port().isOpen());
    }
    // Starts a transfer from the window as the user does: the menu item,
    // the protocol, then the file (sending, receiving XMODEM) or folder.
    void start(bool sending, const QString &protocol, const QString &path)
    {
        rig->dialogs.inputs.enqueue(protocol);
        rig->dialogs.files.enqueue(path);
        rig->window->menuItem(sending ? "mSendFile" : "mReceiveFile")->trigger();
    }
    // The device's side of a transfer of the file `name` of there.
    void startFarEnd(FarEnd &far, const QString &protocol, bool windowSends, const QString &name)
    {
        if (protocol == ProtocolName(Protocol::Raw))
            return;
        QStringList arguments{QStringLiteral("-q")};
        if (windowSends && protocol.startsWith(QStringLiteral("XMODEM")))
            arguments << QStringLiteral("-c") << name;
        else if (!windowSends)
            arguments << name;
        far.run(FarProgram(protocol, windowSends), arguments, there->path());
    }
    // Waits until a transfer is in the middle: a good part of a megabyte
    // has crossed the line (the programs' own reports lag behind, sz's by
    // all it has handed to the window at once).
    bool inTheMiddle(const FarEnd &far)
    {
        return WaitFor([&] { return far.moved() > kMegabyte / 16; }, kTransferLimitMs);
    }
    // The names in the window's folder that are final names, not those of
    // files marked incomplete.
    QStringList finalNames() const
    {
        QStringList names;
        for (const QString &n : QDir(here->path()).entryList(QDir::Files | QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot))
            if (!n.endsWith(IncompleteName({})))
                names << n;
        return names;
    }

private slots:
    void initTestCase()
    {
        // A file that reaches the size limit fails its write, as on a full
        // disk, instead of ending the program that writes it.
        std::signal(SIGXFSZ, SIG_IGN);
        if (FindProgram(QStringLiteral("sz")).isEmpty() || FindProgram(QStringLiteral("rz")).isEmpty())
            QFAIL("the lrzsz programs are missing: apt-get install lrzsz");
    }
    void init()
    {
        rig = std::make_unique<WindowRig>();
        rig->build().receivePath().StartPolling();
        pty = std::make_unique<PtyPair>();
        QVERIFY(pty->isValid());
        here = std::make_unique<QTemporaryDir>();
        there = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        rig.reset();
        pty.reset();
    }

    void filesArriveWhole_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<bool>("windowSends");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("settings");
        const QString fast = QStringLiteral("115200,n,8,1");
        for (const bool sends : {true, false}) {
            const char *way = sends ? "send" : "receive";
            for (const QString &protocol : sends ? SendProtocolNames() : ReceiveProtocolNames()) {
                const QByteArray p = protocol.toUtf8();
                QTest::addRow("%s %s 1 MB", way, p.data()) << protocol << sends << "data.bin" << kMegabyte << fast;
                QTest::addRow("%s %s empty", way, p.data()) << protocol << sends << "empty.bin" << qint64(0) << fast;
                if (CarriesNames(*ProtocolNamed(protocol)))
                    QTest::addRow("%s %s Chinese name", way, p.data())
                        << protocol << sends << "测试 文件 一.bin" << qint64(3000) << fast;
            }
        }
        QTest::newRow("send raw under XON/XOFF") << ProtocolName(Protocol::Raw) << true << "data.bin" << kMegabyte
                                                 << QStringLiteral("115200,n,8,1,x");
    }
    void filesArriveWhole()
    {
        QFETCH(QString, protocol);
        QFETCH(bool, windowSends);
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(QString, settings);
        const QByteArray bytes = AllByteValues(size);
        const QString source = (windowSends ? here : there)->filePath(name);
        WriteFileBytes(source, bytes);
        openPort(settings);
        FarEnd far(*pty);
        startFarEnd(far, protocol, windowSends, name);
        const bool xonXoff = settings.endsWith(QStringLiteral(",x"));
        qint64 arrivedDuringXoff = -1;
        if (xonXoff) {
            pty->write("\x13"); // XOFF: the device is not ready
            // XON a little later, from inside the write that waits for it.
            QTimer::singleShot(200, this, [&] {
                arrivedDuringXoff = far.received.size();
                pty->write("\x11");
            });
        }
        QSignalSpy finished(&transfer(), &FileTransfer::finished);
        const bool xmodem = protocol.startsWith(QStringLiteral("XMODEM"));
        start(windowSends, protocol,
              windowSends ? source : xmodem ? here->filePath(QStringLiteral("got.bin")) : here->path());
        WaitFor([&] { return finished.size() == 1; }, kTransferLimitMs);
        QCOMPARE(finished.size(), 1);
        if (xonXoff)
            QCOMPARE(arrivedDuringXoff, 0);
        QVERIFY2(finished[0][0].toBool(), qPrintable(finished[0][1].toString()));
        WaitFor([&] { return !far.isRunning(); }, kTransferLimitMs);
        QVERIFY(!far.isRunning());
        QString arrived;
        if (protocol == ProtocolName(Protocol::Raw)) {
            WaitFor([&] { return far.received.size() == size; }, kTransferLimitMs);
            QCOMPARE(far.received.size(), size);
            QVERIFY(far.received == bytes);
            QCOMPARE(rig->window->sendPath().counter(), size);
            return;
        }
        QCOMPARE(far.exitCode(), 0);
        if (windowSends)
            arrived = there->filePath(name);
        else
            arrived = here->filePath(xmodem ? QStringLiteral("got.bin") : name);
        QVERIFY2(FileBytes(arrived) == bytes, qPrintable(arrived));
        QCOMPARE(QFileInfo(arrived).size(), size);
        if (!windowSends) // the private folder is gone
            QCOMPARE(finalNames(), QStringList{QFileInfo(arrived).fileName()});
    }

    void aNameTakenGetsAFurtherName()
    {
        WriteFileBytes(there->filePath("a.txt"), "new");
        WriteFileBytes(here->filePath("a.txt"), "old");
        openPort();
        FarEnd far(*pty);
        startFarEnd(far, QStringLiteral("ZMODEM"), false, QStringLiteral("a.txt"));
        QSignalSpy finished(&transfer(), &FileTransfer::finished);
        start(false, QStringLiteral("ZMODEM"), here->path());
        WaitFor([&] { return finished.size() == 1; }, kTransferLimitMs);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(FileBytes(here->filePath("a.txt")), QByteArray("old"));
        QCOMPARE(FileBytes(here->filePath("a (1).txt")), QByteArray("new"));
    }

    // A transfer that ends before its file is whole: by 取消, the device
    // going away, a full disk or a device that speaks no protocol. It ends
    // with a message (none for 取消), the device's side stops too, and no
    // part of a file keeps a final name.
    void anEndInTheMiddleStopsBothSides_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<bool>("windowSends");
        // cancel: 取消 in the middle; cancel at once: as soon as the device's
        // program has said its first word; device gone: the far end closes;
        // disk full: the window's disk takes no more; garbage: the device
        // answers with random bytes instead of the protocol.
        QTest::addColumn<QString>("how");
        const auto add = [](const char *how, bool sends, const QString &protocol) {
            QTest::addRow("%s %s %s", how, sends ? "send" : "receive", protocol.toUtf8().data())
                << protocol << sends << QString::fromUtf8(how);
        };
        for (const char *how : {"cancel", "device gone", "cancel at once", "garbage", "disk full"})
            for (const bool sends : {true, false})
                for (const QString &protocol : sends ? SendProtocolNames() : ReceiveProtocolNames()) {
                    const bool raw = protocol == ProtocolName(Protocol::Raw);
                    const auto is = [how](const char *what) { return strcmp(how, what) == 0; };
                    // Raw sending has no answer to wait for, a disk fills
                    // only when receiving, and XMODEM-1K starts as XMODEM.
                    if ((raw && !is("cancel") && !is("device gone")) || (sends && is("disk full"))
                        || (is("garbage") && protocol == ProtocolName(Protocol::Xmodem1K)))
                        continue;
                    add(how, sends, protocol);
                }
    }
    void anEndInTheMiddleStopsBothSides()
    {
        QFETCH(QString, protocol);
        QFETCH(bool, windowSends);
        QFETCH(QString, how);
        const QString name = QStringLiteral("big.bin");
        WriteFileBytes((windowSends ? here : there)->filePath(name), AllByteValues(kMegabyte));
        openPort();
        FarEnd far(*pty, kSlowPace);
        if (how == QStringLiteral("garbage"))
            far.babble();
        else
            startFarEnd(far, protocol, windowSends, name);
        QSignalSpy finished(&transfer(), &FileTransfer::finished);
        const bool xmodem = protocol.startsWith(QStringLiteral("XMODEM"));
        // The programs the window starts inherit the limit.
        std::optional<FileSizeLimit> full;
        if (how == QStringLiteral("disk full"))
            full.emplace(kMegabyte / 4);
        start(windowSends, protocol,
              windowSends ? here->filePath(name) : xmodem ? here->filePath(QStringLiteral("got.bin")) : here->path());
        if (how == QStringLiteral("cancel at once"))
            QVERIFY(WaitFor([&] { return far.moved() > 0; }, kTransferLimitMs));
        else if (how != QStringLiteral("garbage") && how != QStringLiteral("disk full"))
            QVERIFY(inTheMiddle(far));
        rig->dialogs.clear();
        if (how == QStringLiteral("device gone"))
            far.vanish();
        else if (how.startsWith(QStringLiteral("cancel")))
            transfer().progressWindow()->cancelButton()->click();
        WaitFor([&] { return finished.size() == 1; }, kTransferLimitMs);
        full.reset();
        QCOMPARE(finished.size(), 1);
        QVERIFY(!finished[0][0].toBool());
        QVERIFY(!transfer().isRunning());
        QVERIFY(!transfer().progressWindow());
        const QString said = finished[0][1].toString();
        if (how == QStringLiteral("device gone")) {
            // The transfer says why it ended, and the port panel tells of
            // the lost device as it always does.
            QVERIFY2(said.contains(QStringLiteral("串口")), qPrintable(said));
            QVERIFY(rig->dialogs.messages().contains(said));
            const auto panelSaid = [this] {
                for (const QString &m : rig->dialogs.messages())
                    if (m.contains(QStringLiteral("串口设备已断开")))
                        return true;
                return false;
            };
            QVERIFY(WaitFor(panelSaid, kTransferLimitMs));
            QVERIFY(!rig->window->port().isOpen());
        } else if (how.startsWith(QStringLiteral("cancel"))) {
            // The device's program saw the cancel sequence and gave up at
            // once, not after its time-outs.
            QVERIFY2(WaitFor([&] { return !far.isRunning(); }, kPromptMs), far.report().constData());
            QVERIFY(rig->dialogs.messages().isEmpty());
            if (protocol != ProtocolName(Protocol::Raw))
                QVERIFY(far.exitCode() != 0);
        } else {
            QVERIFY2(said.contains(how == QStringLiteral("garbage") ? QStringLiteral("数据出错") : QStringLiteral("磁盘已满")),
                     qPrintable(said));
            QVERIFY(rig->dialogs.messages().contains(said));
        }
        if (!windowSends)
            QVERIFY2(finalNames().isEmpty(), qPrintable(finalNames().join(',')));
        // The pane takes the port again.
        QVERIFY(!rig->window->receivePath().isHeld());
    }

    void badInputEndsWithAMessage_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("message"); // a part of the message
        QTest::newRow("no open port") << "no port" << "先打开串口！！！";
        QTest::newRow("file not there") << "no file" << "无法读取";
        QTest::newRow("folder is a file") << "bad folder" << "无法写入";
        QTest::newRow("lrzsz missing") << "no lrzsz" << "apt-get install lrzsz";
    }
    void badInputEndsWithAMessage()
    {
        QFETCH(QString, what);
        QFETCH(QString, message);
        if (what != QStringLiteral("no port"))
            openPort();
        const QByteArray path = qgetenv("PATH");
        if (what == QStringLiteral("no lrzsz"))
            qputenv("PATH", QFile::encodeName(here->path()));
        const QString file = here->filePath(QStringLiteral("plain"));
        WriteFileBytes(file, "x");
        if (what == QStringLiteral("bad folder"))
            start(false, QStringLiteral("ZMODEM"), file);
        else
            start(true, QStringLiteral("ZMODEM"), what == QStringLiteral("no file") ? here->filePath("none") : file);
        qputenv("PATH", path);
        QCOMPARE(rig->dialogs.messages().size(), 1);
        QVERIFY2(rig->dialogs.messages()[0].contains(message), qPrintable(rig->dialogs.messages()[0]));
        QVERIFY(!transfer().isRunning());
        QCOMPARE(QDir(here->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"plain"});
    }

    void aZmodemStartOffersToReceive_data()
    {
        QTest::addColumn<bool>("offerOn");
        QTest::addColumn<bool>("accept");
        QTest::newRow("accepted") << true << true;
        QTest::newRow("declined") << true << false;
        QTest::newRow("switched off") << false << false;
    }
    void aZmodemStartOffersToReceive()
    {
        QFETCH(bool, offerOn);
        QFETCH(bool, accept);
        const QByteArray bytes = AllByteValues(100000);
        WriteFileBytes(there->filePath("log.bin"), bytes);
        rig->window->fileTransfer().autoStartItem()->setChecked(offerOn);
        QCOMPARE(rig->window->settingsValues().zmodemAutoStart, offerOn);
        openPort();
        rig->window->formats().SetDataFormat(int(DataFormat::String), FormatSwitch::ReceiveOnly);
        rig->click("Receive");
        QSignalSpy finished(&transfer(), &FileTransfer::finished);
        rig->dialogs.answers.enqueue(accept ? MsgAnswer::Yes : MsgAnswer::No);
        rig->dialogs.files.enqueue(here->path());
        FarEnd far(*pty);
        startFarEnd(far, QStringLiteral("ZMODEM"), false, QStringLiteral("log.bin"));
        const auto offered = [this] {
            for (const ShownDialog &d : rig->dialogs.shown)
                if (d.text.contains(QStringLiteral("ZMODEM")))
                    return true;
            return false;
        };
        QString pane;
        if (!offerOn) {
            QVERIFY(WaitFor([&] {
                rig->clock.advance(20);
                return rig->pane().contains(QStringLiteral("B00"));
            }, kTransferLimitMs));
            QVERIFY(!offered());
            return;
        }
        QVERIFY(WaitFor([&] {
            rig->clock.advance(20);
            return offered();
        }, kTransferLimitMs));
        if (accept) {
            WaitFor([&] { return finished.size() == 1; }, kTransferLimitMs);
            QCOMPARE(finished.size(), 1);
            QVERIFY(finished[0][0].toBool());
            QVERIFY(FileBytes(here->filePath("log.bin")) == bytes);
        }
        // The device's sender stops: it finished, or it took the cancel.
        WaitFor([&] { return !far.isRunning(); }, kTransferLimitMs);
        QVERIFY(!far.isRunning());
        QCOMPARE(far.exitCode() == 0, accept);
        QVERIFY(!rig->window->receivePath().isHeld());
        // Nothing of the transfer is in the pane; what comes after is.
        QVERIFY(!rig->pane().contains(QStringLiteral("B0")));
        pty->write("after");
        QVERIFY2(WaitFor([&] {
            rig->clock.advance(20);
            return rig->pane().endsWith(QStringLiteral("after"));
        }, kTransferLimitMs), qPrintable(rig->pane().right(40)));
    }

    void furtherNamesAreTaken_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("sent");  // the sender's name
        QTest::addColumn<QString>("taken"); // the name the file gets
        QTest::newRow("free") << QStringList{} << "a.txt" << "a.txt";
        QTest::newRow("taken") << QStringList{"a.txt"} << "a.txt" << "a (1).txt";
        QTest::newRow("taken twice") << QStringList{"a.txt", "a (1).txt"} << "a.txt" << "a (2).txt";
        QTest::newRow("no extension") << QStringList{"README"} << "README" << "README (1)";
        QTest::newRow("dot file") << QStringList{".rc"} << ".rc" << ".rc (1)";
        QTest::newRow("folder part dropped") << QStringList{} << "../../etc/passwd" << "passwd";
        QTest::newRow("Windows folder part") << QStringList{} << "C:\\tmp\\x.bin" << "x.bin";
        QTest::newRow("only dots") << QStringList{} << ".." << "接收的文件";
    }
    void furtherNamesAreTaken()
    {
        QFETCH(QStringList, existing);
        QFETCH(QString, sent);
        QFETCH(QString, taken);
        for (const QString &name : existing)
            WriteFileBytes(here->filePath(name), "x");
        QCOMPARE(FreeName(QDir(here->path()), PlainName(sent)), taken);
    }

    // Enter, meant for the dialog just closed, never ends a transfer; Esc does.
    void onlyAClickOrEscCancels()
    {
        ProgressWindow window(QStringLiteral("发送文件"), nullptr);
        QSignalSpy cancels(&window, &ProgressWindow::cancelled);
        window.show();
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(cancels.size(), 0);
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(cancels.size(), 1);
    }

    void zmodemStartIsFoundAcrossPieces_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("piece"); // the piece it is found in, -1 none
        QTest::addColumn<int>("at");
        QTest::newRow("whole") << QList<QByteArray>{"rz\r**\x18" "B00000"} << 0 << 3;
        QTest::newRow("split") << QList<QByteArray>{"xx**", "\x18" "B00"} << 1 << 0;
        QTest::newRow("three stars") << QList<QByteArray>{"***\x18" "B00"} << 0 << 1;
        QTest::newRow("no ZDLE") << QList<QByteArray>{"**B00"} << -1 << -1;
        QTest::newRow("broken") << QList<QByteArray>{"**\x18", "xB00"} << -1 << -1;
    }
    void zmodemStartIsFoundAcrossPieces()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, piece);
        QFETCH(int, at);
        ZmodemStart start;
        for (int i = 0; i < pieces.size(); ++i)
            QCOMPARE(start.find(pieces[i]), i == piece ? at : -1);
    }
};

QTEST_MAIN(TransferTest)
#include "tst_transfer.moc"
