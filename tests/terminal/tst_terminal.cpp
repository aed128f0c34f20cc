// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal driven through its controls: the port panel, the send and
// receive paths and the check codes, on the loopback device, test devices
// and pseudo-terminals with the real serial backend.

#include "PtyPair.h"
#include "WindowRig.h"
#include "core/Crc.h"
#include "core/SelectionCheck.h"
#include "core/Widgets.h"
#include "modem/SimulatedModem.h"
#include "serial/PortWatcher.h"
#include "serial/SerialPort.h"
#include "terminal/CheckCodes.h"
#include "terminal/FormatSwitch.h"
#include "terminal/LineEndingChoice.h"
#include "terminal/PortPanel.h"
#include "terminal/SendPacing.h"
#include "terminal/SendPath.h"
#include "terminal/StampChoice.h"
#include "terminal/TextPane.h"
#include "terminal/Toolbar.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

class TerminalTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowRig> rig;

    void setSendFormat(DataFormat f) { rig->window->formats().SetDataFormat(int(f), FormatSwitch::SendOnly); }
    void setReceiveFormat(DataFormat f) { rig->window->formats().SetDataFormat(int(f), FormatSwitch::ReceiveOnly); }
    // Lets real time pass for the pseudo-terminal, then virtual time for the poll timer.
    void settle()
    {
        QTest::qWait(30);
        rig->clock.advance(60);
    }

private slots:
    void init()
    {
        rig = std::make_unique<WindowRig>();
        // A modem that is on: DSR is up, so the port set-up initialises it.
        rig->addScripted("test-modem", [](ScriptedDevice &modem) { modem.lines.dsr = true; });
        rig->addScripted("2");
        // A modem with a call up: carrier detect is high.
        rig->addScripted("online", [](ScriptedDevice &modem) { modem.lines = {true, false, true}; });
        rig->build().receivePath().StartPolling();
    }
    void cleanup() { rig.reset(); }

    void everyOpenFailureIsReported_data()
    {
        QTest::addColumn<QString>("port");     // what the port box names
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("message");  // %1 stands for the port's path
        QTest::addColumn<QString>("title");
        const QString notSerial = "串口打开失败：“%1”不是串口设备！";
        QTest::newRow("no such port") << "/dev/kestrel-no-such-port" << "9600,n,8,1"
                                      << "串口号设置错误！" << "错误";
        QTest::newRow("bad settings") << DeviceCatalog::kLoopbackName << "9600,x,8,1"
                                      << "通信属性设置错误！" << "错误";
        QTest::newRow("bad flow control") << DeviceCatalog::kLoopbackName << "9600,n,8,1,r"
                                          << "通信属性设置错误！" << "错误";
        QTest::newRow("in use") << "pty in use" << "9600,n,8,1"
                                << "你所设置的串口正在被使用,请重新设置!!!" << "警告!";
        QTest::newRow("regular file") << "file" << "9600,n,8,1" << notSerial << "错误";
        QTest::newRow("FIFO") << "fifo" << "9600,n,8,1" << notSerial << "错误";
        QTest::newRow("folder") << "folder" << "9600,n,8,1" << "串口打开失败：Is a directory！"
                                << "错误";
        QTest::newRow("failure without words") << "refuses" << "9600,n,8,1" << "串口打开失败！"
                                               << "错误";
    }

    void everyOpenFailureIsReported()
    {
        QFETCH(QString, port);
        QFETCH(QString, settings);
        QFETCH(QString, message);
        QFETCH(QString, title);
        rig->addScripted("refuses", [](ScriptedDevice &d) { d.openError = PortError::Other; });
        QTemporaryDir dir;
        PtyPair pty;
        QSerialPort other(pty.slavePath());
        if (port == "pty in use") {
            QVERIFY(other.open(QIODevice::ReadWrite));
            port = pty.slavePath();
        } else if (port == "file" || port == "fifo" || port == "folder") {
            const QString path = dir.filePath(port);
            if (port == "file")
                QVERIFY(QFile(path).open(QIODevice::WriteOnly));
            else if (port == "fifo")
                QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            else
                QVERIFY(QDir().mkpath(path));
            port = path;
        }
        rig->openPort(port, settings);
        QCOMPARE(rig->dialogs.messages(), QStringList{message.arg(port)});
        QCOMPARE(rig->dialogs.shown.last().title, title);
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
        QCOMPARE(rig->status(), QString(" 设置不成功 ... "));
        QVERIFY(rig->visible("Piccom"));
        QVERIFY(rig->visible("que"));
        QVERIFY(!rig->window->port().isOpen());
    }

    void applyLocksThePanelAndUnlockCloses()
    {
        // The port box offers the design entries, then the simulated devices last.
        auto *comba = rig->control<QComboBox>("comba");
        QCOMPARE(comba->itemText(0), QString(" 1"));
        QCOMPARE(comba->itemText(comba->count() - 1), SimulatedModem::kName);
        QVERIFY(comba->findText(DeviceCatalog::kLoopbackName) > 4);

        rig->openPort(DeviceCatalog::kLoopbackName);
        QVERIFY(rig->window->port().isOpen());
        QCOMPARE(rig->status(), QString(" 设置成功 ... "));
        QVERIFY(!rig->visible("Piccom"));
        QVERIFY(!rig->control<QComboBox>("comba")->isEnabled());
        QVERIFY(rig->visible("she"));
        QVERIFY(rig->control<QPushButton>("send")->isEnabled());
        QVERIFY(rig->window->toolbar().isPressed(3));
        // Lamps: the loopback raises no modem lines; DTR is the program's own.
        rig->clock.advance(40);
        QCOMPARE(rig->control<Lamp>("shdtr")->isOn(), true);
        QCOMPARE(rig->control<Lamp>("shdsr")->isOn(), false);

        rig->click("she");
        QVERIFY(!rig->window->port().isOpen());
        QCOMPARE(rig->status(), QString(" 串口设置中 ... "));
        QVERIFY(rig->control<QComboBox>("comba")->isEnabled());
        QVERIFY(rig->visible("Piccom"));
    }

    void settingsReachTheDevice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reached"); // baud, parity, data bits, stop bits, flow
        QTest::addColumn<QStringList>("lines"); // what the program drove, from the open on
        QTest::addColumn<bool>("driverHoldsRts"); // the RTS lamp shows the driver's line
        const QStringList driven{"0 DTR 0", "0 RTS 0", "0 DTR 0", "500 DTR 1"};
        QTest::newRow("four fields") << "9600,n,8,1" << "9600 n 8 1 n" << driven << false;
        QTest::newRow("software flow") << "19200,E,7,2,x" << "19200 e 7 2 x" << driven << false;
        QTest::newRow("mark parity, any rate") << "250000,m,8,1.5,n" << "250000 m 8 1.5 n" << driven
                                               << false;
        // Under RTS/CTS the driver drives RTS: the program leaves it alone,
        // and the lamp shows it as the driver holds it.
        QTest::newRow("hardware flow") << "1000000,s,8,1,h" << "1000000 s 8 1 h"
                                       << QStringList{"0 DTR 0", "0 DTR 0", "500 DTR 1"} << true;
    }

    void settingsReachTheDevice()
    {
        QFETCH(QString, text);
        QFETCH(QString, reached);
        QFETCH(QStringList, lines);
        QFETCH(bool, driverHoldsRts);
        ScriptedDevice *device = nullptr;
        rig->addScripted("dev", [&device](ScriptedDevice &d) { device = &d; });
        const qint64 start = rig->clock.now();
        rig->openPort("dev", text);
        QVERIFY(rig->window->port().isOpen());
        const PortSettings &s = device->settings;
        QCOMPARE(QString("%1 %2 %3 %4 %5").arg(s.baud).arg(QChar(s.parity)).arg(s.dataBits)
                     .arg(s.stopBits).arg(QChar(s.flow)),
                 reached);
        QStringList relative;
        for (const QString &change : rig->line.lineChanges) {
            const qsizetype blank = change.indexOf(' ');
            relative << QString::number(change.left(blank).toLongLong() - start) + change.mid(blank);
        }
        QCOMPARE(relative, lines);
        // The modem parts' RTS changes wait while the driver holds the line.
        rig->window->port().setRtsEnable(true);
        rig->clock.advance(40);
        QCOMPARE(rig->control<Lamp>("shrts")->isOn(), true);
        device->driverRts = false;
        rig->clock.advance(40);
        QCOMPARE(rig->control<Lamp>("shrts")->isOn(), !driverHoldsRts);
        // The text is kept as typed, for the settings file.
        QCOMPARE(rig->window->port().settings(), text);
    }

    void settingsReachThePseudoTerminal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("speed");
        // A pseudo-terminal keeps 8 data bits and no parity enable whatever
        // it is told; the kind of parity, the stop bits and the flow control
        // it holds.
        QTest::addColumn<int>("cflags"); // parity kind, stop bits, RTS/CTS
        QTest::addColumn<int>("iflags"); // XON/XOFF
        QTest::newRow("plain") << "9600,n,8,1" << int(B9600) << 0 << 0;
        QTest::newRow("2 stop bits") << "115200,n,8,2" << int(B115200) << int(CSTOPB) << 0;
        QTest::newRow("odd") << "4800,o,8,1,n" << int(B4800) << int(PARODD) << 0;
        QTest::newRow("mark") << "9600,m,8,1" << int(B9600) << int(PARODD | CMSPAR) << 0;
        QTest::newRow("space") << "9600,s,8,1" << int(B9600) << int(CMSPAR) << 0;
        QTest::newRow("hardware flow") << "57600,n,8,1,h" << int(B57600) << int(CRTSCTS) << 0;
        QTest::newRow("software flow") << "38400,n,8,1,X" << int(B38400) << 0 << int(IXON | IXOFF);
    }

    void settingsReachThePseudoTerminal()
    {
        QFETCH(QString, text);
        QFETCH(int, speed);
        QFETCH(int, cflags);
        QFETCH(int, iflags);
        PtyPair pty;
        QVERIFY(pty.isValid());
        rig->openPort(pty.slavePath(), text);
        QVERIFY(rig->window->port().isOpen());
        const termios t = pty.attributes();
        QCOMPARE(int(cfgetospeed(&t)), speed);
        QCOMPARE(int(t.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS)), cflags);
        QCOMPARE(int(t.c_iflag & (IXON | IXOFF)), iflags);
    }

    void breakHoldsTheLineForItsLength_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("default") << 250;
        QTest::newRow("stored length") << 1000;
    }

    void breakHoldsTheLineForItsLength()
    {
        QFETCH(int, length);
        rig->window->settingsValues().breakMs = length;
        QAction *item = rig->window->menuItem("mBreak");
        QCOMPARE(item->text(), QString("发送中断信号(Break)"));
        QCOMPARE(item->shortcut(), QKeySequence("Ctrl+Shift+B"));
        QVERIFY(!item->isEnabled());
        ScriptedDevice *device = nullptr;
        rig->addScripted("dev", [&device](ScriptedDevice &d) { device = &d; });
        rig->openPort("dev");
        rig->click("Receive");
        QVERIFY(item->isEnabled());
        rig->line.lineChanges.clear();

        const qint64 start = rig->clock.now();
        item->trigger();
        QVERIFY(!item->isEnabled()); // one break at a time
        item->trigger();
        // The window goes on receiving while the line is held.
        device->feed("AB");
        rig->clock.advance(length - 1);
        QCOMPARE(rig->pane(), QString("41 42 "));
        QCOMPARE(rig->line.lineChanges, QStringList{QString("%1 BREAK 1").arg(start)});
        rig->clock.advance(1);
        QCOMPARE(rig->line.lineChanges, (QStringList{QString("%1 BREAK 1").arg(start),
                                                     QString("%1 BREAK 0").arg(start + length)}));
        QVERIFY(item->isEnabled());

        rig->click("she");
        QVERIFY(!item->isEnabled());
    }

    // The break length and the stamps' frame gap: asked for until the
    // answer is within 1 to 10000 ms, each refusal naming the range.
    void lengthIsAskedUntilInRange_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("defaults"); // what each input box offers
        QTest::addColumn<int>("length");
        QTest::newRow("in range") << "mBreakLength" << QStringList{"1000"} << QStringList{"250"} << 1000;
        QTest::newRow("cancel") << "mBreakLength" << QStringList{} << QStringList{"250"} << 250;
        QTest::newRow("outside, then in range") << "mBreakLength" << QStringList{"0", "10001", " 10000 "}
                                                << QStringList{"250", "0", "10001"} << 10000;
        QTest::newRow("no number, then cancel") << "mBreakLength" << QStringList{"long", ""}
                                                << QStringList{"250", "long"} << 250;
        QTest::newRow("gap in range") << "mStampGap" << QStringList{"1"} << QStringList{"20"} << 1;
        QTest::newRow("gap outside, then in range") << "mStampGap" << QStringList{"0", "10001", "50"}
                                                    << QStringList{"20", "0", "10001"} << 50;
        QTest::newRow("gap no number, then cancel") << "mStampGap" << QStringList{"abc", ""}
                                                    << QStringList{"20", "abc"} << 20;
    }

    void lengthIsAskedUntilInRange()
    {
        QFETCH(QString, item);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, defaults);
        QFETCH(int, length);
        rig->dialogs.inputs.append(answers);
        rig->window->menuItem(item)->trigger();
        QStringList offered;
        int refusals = 0;
        const QString refusal = item == "mBreakLength" ? "时长须在 1 到 10000 毫秒之间！" : "间隔须在 1 到 10000 毫秒之间！";
        for (const ShownDialog &d : rig->dialogs.shown) {
            if (d.kind == ShownDialog::Input)
                offered << d.defaultText;
            else if (d.text == refusal)
                ++refusals;
        }
        QCOMPARE(offered, defaults);
        QCOMPARE(refusals, defaults.size() - 1);
        QCOMPARE(rig->dialogs.shown.size(), 2 * defaults.size() - 1);
        QCOMPARE(item == "mBreakLength" ? rig->window->settingsValues().breakMs
                                        : rig->window->receivePath().stamps()->gapMs(),
                 length);
    }

    void lampsSwitchTheOutputLines_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("busy"); // what drives the lines meanwhile
        QTest::addColumn<bool>("rtsSwitch");
        QTest::addColumn<bool>("switches"); // while busy
        QTest::newRow("free") << "9600,n,8,1" << "" << true << true;
        QTest::newRow("RTS/CTS") << "9600,n,8,1,h" << "" << false << true;
        QTest::newRow("answer wait") << "9600,n,8,1" << "answer wait" << true << false;
        QTest::newRow("command run") << "9600,n,8,1" << "command run" << true << false;
    }

    void lampsSwitchTheOutputLines()
    {
        QFETCH(QString, settings);
        QFETCH(QString, busy);
        QFETCH(bool, rtsSwitch);
        QFETCH(bool, switches);
        Lamp *dtr = rig->control<Lamp>("shdtr");
        Lamp *rts = rig->control<Lamp>("shrts");
        QVERIFY(!dtr->isEnabled() && !rts->isEnabled()); // no port
        rig->addScripted("dev", [](ScriptedDevice &d) { d.driverRts = false; });
        rig->openPort("dev", settings);
        rig->clock.advance(40);
        QVERIFY(dtr->isOn() && !rts->isOn());
        QCOMPARE(dtr->isEnabled(), true);
        QCOMPARE(rts->isEnabled(), rtsSwitch);
        QVERIFY(dtr->toolTip().startsWith("单击切换 DTR"));
        rig->line.lineChanges.clear();

        if (busy == "answer wait")
            rig->control<QCheckBox>("Huru")->setChecked(true);
        else if (busy == "command run")
            rig->window->flags().commandRun = true;
        rig->clock.advance(20);
        const qint64 at = rig->clock.now();
        QTest::mouseClick(dtr, Qt::LeftButton);
        QTest::mouseClick(rts, Qt::LeftButton);
        QStringList expected;
        if (switches)
            expected << QString("%1 DTR 0").arg(at);
        if (switches && rtsSwitch)
            expected << QString("%1 RTS 1").arg(at);
        QCOMPARE(rig->line.lineChanges, expected);
        // The lamps follow at once.
        QCOMPARE(dtr->isOn(), !switches);
        QCOMPARE(rts->isOn(), switches && rtsSwitch);

        // Afterwards the lines are as they were left, and the switches work.
        rig->control<QCheckBox>("Huru")->setChecked(false);
        rig->window->flags().commandRun = false;
        rig->clock.advance(20);
        QVERIFY(dtr->isEnabled());
        QTest::mouseClick(dtr, Qt::LeftButton);
        QCOMPARE(rig->line.lineChanges.last(), QString("%1 DTR %2").arg(rig->clock.now()).arg(switches ? 1 : 0));
        QCOMPARE(dtr->isOn(), switches);
    }

    void modemIsInitialisedOnDsr()
    {
        rig->openPort("test-modem");
        WriteLog &line = rig->line;
        QCOMPARE(line.chunks(), (QList<QByteArray>{"ATS0=0\r\n", "ATZ\r\n"}));
        QCOMPARE(line.writes[1].at - line.writes[0].at, 100);
        line.writes.clear();
        rig->openPort(DeviceCatalog::kLoopbackName);
        QVERIFY(line.writes.isEmpty());
    }

    void sendFormatsPutExactBytesOnTheLine()
    {
        PtyPair pty;
        QVERIFY(pty.isValid());
        rig->openPort(pty.slavePath());
        QVERIFY(rig->window->port().isOpen());
        // A pseudo-terminal has no line signals and refuses DTR/RTS: all lamps off.
        rig->clock.advance(40);
        for (const char *lamp : {"spcd", "shcts", "shdsr", "shdtr", "shrts"})
            QVERIFY2(!rig->control<Lamp>(lamp)->isOn(), lamp);
        auto *text1 = rig->window->sendPath().Text1();

        setSendFormat(DataFormat::String);
        text1->setText("  ABC ");
        rig->click("send");
        QTest::qWait(20);
        QCOMPARE(pty.readAvailable(), QByteArray("ABC\r\n"));
        QCOMPARE(text1->text(), QString("ABC"));
        QCOMPARE(rig->control<QLabel>("zis")->text(), QString("【3】B"));

        setSendFormat(DataFormat::Hex);
        text1->setText("41 42 4");
        rig->click("send");
        QCOMPARE(rig->dialogs.messages(), QStringList{"发送数据错误！"});
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
        QTest::qWait(20);
        QCOMPARE(pty.readAvailable(), QByteArray());
        QCOMPARE(rig->control<QLabel>("zis")->text(), QString("【3】B"));

        setSendFormat(DataFormat::Decimal);
        text1->setText("065 300");
        rig->dialogs.clear();
        rig->click("send");
        QCOMPARE(rig->dialogs.messages(), QStringList{"数据越限!!!"});
        QCOMPARE(rig->dialogs.shown.last().title, QString("警告"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Question);

        setSendFormat(DataFormat::Octal);
        text1->setText("101 377");
        rig->click("send");
        QTest::qWait(20);
        QCOMPARE(pty.readAvailable(), QByteArray("\x41\xff"));
        QCOMPARE(rig->control<QLabel>("zis")->text(), QString("【5】B"));

        // A line break in the box leaves as CR LF, and counts as sent.
        setSendFormat(DataFormat::String);
        text1->setText("AB\nCD");
        rig->click("send");
        QTest::qWait(20);
        QCOMPARE(pty.readAvailable(), QByteArray("AB\r\nCD\r\n"));
        QCOMPARE(rig->control<QLabel>("zis")->text(), QString("【11】B"));

        // An empty box sends nothing, says nothing.
        text1->setText(QString());
        rig->dialogs.clear();
        rig->click("send");
        QVERIFY(rig->dialogs.shown.isEmpty());
        QVERIFY(rig->control<QPushButton>("send")->isEnabled());
    }

    void receivedBytesAreShownInTheReceiveFormat()
    {
        PtyPair pty;
        rig->openPort(pty.slavePath());
        // Bytes sent while receiving is stopped are dropped at the start.
        pty.write("zz");
        settle();
        rig->click("Receive");
        QVERIFY(rig->visible("tings"));
        QVERIFY(rig->window->toolbar().isPressed(2));
        pty.write(QByteArray("\x41\x0d"));
        settle();
        QCOMPARE(rig->pane(), QString("41 0D "));
        QCOMPARE(rig->control<QLabel>("zir")->text(), QString("【2】B"));

        setReceiveFormat(DataFormat::String);
        pty.write(QByteArray("A\r"));
        settle();
        QCOMPARE(rig->pane(), QString("41 0D A\r"));
        QCOMPARE(rig->control<QLabel>("zir")->text(), QString("【4】B"));

        // A GBK character split across two reads decodes whole.
        pty.write(QByteArray("\xd6"));
        settle();
        pty.write(QByteArray("\xd0"));
        settle();
        QCOMPARE(rig->pane(), QString("41 0D A\r中"));
        QCOMPARE(rig->control<QLabel>("zir")->text(), QString("【6】B"));

        setReceiveFormat(DataFormat::Decimal);
        pty.write(QByteArray("\x08"));
        settle();
        QVERIFY(rig->pane().endsWith("008 "));

        // Clearing the pane leaves the counter; clicking the counter leaves the pane.
        rig->click("Command4");
        QCOMPARE(rig->pane(), QString());
        QCOMPARE(rig->control<QLabel>("zir")->text(), QString("【7】B"));
        pty.write("B");
        settle();
        QTest::mouseClick(rig->control<QLabel>("zir"), Qt::LeftButton);
        QCOMPARE(rig->control<QLabel>("zir")->text(), QString("【0】"));
        QCOMPARE(rig->pane(), QString("066 "));

        // Stopped: bytes wait in the port.
        rig->click("tings");
        pty.write("C");
        settle();
        QCOMPARE(rig->pane(), QString("066 "));
        QVERIFY(rig->window->port().bytesWaiting() > 0);
    }

    void inputIsShownWithoutWaitingForTheNextTick()
    {
        PtyPair pty;
        rig->openPort(pty.slavePath());
        rig->click("Receive");
        // The virtual clock stands still: no poll tick comes.
        pty.write("ABC");
        QTRY_COMPARE(rig->pane(), QString("41 42 43 "));
        QCOMPARE(rig->control<QLabel>("zir")->text(), QString("【3】B"));
        // Much more than the port's buffer holds arrives in a few pieces.
        const QByteArray burst(300'000, 'x');
        std::thread device([&] { pty.write(burst); });
        QTRY_COMPARE(rig->window->receivePath().counter(), qint64(3 + burst.size()));
        device.join();
        QCOMPARE(rig->pane(), "41 42 43 " + QString("78 ").repeated(burst.size()));
    }

    void aCharacterHalfReadAtAFormatSwitchIsShownAsItsByte_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("bytes"); // the held byte, then "C"
        QTest::newRow("Hex") << int(DataFormat::Hex) << "D6 43 ";
        QTest::newRow("Decimal") << int(DataFormat::Decimal) << "214 067 ";
        QTest::newRow("Octal") << int(DataFormat::Octal) << "326 103 ";
    }

    // A GBK lead byte read as text waits for its second byte. When the
    // receive format changes to a byte format meanwhile, it is shown as the
    // byte it is, and never merges with a later byte.
    void aCharacterHalfReadAtAFormatSwitchIsShownAsItsByte()
    {
        QFETCH(int, format);
        QFETCH(QString, bytes);
        rig->openPort(DeviceCatalog::kLoopbackName);
        rig->click("Receive");
        setReceiveFormat(DataFormat::String);
        const auto arrive = [this](const QByteArray &b) {
            rig->window->port().output(b);
            rig->clock.advance(40);
        };
        arrive("A\xd6");
        QCOMPARE(rig->pane(), QString("A"));
        setReceiveFormat(DataFormat(format));
        QCOMPARE(rig->pane(), "A" + bytes.left(bytes.indexOf(' ') + 1));
        arrive("C");
        QCOMPARE(rig->pane(), "A" + bytes);
        setReceiveFormat(DataFormat::String);
        arrive("C");
        QCOMPARE(rig->pane(), "A" + bytes + "C");
        QCOMPARE(rig->control<QLabel>("zir")->text(), QString("【4】B"));
    }

    void stopEndsTheDisplayInTheMiddleOfABurst()
    {
        rig->openPort(DeviceCatalog::kLoopbackName);
        rig->click("Receive");
        // A burst of ten pieces arrives over 50 ms, across several drains.
        for (int i = 1; i <= 10; ++i)
            rig->after(5 * i, [this] { rig->window->port().output(QByteArray(1000, 'x')); });
        // The user clicks stop as soon as the first of it is shown.
        QString shownAtStop;
        auto *stop = rig->control<QPushButton>("tings");
        QObject::connect(
            rig->window->receivePath().Text2(), &ReceivePane::changed, stop,
            [&, stop] {
                QTimer::singleShot(0, stop, [&, stop] {
                    shownAtStop = rig->pane();
                    stop->click();
                });
            },
            Qt::SingleShotConnection);
        rig->clock.advance(100);
        QVERIFY(!shownAtStop.isEmpty());
        QCOMPARE(rig->pane(), shownAtStop);
        QVERIFY(rig->pane().size() < 10 * 1000 * 3);
        QVERIFY(rig->window->port().bytesWaiting() > 0);
        QVERIFY(rig->visible("Receive"));
    }

    void lostDeviceClosesThePortAndSaysSo()
    {
        // With 断线自动重连 off.
        rig->control<QAction>("mAutoReconnect")->trigger();
        PtyPair pty;
        rig->openPort(pty.slavePath());
        rig->click("Receive");
        pty.write("0123456789");
        settle();
        pty.closeMaster();
        for (int i = 0; i < 10 && rig->window->port().isOpen(); ++i)
            settle();
        settle();
        QVERIFY(!rig->window->port().isOpen());
        // The reason is that of the error that closed the port, not the
        // stale text of an earlier system call.
        QCOMPARE(rig->dialogs.messages(),
                 QStringList{"串口设备已断开（设备被拔出或对端已关闭），请检查后重新设置！\n原因：读取数据出错"});
        QVERIFY(rig->visible("que"));
        QVERIFY(rig->control<QComboBox>("comba")->isEnabled());
        QVERIFY(rig->pane().startsWith("30 31 32"));
    }

    // 断线自动重连: the panel stays as it was, the device is waited for and
    // reopened with the same settings, receiving goes on; auto-sending
    // ends. Unlocking the panel ends the wait.
    void aLostDeviceIsWaitedForAndReopened()
    {
        ScriptedDevice *device = nullptr;
        bool present = true;
        rig->addScripted("usb", [&](ScriptedDevice &d) {
            d.openError = present ? PortError::None : PortError::NoSuchPort;
            device = &d;
        });
        rig->openPort("usb", "115200,e,7,1");
        rig->click("Receive");
        rig->window->sendPath().setSendText("01");
        rig->control<QRadioButton>("zidong")->click();
        rig->click("Command2");
        QVERIFY(rig->window->sendPath().isAutoSending());

        present = false;
        device->unplug();
        rig->clock.advance(10 * PortWatcher::kIntervalMs);
        QCOMPARE(rig->status(), QString(" 串口已断开，等待重新连接 ... "));
        QCOMPARE(rig->dialogs.messages(), QStringList());
        QVERIFY(rig->window->portPanel().isWaitingForDevice());
        QVERIFY(rig->visible("she"));
        QVERIFY(!rig->control<QComboBox>("comba")->isEnabled());
        QVERIFY(!rig->window->sendPath().isAutoSending());

        present = true;
        const qint64 backAt = rig->clock.now();
        rig->clock.advanceUntil([&] { return rig->window->port().isOpen(); }, 1000);
        QVERIFY(rig->clock.now() - backAt <= PortWatcher::kIntervalMs);
        QCOMPARE(rig->status(), QString(" 串口已重新连接 ... "));
        QCOMPARE(rig->window->port().settings(), QString("115200,e,7,1"));
        QVERIFY(!rig->window->sendPath().isAutoSending());
        const qint64 reopenedAt = rig->clock.now();
        device->feed("AB");
        rig->clock.advance(60);
        QVERIFY(rig->pane().endsWith("41 42 "));
        QCOMPARE(rig->line.since(reopenedAt), QByteArray());

        device->unplug();
        rig->clock.advance(60);
        rig->click("she");
        QVERIFY(!rig->window->portPanel().isWaitingForDevice());
        rig->clock.advance(10 * PortWatcher::kIntervalMs);
        QVERIFY(!rig->window->port().isOpen());
        QCOMPARE(rig->status(), QString(" 串口设置中 ... "));
    }

    // The unplug and replug over the real backend: a pseudo-terminal behind
    // a symbolic link, which points at a new pseudo-terminal after the
    // first one's far end closed. What the device sends after the reopening
    // arrives complete.
    void aPseudoTerminalBehindALinkIsReopened()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("ttyLINK");
        PtyPair first;
        QVERIFY(QFile::link(first.slavePath(), link));
        rig->openPort(link);
        QVERIFY(rig->window->port().isOpen());
        rig->click("Receive");
        first.closeMaster();
        for (int i = 0; i < 50 && !rig->window->portPanel().isWaitingForDevice(); ++i)
            settle();
        QVERIFY(rig->window->portPanel().isWaitingForDevice());
        // The link still names the dead terminal: it does not open.
        rig->clock.advance(4 * PortWatcher::kIntervalMs);
        QVERIFY(!rig->window->port().isOpen());

        PtyPair second;
        QVERIFY(QFile::remove(link) && QFile::link(second.slavePath(), link));
        rig->clock.advance(PortWatcher::kIntervalMs);
        QVERIFY(rig->window->port().isOpen());
        QCOMPARE(rig->status(), QString(" 串口已重新连接 ... "));
        QByteArray burst;
        for (int i = 0; i < 20000; ++i)
            burst.append(char(i % 251));
        // More than the terminal holds: the device writes while the program reads.
        std::thread device([&] { second.write(burst); });
        const QString expected = RenderReceivedBytes(burst, DataFormat::Hex);
        for (int i = 0; i < 200 && !rig->pane().endsWith(expected); ++i)
            settle();
        device.join();
        QVERIFY(rig->pane().endsWith(expected));
        QCOMPARE(rig->dialogs.messages(), QStringList());
    }

    // A pseudo-terminal named by its own path does not come back: once its
    // far end is gone, its number goes to the next terminal any program
    // opens. The window says the device is gone and leaves that stranger's
    // terminal alone.
    void aPseudoTerminalNamedDirectlyIsNotReopened()
    {
        auto lost = std::make_unique<PtyPair>();
        const QString path = lost->slavePath();
        rig->openPort(path);
        rig->click("Receive");
        lost->closeMaster();
        for (int i = 0; i < 50 && rig->window->port().isOpen(); ++i)
            settle();
        QVERIFY(!rig->window->port().isOpen());
        QVERIFY(!rig->window->portPanel().isWaitingForDevice());
        QCOMPARE(rig->dialogs.messages(),
                 QStringList{"串口设备已断开（设备被拔出或对端已关闭），请检查后重新设置！\n原因：读取数据出错"});
        QVERIFY(rig->visible("que"));

        // The kernel gives the freed number to the lowest new terminal;
        // terminals that other programs open meanwhile get other numbers.
        lost.reset();
        std::vector<std::unique_ptr<PtyPair>> opened;
        for (int i = 0; i < 50 && (opened.empty() || opened.back()->slavePath() != path); ++i)
            opened.push_back(std::make_unique<PtyPair>());
        PtyPair &stranger = *opened.back();
        QCOMPARE(stranger.slavePath(), path);
        stranger.write("stranger's data");
        rig->clock.advance(8 * PortWatcher::kIntervalMs);
        settle();
        QVERIFY(!rig->window->port().isOpen());
        QCOMPARE(stranger.readAvailable(), QByteArray());
        QVERIFY(!rig->pane().contains("73 74 72"));
    }

    // A device file this user may not read and write: the message says so
    // and what to do, not that another program holds the port.
    void aPortWithoutPermissionSaysWhatToDo()
    {
        PtyPair pty;
        const QByteArray path = QFile::encodeName(pty.slavePath());
        QCOMPARE(::chmod(path.constData(), 0), 0);
        // The superuser may open anything: it tries as nobody.
        const bool root = ::geteuid() == 0;
        if (root && ::seteuid(65534) != 0)
            QSKIP("the superuser cannot act as nobody here");
        rig->openPort(pty.slavePath());
        if (root)
            QCOMPARE(::seteuid(0), 0);
        QVERIFY(!rig->window->port().isOpen());
        QCOMPARE(rig->dialogs.messages().size(), 1);
        const QString message = rig->dialogs.messages().first();
        QVERIFY2(message.startsWith("没有使用此串口的权限！\n当前用户没有读写“" + pty.slavePath() + "”的权限。"),
                 qPrintable(message));
        QVERIFY(message.contains("sudo usermod -aG "));
        QCOMPARE(rig->status(), QString(" 设置不成功 ... "));
    }

    // A listed port shows what the system knows of it; choosing it puts the
    // device name in the box, which is what opens and is stored.
    void aListedPortPutsItsDeviceNameInTheBox()
    {
        SystemPort port;
        port.name = "ttyUSB7";
        port.description = "FT232R USB UART";
        port.manufacturer = "FTDI";
        port.permitted = false;
        QCOMPARE(port.label(), QString("ttyUSB7 — FT232R USB UART (FTDI) [无访问权限]"));
        auto *comba = rig->control<QComboBox>("comba");
        comba->addItem(port.label(), port.name);
        comba->setCurrentIndex(comba->count() - 1);
        QCOMPARE(comba->currentText(), QString("ttyUSB7"));
    }

    void aWriteOutlivesItsDevice_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("status");
        QTest::newRow("device lost") << "lost" << " 串口已断开 ... ";
        QTest::newRow("panel unlocked") << "unlock" << " 串口设置中 ... ";
        QTest::newRow("window closed") << "close" << " 正在退出系统 ...";
    }

    // A send whose bytes wait on a full line lets events run meanwhile.
    // Losing the device, unlocking the panel or closing the window then must
    // not touch the destroyed device (the sanitizer build sees it), and the
    // receive drain does not run inside the write.
    void aWriteOutlivesItsDevice()
    {
        QFETCH(QString, trigger);
        QFETCH(QString, status);
        PtyPair pty;
        rig->openPort(pty.slavePath());
        rig->click("Receive");
        setSendFormat(DataFormat::Hex);
        // More than a pseudo-terminal holds: the device side reads nothing.
        rig->window->sendPath().setSendText(QString("41 ").repeated(64 * 1024));
        QString paneDuringWrite = "no event ran during the write";
        QTimer::singleShot(0, rig->window.get(), [&] {
            // Input arrives, and the poll timer comes due, inside the write.
            pty.write("AB");
            QTest::qWait(20);
            rig->clock.advance(40);
            paneDuringWrite = rig->pane();
            if (trigger == "lost")
                pty.closeMaster();
            else if (trigger == "unlock")
                rig->click("she");
            else
                rig->window->close();
        });
        rig->click("send");
        QCOMPARE(paneDuringWrite, QString());
        QVERIFY(!rig->window->port().isOpen());
        settle();
        QCOMPARE(rig->status(), status);
        QCOMPARE(rig->window->sendPath().counter(), 0);
    }

    void autoSendRunsOnTheTimerAndEndsOnFailures()
    {
        rig->openPort(DeviceCatalog::kLoopbackName);
        rig->control<QRadioButton>("zidong")->click();
        QCOMPARE(rig->window->statusBar().panel(5), QString("自动"));
        QVERIFY(rig->window->toolbar().isPressed(1));
        rig->control<QComboBox>("fatime")->setEditText("1000");
        rig->window->sendPath().setSendText("01 02");
        rig->dialogs.answers.enqueue(MsgAnswer::No); // 接收数据吗？
        rig->click("Command2");
        QCOMPARE(rig->dialogs.messages(), QStringList{"接收数据吗？"});
        QCOMPARE(rig->status(), QString("正在发送..."));
        QVERIFY(!rig->control<QGroupBox>("f4")->isEnabled());
        rig->clock.advance(3000);
        QCOMPARE(rig->window->sendPath().counter(), 6);

        // The panel refuses to unlock while sending.
        rig->click("she");
        QCOMPARE(rig->dialogs.messages().last(), QString("请先结束自动发送 ..."));
        QVERIFY(rig->window->port().isOpen());

        // Picking an interval from the list changes the period at once.
        auto *fatime = rig->control<QComboBox>("fatime");
        fatime->setCurrentIndex(fatime->findText("200"));
        emit fatime->activated(fatime->currentIndex());
        rig->clock.advance(1000);
        QCOMPARE(rig->window->sendPath().counter(), 16);

        // A bad digit ends auto-sending.
        rig->window->sendPath().setSendText("4G");
        rig->clock.advance(200);
        QCOMPARE(rig->dialogs.messages().last(), QString("发送数据错误！"));
        QVERIFY(!rig->window->sendPath().isAutoSending());
        QVERIFY(rig->visible("Command2"));
        QCOMPARE(rig->status(), QString("发送结束 ..."));

        // An empty box at a tick ends it with a message.
        rig->window->sendPath().setSendText("");
        rig->click("Command2");
        rig->clock.advance(200);
        QCOMPARE(rig->dialogs.messages().last(), QString("无发送数据！"));
        QVERIFY(!rig->window->sendPath().isAutoSending());
        QVERIFY(rig->control<QGroupBox>("f4")->isEnabled());

        // 停 止 stops at the click: nothing more leaves while its box is open.
        rig->window->sendPath().setSendText("01");
        rig->click("Command2");
        rig->clock.advance(200);
        const int sent = rig->window->sendPath().counter();
        rig->dialogs.onShow = [this](const ShownDialog &) { rig->clock.advance(1000); };
        rig->click("tingf");
        rig->dialogs.onShow = nullptr;
        QCOMPARE(rig->dialogs.messages().last(), QString("stop!!!err."));
        QCOMPARE(rig->window->sendPath().counter(), sent);
        QCOMPARE(rig->status(), QString("自动发送结束 ..."));
        QVERIFY(rig->visible("Command2"));
    }

    void assistantAndChecksum()
    {
        auto *text1 = rig->window->sendPath().Text1();
        rig->control<QCheckBox>("addb")->setChecked(true);
        setSendFormat(DataFormat::Hex);
        text1->setFocus();
        QTest::keyClicks(text1, "41");
        QCOMPARE(text1->text(), QString("41 "));
        QTest::keyClicks(text1, " ");
        QCOMPARE(text1->text(), QString("41  "));

        rig->window->sendPath().setSendText("68 01 02");
        rig->window->checkCodes().ChecksumCommand();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("6B"));
        QCOMPARE(text1->text(), QString("68 01 02 6B 16"));

        rig->window->sendPath().setSendText("");
        rig->window->checkCodes().ChecksumCommand();
        QCOMPARE(rig->dialogs.messages(), QStringList{"请选择数据范围！！！"});

        // Picking the checked item switches to CRC; picking either again back.
        rig->control<QAction>("mCheckSum")->trigger();
        QCOMPARE(rig->window->checkCodes().mode(), 2);
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("crc"));
        QVERIFY(rig->control<QAction>("mCRC")->isChecked());
        QVERIFY(!rig->control<QAction>("mCheckSum")->isChecked());
        rig->control<QAction>("mCRC")->trigger();
        QCOMPARE(rig->window->checkCodes().mode(), 1);
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("cs"));
    }

    // After a program write to the send box the assistant leaves the caret
    // at the end, as after typing: what is typed next follows the data.
    void theAssistantFollowsProgramWrites()
    {
        struct Row
        {
            const char *write;
            std::function<void()> run;
            const char *typedNext;
            QString box;
        };
        const Row rows[] = {
            {"send", [this] { rig->click("send"); }, " 43", "41 42 43 "},
            {"checksum", [this] { rig->window->checkCodes().ChecksumCommand(); }, " 43",
             "41 42 83 16 43 "},
            {"conversion", [this] {
                 setSendFormat(DataFormat::String);
                 rig->window->sendPath().setSendText("AB");
                 rig->window->toolbar().convertSendAction()->trigger();
             }, "43", "41 42 43 "},
        };
        rig->openPort(DeviceCatalog::kLoopbackName);
        auto *text1 = rig->window->sendPath().Text1();
        rig->control<QCheckBox>("addb")->setChecked(true);
        for (const Row &row : rows) {
            setSendFormat(DataFormat::Hex);
            text1->setText(QString());
            text1->setFocus();
            QTest::keyClicks(text1, "4142");
            row.run();
            QTest::keyClicks(text1, row.typedNext);
            QVERIFY2(text1->text() == row.box, row.write);
        }
    }

    void portSwitchingAndUnlockingWithCarrier()
    {
        QCOMPARE(DeviceCatalog::devicePath(" 12"), QString("/dev/ttyS11"));

        // 转串口2 closes the open port and opens port 2 in one step.
        rig->openPort("test-modem");
        rig->control<QAction>("转串口2")->trigger();
        QVERIFY(rig->window->port().isOpen());
        QCOMPARE(rig->window->port().portName(), QString("2"));
        QCOMPARE(rig->control<QComboBox>("comba")->currentText(), QString("2"));
        QVERIFY(rig->visible("she"));

        // Unlocking with carrier present asks first; No closes the port
        // without the hang-up sequence.
        rig->openPort("online");
        const qint64 unlockedAt = rig->clock.now();
        rig->dialogs.answers.enqueue(MsgAnswer::No);
        rig->click("she");
        QCOMPARE(rig->dialogs.messages(), QStringList{"联机状态,重设参数将断开连接!\r\n    确定吗?"});
        QCOMPARE(rig->dialogs.shown.last().title, QString("警告"));
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::None);
        QCOMPARE(rig->dialogs.shown.last().buttons, MsgButtons::YesNo);
        QVERIFY(!rig->window->port().isOpen());
        QCOMPARE(rig->line.since(unlockedAt), QByteArray());
        QCOMPARE(rig->status(), QString(" 串口设置中 ... "));

        // Yes hangs up, with seconds of waits while the boxes are open: a
        // set-up waits until the hang-up is over, so no other port gets the
        // hang-up commands and then closes again under a locked panel.
        rig->openPort("online");
        rig->dialogs.answers.enqueue(MsgAnswer::Yes);
        bool queEnabled = true;
        QMetaObject::invokeMethod(
            rig->window.get(),
            [&] {
                queEnabled = rig->control<QPushButton>("que")->isEnabled();
                rig->control<QComboBox>("comba")->setEditText(DeviceCatalog::kLoopbackName);
                rig->window->portPanel().Apply(); // as Enter in the box does
            },
            Qt::QueuedConnection);
        rig->click("she");
        QVERIFY(!queEnabled);
        QVERIFY(!rig->window->port().isOpen());
        QVERIFY(rig->visible("que"));
        QVERIFY(rig->control<QPushButton>("que")->isEnabled());
        rig->click("que");
        QVERIFY(rig->window->port().isOpen());
        QCOMPARE(rig->window->port().portName(), DeviceCatalog::kLoopbackName);
    }

    void enterInThePortBoxesApplies_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        for (const char *box : {"comba", "text4", "numtext"}) {
            QTest::addRow("%s, Enter", box) << box << int(Qt::Key_Return) << int(Qt::NoModifier);
            QTest::addRow("%s, keypad Enter", box) << box << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        }
    }

    // The key goes where a keyboard sends it: to the widget with the focus.
    void enterInThePortBoxesApplies()
    {
        QFETCH(QString, box);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        rig->window->show();
        QApplication::setActiveWindow(rig->window.get());
        QVERIFY(QTest::qWaitForWindowActive(rig->window.get()));
        rig->control<QComboBox>("comba")->setEditText(DeviceCatalog::kLoopbackName);
        rig->control<QComboBox>(box.toUtf8().constData())->setFocus();
        QWidget *focused = QApplication::focusWidget();
        QVERIFY(focused);
        QTest::keyClick(focused, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(rig->window->port().isOpen());
        QVERIFY(rig->visible("she"));
    }

    void enterSendsOnlyInStringFormat()
    {
        rig->openPort("2");
        auto *text1 = rig->window->sendPath().Text1();
        text1->setFocus();
        setSendFormat(DataFormat::Hex);
        QTest::keyClicks(text1, "41");
        QTest::keyClick(text1, Qt::Key_Return);
        QCOMPARE(rig->line.writes.size(), 0);
        setSendFormat(DataFormat::String);
        text1->setText(QString());
        QTest::keyClicks(text1, "AT");
        QTest::keyClick(text1, Qt::Key_Return);
        QCOMPARE(rig->line.chunks(), QList<QByteArray>{"AT\r\n"});
    }

    // A long send text of one word, stored or pasted, loads at once and the
    // send box keeps working: typing, pasting, undo, Enter and the
    // selection check on mouse release.
    void longOneWordSendTextStaysUsable()
    {
        rig->openPort("2");
        SendPath &send = rig->window->sendPath();
        TextPane *text1 = send.Text1();
        const QString word(10'000'000, '7');
        send.setSendText(word);
        QVERIFY(text1->history().count() > 10'000);
        text1->setFocus();
        QTest::keyClick(text1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(text1, "AB");
        QCOMPARE(send.sendText().size(), word.size() + 2);
        QVERIFY(send.sendText().endsWith("7AB"));
        QGuiApplication::clipboard()->setText(QString(1'000'000, '9'));
        QTest::keyClick(text1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(send.sendText().size(), word.size() + 1'000'002);
        QTest::keyClick(text1, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(text1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(send.sendText(), word);
        QTest::keyClick(text1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(send.sendText(), word + "AB");

        setSendFormat(DataFormat::Hex);
        send.setSendText(word.left(5'000'000) + " 01 02 03");
        text1->select(5'000'001, 8);
        QTest::mouseRelease(text1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("06"));

        setSendFormat(DataFormat::String);
        send.setSendText(word);
        QTest::keyClick(text1, Qt::Key_Return);
        QCOMPARE(rig->line.chunks().last(), word.toLatin1() + "\r\n");
    }

    // Screen readers and automation tools edit the send box and the receive
    // pane as the user's typing does: with the pane's line breaks, undo and
    // change signals, and not at all while the receive pane is read-only.
    void assistiveTechnologyEditsAsTheUserTypes()
    {
        SendPath &send = rig->window->sendPath();
        TextPane *text1 = send.Text1();
        QAccessibleInterface *sendBox = QAccessible::queryAccessibleInterface(text1);
        QVERIFY(sendBox && sendBox->editableTextInterface());
        QAccessibleEditableTextInterface *edits = sendBox->editableTextInterface();
        send.setSendText("01 02");
        QSignalSpy changed(text1, &TextPane::changed);
        edits->insertText(5, " 03\r\n04"); // the send box keeps line breaks as LF
        QCOMPARE(send.sendText(), QString("01 02 03\n04"));
        QCOMPARE(text1->selStart(), qsizetype(11)); // the caret follows, as after typing
        edits->insertText(11, "05"); // at the caret: one step with the insert before, as in typing
        edits->replaceText(0, 2, "AA");
        edits->deleteText(2, 5);
        QCOMPARE(send.sendText(), QString("AA 03\n0405"));
        sendBox->setText(QAccessible::Value, "whole\r\ntext");
        QCOMPARE(send.sendText(), QString("whole\ntext"));
        QCOMPARE(changed.count(), 5);
        const QStringList undone = {"AA 03\n0405", "AA 02 03\n0405", "01 02 03\n0405", "01 02"};
        for (const QString &before : undone) {
            QTest::keyClick(text1, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(send.sendText(), before);
        }

        ReceivePane *text2 = rig->window->receivePath().Text2();
        QAccessibleInterface *pane = QAccessible::queryAccessibleInterface(text2);
        QVERIFY(pane && pane->editableTextInterface());
        text2->setText("41 42\r\n");
        rig->control<QCheckBox>("onlyR")->click();
        QVERIFY(pane->state().readOnly);
        QSignalSpy paneChanged(text2, &TextPane::changed);
        pane->editableTextInterface()->insertText(0, "x");
        pane->editableTextInterface()->deleteText(0, 2);
        pane->editableTextInterface()->replaceText(0, 2, "y");
        pane->setText(QAccessible::Value, "z");
        QCOMPARE(text2->text(), QString("41 42\r\n"));
        QCOMPARE(paneChanged.count(), 0);
        rig->control<QCheckBox>("onlyR")->click();
        QVERIFY(pane->state().editable);
        pane->editableTextInterface()->insertText(7, "43\r\n");
        QCOMPARE(text2->text(), QString("41 42\r\n43\r\n")); // the receive pane keeps CR LF
        QCOMPARE(paneChanged.count(), 1);
    }

    void bufferSizeDialogs()
    {
        auto *label1 = rig->control<QLabel>("Label1");
        rig->dialogs.inputs << "" << "0" << "abc" << "2048";
        for (int i = 0; i < 4; ++i)
            QTest::mouseDClick(label1, Qt::LeftButton);
        QCOMPARE(rig->dialogs.shown.size(), 4);
        QCOMPARE(rig->dialogs.shown[0].title, QString("设置发送缓存"));
        QCOMPARE(rig->dialogs.shown[0].text, QString("请输入发送缓存区值的大小\n\n\n注意: 请确保串口状态为关闭!"));
        QCOMPARE(rig->dialogs.shown[0].defaultText, QString("512"));
        QCOMPARE(rig->dialogs.shown[3].defaultText, QString("512"));
        QCOMPARE(rig->window->port().outBufferSize(), 2048);

        // While the port is open a change is refused silently.
        rig->openPort(DeviceCatalog::kLoopbackName);
        rig->dialogs.clear();
        rig->dialogs.inputs << "4096";
        QTest::mouseDClick(rig->control<QLabel>("Label2"), Qt::LeftButton);
        QCOMPARE(rig->dialogs.shown.first().title, QString("设置接收缓存"));
        QCOMPARE(rig->window->port().inBufferSize(), 1024);
        QCOMPARE(rig->dialogs.messages(), QStringList());
    }

    void selectionChecksInBothPanes()
    {
        setSendFormat(DataFormat::Hex);
        auto *text1 = rig->window->sendPath().Text1();
        text1->setText("FF 01 02");
        text1->select(0, 2); // two characters: nothing changes
        rig->window->checkCodes().CheckSendSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("cs"));
        text1->select(0, 5);
        rig->window->checkCodes().CheckSendSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("00"));

        ReceivePane *pane = rig->window->receivePath().Text2();
        pane->setText("80 80 80");
        pane->setSelStart(0);
        pane->setSelLength(8);
        rig->window->checkCodes().CheckReceiveSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("80"));

        // CRC mode: a send-box selection empties the box, a pane selection
        // still shows the byte checksum.
        rig->control<QAction>("mCRC")->trigger();
        rig->window->checkCodes().CheckSendSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString());
        rig->window->checkCodes().CheckReceiveSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("80"));
        // The command writes the byte checksum in either mode.
        rig->control<QCheckBox>("addb")->setChecked(true);
        text1->setText("68 01 02");
        rig->window->checkCodes().ChecksumCommand();
        QCOMPARE(text1->text(), QString("68 01 02 6B 16"));

        // String send format: selections empty the box.
        setSendFormat(DataFormat::String);
        rig->window->checkCodes().CheckReceiveSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString());
    }

    // A long selection of the receive pane, from its archived part into
    // its resident one, is checked in slices: the box shows the progress
    // and the window answers meanwhile; the check is that of the data
    // read whole. A new selection, or the pane emptied, ends it.
    void aLongSelectionIsCheckedInSlices_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("meanwhile");
        for (const char *mode : {"checksum", "mCrcModbus"})
            for (const char *meanwhile : {"nothing", "clear", "select"})
                QTest::addRow("%s, %s meanwhile", mode, meanwhile) << QString(mode) << QString(meanwhile);
    }
    void aLongSelectionIsCheckedInSlices()
    {
        QFETCH(QString, mode);
        QFETCH(QString, meanwhile);
        setSendFormat(DataFormat::Hex);
        if (mode == "checksum")
            rig->window->checkCodes().fnCheck(CheckCodes::ByteChecksum);
        else
            rig->control<QAction>(mode.toLatin1())->trigger();
        QTemporaryDir folder;
        ReceivePane *pane = rig->window->receivePath().Text2();
        pane->setResidentLimit(100'000, folder.path());
        QString data;
        for (int i = 0; i < 4000; ++i) {
            const QString line = RenderReceivedBytes(QByteArray::number(i).repeated(20), DataFormat::Hex);
            pane->append(line);
            pane->appendNote(QStringLiteral("[stamp]"), Qt::blue);
            data += line;
        }
        QVERIFY(pane->history().base() > 0);
        QLineEdit *box = rig->control<QLineEdit>("cstext");
        const QString before = box->text();
        const auto model = CrcModelIndex("CRC-16/MODBUS");
        const QString whole = mode == "checksum" ? SelectionChecksum(data, DataFormat::Hex)
                                                  : SelectionCrc(data, DataFormat::Hex, CrcModels()[*model]).value();
        pane->select(0, pane->length());
        rig->window->checkCodes().CheckReceiveSelection();
        QVERIFY2(box->text().endsWith(u'%'), qPrintable(box->text()));
        if (meanwhile == "clear") {
            pane->setText(QString());
            QCOMPARE(box->text(), before);
        } else if (meanwhile == "select") {
            pane->select(0, 0);
            rig->window->checkCodes().CheckReceiveSelection();
            QCOMPARE(box->text(), before);
        } else {
            QTRY_COMPARE(box->text(), whole);
        }
        QTest::qWait(50);
        QCOMPARE(box->text(), meanwhile == "nothing" ? whole : before);
    }

    // The real CRC modes: a selection in either pane shows the CRC of its
    // bytes in the send format, in wire order; the command appends it
    // without the 0x16 trailer; bad data is said, not summed.
    void realCrcModesShowAndAppendTheCheck()
    {
        setSendFormat(DataFormat::Hex);
        rig->control<QAction>("mCrcModbus")->trigger();
        for (const char *item : {"mCheckSum", "mCRC", "mCrcXmodem", "mCrc32"})
            QVERIFY(!rig->control<QAction>(item)->isChecked());
        auto *text1 = rig->window->sendPath().Text1();
        text1->setText("01 03 00 00 00 0A");
        text1->select(0, 17);
        rig->window->checkCodes().CheckSendSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("C5 CD"));

        rig->control<QAction>("mCrc32")->trigger();
        ReceivePane *pane = rig->window->receivePath().Text2();
        pane->setText("31 32 33 34 35 36 37 38 39");
        pane->setSelStart(0);
        pane->setSelLength(26);
        rig->window->checkCodes().CheckReceiveSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), QString("CB F4 39 26"));

        rig->control<QAction>("mCrcModbus")->trigger();
        rig->control<QCheckBox>("addb")->setChecked(true);
        rig->window->sendPath().setSendText("01 03 00 00 00 0A");
        rig->window->checkCodes().ChecksumCommand();
        QCOMPARE(text1->text(), QString("01 03 00 00 00 0A C5 CD"));
        rig->window->sendPath().setSendText("01 0G");
        rig->window->checkCodes().ChecksumCommand();
        QCOMPARE(rig->dialogs.messages(), QStringList{"发送数据错误！"});
        QCOMPARE(text1->text(), QString("01 0G"));

        // From a CRC mode, either classic item picks its own mode.
        rig->control<QAction>("mCRC")->trigger();
        QCOMPARE(rig->window->checkCodes().mode(), int(CheckCodes::CrcWord));
        QVERIFY(!rig->control<QAction>("mCrcModbus")->isChecked());
    }

    void lineEndItemChoosesWhatStringSendWrites()
    {
        rig->openPort("2");
        setSendFormat(DataFormat::String);
        rig->control<QAction>("mEndLf")->trigger();
        QVERIFY(!rig->control<QAction>("mEndCrLf")->isChecked());
        rig->window->sendPath().setSendText("AT\nATZ");
        rig->click("send");
        QCOMPARE(rig->line.chunks().last(), QByteArray("AT\nATZ\n"));
        QCOMPARE(rig->window->sendPath().counter(), 6);
    }

    void pacedSendPutsEachByteOnTheLineOnTime_data()
    {
        QTest::addColumn<DataFormat>("format");
        QTest::addColumn<LineEnding>("ending");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("byteDelay");
        QTest::addColumn<int>("lineEndDelay");
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<QList<int>>("counts"); // the counter after each write
        QTest::addColumn<int>("busy");          // ms until `send` is usable again

        const auto H = DataFormat::Hex;
        const auto S = DataFormat::String;
        QTest::newRow("off: one write, as before") << H << LineEnding::CrLf << "41 42 43" << 0 << 0
            << QList<qint64>{0} << QByteArrayList{"ABC"} << QList<int>{3} << 0;
        QTest::newRow("byte delay") << H << LineEnding::CrLf << "41 42 43" << 10 << 0
            << QList<qint64>{0, 10, 20} << QByteArrayList{"A", "B", "C"} << QList<int>{1, 2, 3} << 30;
        QTest::newRow("line-end delay: a write per line") << S << LineEnding::CrLf << "AT\nATZ" << 0 << 100
            << QList<qint64>{0, 100} << QByteArrayList{"AT\r\n", "ATZ\r\n"} << QList<int>{4, 7} << 200;
        QTest::newRow("a line end waits both delays") << S << LineEnding::Lf << "AB" << 5 << 50
            << QList<qint64>{0, 5, 10} << QByteArrayList{"A", "B", "\n"} << QList<int>{1, 2, 2} << 65;
        QTest::newRow("CR LF in a byte format is one line end") << H << LineEnding::CrLf << "0D 0A 41 0D" << 0 << 20
            << QList<qint64>{0, 20} << QByteArrayList{"\r\n", "A\r"} << QList<int>{2, 4} << 40;
        QTest::newRow("no line end: the line-end delay never comes") << S << LineEnding::None << "A\nB" << 0 << 20
            << QList<qint64>{0} << QByteArrayList{"AB"} << QList<int>{2} << 0;
        QTest::newRow("a Chinese character counts once it has left whole") << S << LineEnding::None << "中A" << 10 << 0
            << QList<qint64>{0, 10, 20} << QByteArrayList{"\xd6", "\xd0", "A"} << QList<int>{0, 1, 2} << 30;
    }

    // What reaches the device and when, and the counter as the bytes leave.
    void pacedSendPutsEachByteOnTheLineOnTime()
    {
        QFETCH(DataFormat, format);
        QFETCH(LineEnding, ending);
        QFETCH(QString, text);
        QFETCH(int, byteDelay);
        QFETCH(int, lineEndDelay);
        QFETCH(QList<qint64>, times);
        QFETCH(QByteArrayList, writes);
        QFETCH(QList<int>, counts);
        QFETCH(int, busy);
        rig->openPort("2");
        setSendFormat(format);
        SendPath &send = rig->window->sendPath();
        send.lineEnding()->setValue(ending);
        send.pacing()->setValue({byteDelay, lineEndDelay});
        send.setSendText(text);
        const qint64 t0 = rig->clock.now();
        rig->click("send");
        for (int k = 0; k < times.size(); ++k) {
            rig->clock.advance(int(t0 + times[k] - rig->clock.now()));
            QCOMPARE(rig->line.writes.size(), k + 1);
            QCOMPARE(rig->line.writes[k].at - t0, times[k]);
            QCOMPARE(rig->line.writes[k].bytes, writes[k]);
            QCOMPARE(send.counter(), counts[k]);
        }
        QCOMPARE(rig->control<QLabel>("zis")->text(), QString("【%1】B").arg(counts.last()));
        // The send is over once the pause after its last byte has passed.
        auto *button = rig->control<QPushButton>("send");
        if (busy > 0) {
            rig->clock.advance(int(t0 + busy - 1 - rig->clock.now()));
            QVERIFY(send.isSending());
            QVERIFY(!button->isEnabled());
            rig->clock.advance(1);
        }
        QVERIFY(!send.isSending());
        QVERIFY(button->isEnabled());
        QCOMPARE(rig->line.writes.size(), times.size());
    }

    void stopAndCloseEndAPacedSendAtOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("停 止 of auto-send") << "tingf";
        QTest::newRow("toolbar 停止") << "toolbar";
        QTest::newRow("window closed") << "close";
        QTest::newRow("port closed and opened again") << "reopen";
    }
    void stopAndCloseEndAPacedSendAtOnce()
    {
        QFETCH(QString, how);
        rig->openPort("2");
        setSendFormat(DataFormat::Hex);
        SendPath &send = rig->window->sendPath();
        send.pacing()->setValue({100, 0});
        send.setSendText("41 42 43 44");
        rig->control<QAction>("mShowSent")->trigger();
        if (how == "tingf") {
            rig->control<QRadioButton>("zidong")->click();
            rig->control<QComboBox>("fatime")->setEditText("1000");
            rig->dialogs.answers.enqueue(MsgAnswer::No); // 接收数据吗？
            rig->click("Command2");
            rig->clock.advance(1000);
        } else {
            rig->click("send");
        }
        rig->clock.advance(150);
        QCOMPARE(rig->line.since(0), QByteArray("AB"));
        if (how == "tingf") {
            rig->click("tingf");
        } else if (how == "toolbar") {
            rig->window->toolbar().button(3)->trigger();
        } else if (how == "close") {
            QVERIFY(rig->window->close());
        } else {
            rig->click("she");
            rig->openPort("2");
        }
        QVERIFY(!send.isSending());
        QVERIFY(!send.isAutoSending());
        rig->clock.advance(3000);
        QCOMPARE(rig->line.since(0), QByteArray("AB"));
        QCOMPARE(send.counter(), 2);
        QVERIFY(rig->control<QPushButton>("send")->isEnabled());
        // The shown send is followed by what never left of it.
        if (how != "close")
            QVERIFY2(rig->pane().endsWith("→ 41 42 43 44 \r\n→ [2 字节未发出] \r\n"), qPrintable(rig->pane()));
    }

    // No two sends' bytes interleave: an auto-send tick that comes during a
    // paced send is left out, and 发送 then is refused with a word why.
    // Receiving goes on meanwhile: what the plug echoes is all shown.
    void aPacedSendKeepsTheLineUntilItIsOver()
    {
        rig->addScripted("echo", [](ScriptedDevice &plug) { plug.echo = true; });
        rig->openPort("echo");
        rig->click("Receive");
        setSendFormat(DataFormat::Hex);
        setReceiveFormat(DataFormat::Hex);
        SendPath &send = rig->window->sendPath();
        send.pacing()->setValue({100, 0});
        send.setSendText("41 42 43 44");
        rig->control<QRadioButton>("zidong")->click();
        rig->control<QComboBox>("fatime")->setEditText("250");
        const qint64 t0 = rig->clock.now();
        rig->click("Command2");
        rig->clock.advance(1000);
        // Sends at the ticks of 250 and 750; the one of 500 came mid-send.
        QCOMPARE(rig->line.since(0), QByteArray("ABCDABC"));
        QCOMPARE(rig->line.timeOf("A", t0 + 300) - t0, 750);
        rig->click("tingf");

        rig->control<QRadioButton>("shoudong")->click();
        rig->window->menuItem("发送")->trigger();
        rig->clock.advance(150);
        rig->window->menuItem("发送")->trigger();
        QCOMPARE(rig->status(), QString("上一次发送尚未结束 ..."));
        rig->clock.advance(1000);
        QCOMPARE(rig->line.since(0), QByteArray("ABCDABCABCD"));
        QCOMPARE(rig->pane(), RenderReceivedBytes("ABCDABCABCD", DataFormat::Hex));
    }

    void pacingIsAskedWithinItsRanges_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("byteDelay");
        QTest::addColumn<int>("lineEndDelay");
        QTest::addColumn<QStringList>("messages");
        const QString bytes = "延时应为 0 到 1000 之间的整数毫秒！";
        const QString lines = "延时应为 0 到 10000 之间的整数毫秒！";
        QTest::newRow("in range") << QStringList{"20", " 500 "} << 20 << 500 << QStringList{};
        QTest::newRow("out of range, asked again") << QStringList{"1001", "-1", "20", "10001", "10000"} << 20
                                                   << 10000 << QStringList{bytes, bytes, lines};
        // Numbers are read as the number boxes read them: 1.5 is 2.
        QTest::newRow("no number") << QStringList{"abc", "5", "1.5"} << 5 << 2 << QStringList{bytes};
        QTest::newRow("cancel at the second") << QStringList{"20", ""} << 3 << 4 << QStringList{};
        QTest::newRow("cancel after a bad answer") << QStringList{"2000", ""} << 3 << 4 << QStringList{bytes};
        QTest::newRow("both 0: off") << QStringList{"0", "0"} << 0 << 0 << QStringList{};
    }
    void pacingIsAskedWithinItsRanges()
    {
        QFETCH(QStringList, answers);
        QFETCH(int, byteDelay);
        QFETCH(int, lineEndDelay);
        QFETCH(QStringList, messages);
        PacingOption &pacing = *rig->window->sendPath().pacing();
        pacing.setValue({3, 4});
        rig->dialogs.inputs << answers;
        rig->control<QAction>("mSendPacing")->trigger();
        QCOMPARE(pacing.value(), (SendPacing{byteDelay, lineEndDelay}));
        QCOMPARE(pacing.item()->isChecked(), byteDelay > 0 || lineEndDelay > 0);
        QCOMPARE(rig->dialogs.messages(), messages);
        QVERIFY(rig->dialogs.inputs.isEmpty());
        // A bad answer is asked again with itself shown, to be corrected.
        int asked = 0;
        for (int i = 0; i < rig->dialogs.shown.size(); ++i) {
            const ShownDialog &box = rig->dialogs.shown[i];
            if (box.kind != ShownDialog::Input)
                continue;
            QCOMPARE(box.title, QString("发送节奏"));
            if (i > 0 && rig->dialogs.shown[i - 1].kind == ShownDialog::Message)
                QCOMPARE(box.defaultText, answers[asked - 1]);
            ++asked;
        }
    }

    void sendsAreShownBetweenTheReplies_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<qint64>("writeLimit");
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QString>("data");
        QTest::addColumn<qint64>("received");
        QTest::newRow("hex") << int(DataFormat::Hex) << "41 42" << qint64(-1) << "→ 41 42 \r\n41 42 "
                             << "41 42 " << qint64(2);
        QTest::newRow("string, a line each") << int(DataFormat::String) << "A\r\n中" << qint64(-1)
                                             << "→ A\r\n→ 中\r\nA\r\n中\r\n" << "A\r\n中\r\n" << qint64(7);
        QTest::newRow("a write that timed out") << int(DataFormat::Decimal) << "065 066" << qint64(1)
                                                << "→ [1 字节未发出] 065 066 \r\n065 " << "065 " << qint64(1);
    }
    // With 显示发送数据 on, each send stands on its own line in the receive
    // format, marked and coloured, before the reply it brought; it is no
    // received data: not counted, not in a selection's checksum.
    void sendsAreShownBetweenTheReplies()
    {
        QFETCH(int, format);
        QFETCH(QString, sent);
        QFETCH(qint64, writeLimit);
        QFETCH(QString, pane);
        QFETCH(QString, data);
        QFETCH(qint64, received);
        rig->addScripted("echo", [writeLimit](ScriptedDevice &d) {
            d.echo = true;
            d.writeLimit = writeLimit;
        });
        rig->window->formats().SetDataFormat(format, FormatSwitch::Both);
        rig->openPort("echo");
        rig->click("Receive");
        rig->window->sendPath().setSendText(sent);
        rig->control<QAction>("mShowSent")->trigger();
        rig->click("send");
        rig->clock.advance(20);
        QCOMPARE(rig->pane(), pane);
        ReceivePane *text2 = rig->window->receivePath().Text2();
        const qsizetype noteEnd = pane.size() - data.size();
        QCOMPARE(text2->colourAt(0), writeLimit < 0 ? QColor(0, 0, 139) : QColor(139, 0, 0));
        QCOMPARE(text2->colourRunAt(0).to, noteEnd);
        QCOMPARE(text2->colourAt(noteEnd), QColor());
        QCOMPARE(rig->window->receivePath().counter(), received);
        text2->selectAll();
        QCOMPARE(text2->selData(), data);

        // Off: a send is not shown.
        rig->control<QAction>("mShowSent")->trigger();
        rig->click("Command4");
        rig->click("send");
        rig->clock.advance(20);
        QCOMPARE(rig->pane(), data);
    }

    void stampsStartLinesAndFrames_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("kind"); // the menu item
        // What arrives, each piece read that many ms after the one before;
        // a piece "SEND:text" is a send, shown in the pane.
        QTest::addColumn<QList<int>>("delays");
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("checksum");
        QTest::newRow("string: each line, when its first byte came")
            << int(DataFormat::String) << "mStampTime" << QList<int>{0, 5, 5}
            << QList<QByteArray>{"AB\r\nC", "D\rE\r", "\nF"}
            << "[16:32:49.123] AB\r\n[16:32:49.123] CD\r[16:32:49.128] E\r\n[16:32:49.133] F"
            << "AB\r\nCD\rE\r\nF" << "";
        QTest::newRow("string, relative: the lines of one read came at once")
            << int(DataFormat::String) << "mStampRelative" << QList<int>{0, 7} << QList<QByteArray>{"A", "B\nC\nD"}
            << "[+0.000] AB\n[+0.007] C\n[+0.000] D" << "AB\nC\nD" << "";
        QTest::newRow("hex: a frame a line after a pause over the gap")
            << int(DataFormat::Hex) << "mStampRelative" << QList<int>{0, 20, 21, 500}
            << QList<QByteArray>{"\x01\x02", "\x03", "\x04", "\x05"}
            << "[+0.000] 01 02 03 \r\n[+0.041] 04 \r\n[+0.500] 05 " << "01 02 03 04 05 " << "0F";
        QTest::newRow("decimal with the date") << int(DataFormat::Decimal) << "mStampDateTime" << QList<int>{0}
                                               << QList<QByteArray>{"A"} << "[2026-12-08 16:32:49.123] 065 "
                                               << "065 " << "065";
        QTest::newRow("a shown send ends the line") << int(DataFormat::String) << "mStampRelative"
                                                    << QList<int>{0, 5, 5} << QList<QByteArray>{"A", "SEND:B", "C"}
                                                    << "[+0.000] A\r\n→ B\r\n[+0.010] C" << "AC" << "cs"; // two data characters: too few to sum
        QTest::newRow("string: switched on mid-line, stamps start with the next line")
            << int(DataFormat::String) << "mStampTime" << QList<int>{0, 0, 5, 5} << QList<QByteArray>{"AB", "STAMPS", "C\r", "D"}
            << "ABC\r[16:32:49.133] D" << "ABC\rD" << "";
        QTest::newRow("hex: switched on mid-line, the frame starts a line")
            << int(DataFormat::Hex) << "mStampTime" << QList<int>{0, 0, 5} << QList<QByteArray>{"\x01", "STAMPS", "\x02"}
            << "01 \r\n[16:32:49.128] 02 " << "01 02 " << "03";
    }
    // Stamps are grey notes taken at the time the bytes were read: the
    // counter, the selection checksum and the data of the pane leave them
    // out; a copy of the selection keeps them.
    void stampsStartLinesAndFrames()
    {
        QFETCH(int, format);
        QFETCH(QString, kind);
        QFETCH(QList<int>, delays);
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QString, pane);
        QFETCH(QString, data);
        QFETCH(QString, checksum);
        ScriptedDevice *device = nullptr;
        rig->addScripted("dev", [&device](ScriptedDevice &d) { device = &d; });
        rig->window->formats().SetDataFormat(format, FormatSwitch::Both);
        rig->openPort("dev");
        rig->click("Receive");
        ReceivePath &receive = rig->window->receivePath();
        receive.stamper().setAnchor(QDateTime(QDate(2026, 12, 8), QTime(16, 32, 49, 123)), rig->clock.now());
        // "STAMPS" among the pieces switches the stamps on there, not first.
        if (!pieces.contains("STAMPS"))
            rig->window->menuItem(kind)->trigger();
        rig->window->menuItem("mShowSent")->trigger();
        qint64 received = 0;
        for (int i = 0; i < pieces.size(); ++i) {
            rig->clock.advance(delays[i]);
            if (pieces[i] == "STAMPS") {
                rig->window->menuItem(kind)->trigger();
                continue;
            }
            if (pieces[i].startsWith("SEND:")) {
                rig->window->sendPath().setSendText(QString::fromUtf8(pieces[i].mid(5)));
                rig->click("send");
                continue;
            }
            device->feed(pieces[i]);
            receive.DrainInput();
            received += pieces[i].size();
        }
        QCOMPARE(rig->pane(), pane);
        ReceivePane *text2 = receive.Text2();
        QCOMPARE(text2->colourAt(pane.indexOf(u'[')), QColor(128, 128, 128));
        QCOMPARE(text2->colourAt(pane.indexOf(u']') + 2), QColor());
        QCOMPARE(receive.counter(), received);
        text2->selectAll();
        QCOMPARE(text2->selData(), data);
        rig->window->checkCodes().CheckReceiveSelection();
        QCOMPARE(rig->control<QLineEdit>("cstext")->text(), checksum);
        text2->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), pane);
    }

    // 转换接收区 converts the data between the notes and keeps the notes.
    void convertingThePaneKeepsItsNotes()
    {
        ReceivePane *text2 = rig->window->receivePath().Text2();
        setReceiveFormat(DataFormat::Hex);
        text2->appendNote("[+0.000] ", Qt::gray);
        text2->append("41 42 ");
        text2->appendNote("\r\n→ 43 \r\n", Qt::darkBlue);
        text2->append("44 ");
        rig->window->toolbar().convertReceiveAction()->trigger();
        QCOMPARE(rig->pane(), "[+0.000] AB\r\n→ 43 \r\nD");
        QCOMPARE(text2->colourAt(0), QColor(Qt::gray));
        QCOMPARE(text2->colourAt(12), QColor(Qt::darkBlue));
        text2->selectAll();
        QCOMPARE(text2->selData(), "ABD");
        QCOMPARE(rig->window->formats().receiveFormat(), DataFormat::String);
    }

    void formatToggleAndConversions()
    {
        setSendFormat(DataFormat::Decimal);
        rig->window->toolbar().button(4)->trigger();
        QCOMPARE(rig->window->formats().sendFormat(), DataFormat::Hex);
        QCOMPARE(rig->window->formats().receiveFormat(), DataFormat::Hex);
        rig->window->toolbar().button(4)->trigger();
        QCOMPARE(rig->window->formats().sendFormat(), DataFormat::String);
        QCOMPARE(rig->control<QComboBox>("Modr")->currentText(), QString("按字符串接收"));

        setReceiveFormat(DataFormat::Hex);
        rig->window->receivePath().Text2()->setText("41 42 43");
        rig->window->toolbar().convertReceiveAction()->trigger();
        QCOMPARE(rig->pane(), QString("ABC"));
        QCOMPARE(rig->window->formats().receiveFormat(), DataFormat::String);
        rig->window->toolbar().convertReceiveAction()->trigger();
        QCOMPARE(rig->pane(), QString("41 42 43 "));
        QCOMPARE(rig->window->formats().receiveFormat(), DataFormat::Hex);

        // Only the blanks at the ends are trimmed: line ends are data.
        setReceiveFormat(DataFormat::String);
        rig->window->receivePath().Text2()->setText(" \r\nOK\r\n ");
        rig->window->toolbar().convertReceiveAction()->trigger();
        QCOMPARE(rig->pane(), QString("0D 0A 4F 4B 0D 0A "));
        setSendFormat(DataFormat::String);
        rig->window->sendPath().setSendText("\tA\n");
        rig->window->toolbar().convertSendAction()->trigger();
        QCOMPARE(rig->window->sendPath().sendText(), QString("09 41 0A "));

        setSendFormat(DataFormat::Hex);
        rig->window->sendPath().setSendText("41 4");
        rig->window->toolbar().convertSendAction()->trigger();
        QCOMPARE(rig->dialogs.messages(), QStringList{"数据错误，不能转化！"});
        QCOMPARE(rig->window->sendPath().sendText(), QString("41 4"));
        QCOMPARE(rig->window->formats().sendFormat(), DataFormat::Hex);
    }
};

QTEST_MAIN(TerminalTest)
#include "tst_terminal.moc"
