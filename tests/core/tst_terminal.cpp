// The terminal driven through its controls: the port panel, the send and
// receive paths and the check codes, on the loopback device, test devices
// and pseudo-terminals with the real serial backend.

#include "MemorySettingsStore.h"
#include "PtyPair.h"
#include "ScriptedDialogs.h"
#include "VirtualScheduler.h"
#include "core/CheckCodes.h"
#include "core/DeviceCatalog.h"
#include "core/FormatSwitch.h"
#include "core/ReceivePane.h"
#include "core/ReceivePath.h"
#include "core/SendPath.h"
#include "core/SerialPort.h"
#include "core/StatusBar.h"
#include "core/Toolbar.h"
#include "core/Widgets.h"
#include "desktop/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTest>

namespace {

// A device with the modem lines up that records what is written and when.
class RecordingDevice : public SerialDevice
{
public:
    RecordingDevice(Scheduler &clock, QList<QPair<qint64, QByteArray>> &log)
        : m_clock(clock), m_log(log) {}
    int open(const PortSettings &) override { m_open = true; return PortError::None; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray &bytes, int) override
    {
        m_log.append({m_clock.now(), bytes});
        return bytes.size();
    }
    qint64 bytesAvailable() override { return 0; }
    QByteArray read(qint64) override { return {}; }
    void discardInput() override {}
    void discardOutput() override {}
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }
    InputLines inputLines() override { return {false, false, true}; }

private:
    Scheduler &m_clock;
    QList<QPair<qint64, QByteArray>> &m_log;
    bool m_open = false;
};

} // namespace

class TerminalTest : public QObject
{
    Q_OBJECT

    VirtualScheduler *clock = nullptr;
    ScriptedDialogs *dialogs = nullptr;
    DeviceCatalog *devices = nullptr;
    MemorySettingsStore *settings = nullptr;
    MainWindow *window = nullptr;
    QList<QPair<qint64, QByteArray>> recorded;

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
    void click(const char *button) { control<QPushButton>(button)->click(); }
    void openPort(const QString &name, const QString &settings = "9600,n,8,1")
    {
        control<QComboBox>("comba")->setEditText(name);
        control<QComboBox>("text4")->setEditText(settings);
        click("que");
    }
    void setSendFormat(DataFormat f) { window->formats().SetDataFormat(int(f), FormatSwitch::SendOnly); }
    void setReceiveFormat(DataFormat f) { window->formats().SetDataFormat(int(f), FormatSwitch::ReceiveOnly); }
    // Lets real time pass for the pseudo-terminal, then virtual time for the poll timer.
    void settle()
    {
        QTest::qWait(30);
        clock->advance(60);
    }

private slots:
    void init()
    {
        clock = new VirtualScheduler;
        dialogs = new ScriptedDialogs;
        devices = new DeviceCatalog;
        devices->addSimulated("test-modem", [this] { return std::make_unique<RecordingDevice>(*clock, recorded); });
        recorded.clear();
        settings = new MemorySettingsStore;
        window = new MainWindow({*clock, *dialogs, *devices, *settings, {}});
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

    void portErrorsAreReported()
    {
        openPort("/dev/kestrel-no-such-port");
        QCOMPARE(dialogs->messages(), QStringList{"串口号设置错误！"});
        QCOMPARE(dialogs->shown.last().title, QString("错误"));
        QCOMPARE(status(), QString(" 设置不成功 ... "));
        QVERIFY(control<QLabel>("Piccom")->isVisibleTo(window));
        QVERIFY(control<QPushButton>("que")->isVisibleTo(window));

        dialogs->clear();
        openPort(DeviceCatalog::kLoopbackName, "9600,x,8,1");
        QCOMPARE(dialogs->messages(), QStringList{"通信属性设置错误！"});

        PtyPair pty;
        QSerialPort other(pty.slavePath());
        QVERIFY(other.open(QIODevice::ReadWrite));
        dialogs->clear();
        openPort(pty.slavePath());
        QCOMPARE(dialogs->messages(), QStringList{"你所设置的串口正在被使用,请重新设置!!!"});
        QCOMPARE(dialogs->shown.last().title, QString("警告!"));
        QVERIFY(!window->port().isOpen());
    }

    void applyLocksThePanelAndUnlockCloses()
    {
        openPort(DeviceCatalog::kLoopbackName);
        QVERIFY(window->port().isOpen());
        QCOMPARE(status(), QString(" 设置成功 ... "));
        QVERIFY(!control<QLabel>("Piccom")->isVisibleTo(window));
        QVERIFY(!control<QComboBox>("comba")->isEnabled());
        QVERIFY(control<QPushButton>("she")->isVisibleTo(window));
        QVERIFY(control<QPushButton>("send")->isEnabled());
        QVERIFY(window->toolbar().isPressed(3));
        // Lamps: the loopback raises no modem lines; DTR is the program's own.
        clock->advance(40);
        QCOMPARE(control<Lamp>("shdtr")->isOn(), true);
        QCOMPARE(control<Lamp>("shdsr")->isOn(), false);

        click("she");
        QVERIFY(!window->port().isOpen());
        QCOMPARE(status(), QString(" 串口设置中 ... "));
        QVERIFY(control<QComboBox>("comba")->isEnabled());
        QVERIFY(control<QLabel>("Piccom")->isVisibleTo(window));
    }

    void modemIsInitialisedOnDsr()
    {
        openPort("test-modem");
        QCOMPARE(recorded.size(), 2);
        QCOMPARE(recorded[0].second, QByteArray("ATS0=0\r\n"));
        QCOMPARE(recorded[1].second, QByteArray("ATZ\r\n"));
        QCOMPARE(recorded[1].first - recorded[0].first, 100);
        recorded.clear();
        openPort(DeviceCatalog::kLoopbackName);
        QVERIFY(recorded.isEmpty());
    }

    void sendFormatsPutExactBytesOnTheLine()
    {
        PtyPair pty;
        QVERIFY(pty.isValid());
        openPort(pty.slavePath());
        QVERIFY(window->port().isOpen());
        // A pseudo-terminal has no line signals and refuses DTR/RTS: all lamps off.
        clock->advance(40);
        for (const char *lamp : {"spcd", "shcts", "shdsr", "shdtr", "shrts"})
            QVERIFY2(!control<Lamp>(lamp)->isOn(), lamp);
        auto *text1 = window->sendPath().Text1();

        setSendFormat(DataFormat::String);
        text1->setPlainText("  ABC ");
        click("send");
        QTest::qWait(20);
        QCOMPARE(pty.readAvailable(), QByteArray("ABC\r\n"));
        QCOMPARE(text1->toPlainText(), QString("ABC"));
        QCOMPARE(control<QLabel>("zis")->text(), QString("【3】B"));

        setSendFormat(DataFormat::Hex);
        text1->setPlainText("41 42 4");
        click("send");
        QCOMPARE(dialogs->messages(), QStringList{"发送数据错误！"});
        QCOMPARE(dialogs->shown.last().icon, MsgIcon::Exclamation);
        QTest::qWait(20);
        QCOMPARE(pty.readAvailable(), QByteArray());
        QCOMPARE(control<QLabel>("zis")->text(), QString("【3】B"));

        setSendFormat(DataFormat::Decimal);
        text1->setPlainText("065 300");
        dialogs->clear();
        click("send");
        QCOMPARE(dialogs->messages(), QStringList{"数据越限!!!"});
        QCOMPARE(dialogs->shown.last().title, QString("警告"));
        QCOMPARE(dialogs->shown.last().icon, MsgIcon::Question);

        setSendFormat(DataFormat::Octal);
        text1->setPlainText("101 377");
        click("send");
        QTest::qWait(20);
        QCOMPARE(pty.readAvailable(), QByteArray("\x41\xff"));
        QCOMPARE(control<QLabel>("zis")->text(), QString("【5】B"));

        // An empty box sends nothing, says nothing.
        text1->clear();
        dialogs->clear();
        click("send");
        QVERIFY(dialogs->shown.isEmpty());
        QVERIFY(control<QPushButton>("send")->isEnabled());
    }

    void receivedBytesAreShownInTheReceiveFormat()
    {
        PtyPair pty;
        openPort(pty.slavePath());
        // Bytes sent while receiving is stopped are dropped at the start.
        pty.write("zz");
        settle();
        click("Receive");
        QVERIFY(control<QPushButton>("tings")->isVisibleTo(window));
        QVERIFY(window->toolbar().isPressed(2));
        pty.write(QByteArray("\x41\x0d"));
        settle();
        QCOMPARE(pane(), QString("41 0D "));
        QCOMPARE(control<QLabel>("zir")->text(), QString("【2】B"));

        setReceiveFormat(DataFormat::String);
        pty.write(QByteArray("A\r"));
        settle();
        QCOMPARE(pane(), QString("41 0D A\r"));
        QCOMPARE(control<QLabel>("zir")->text(), QString("【4】B"));

        // A GBK character split across two reads decodes whole.
        pty.write(QByteArray("\xd6"));
        settle();
        pty.write(QByteArray("\xd0"));
        settle();
        QCOMPARE(pane(), QString("41 0D A\r中"));
        QCOMPARE(control<QLabel>("zir")->text(), QString("【6】B"));

        setReceiveFormat(DataFormat::Decimal);
        pty.write(QByteArray("\x08"));
        settle();
        QVERIFY(pane().endsWith("008 "));

        // Clearing the pane leaves the counter; clicking the counter leaves the pane.
        click("Command4");
        QCOMPARE(pane(), QString());
        QCOMPARE(control<QLabel>("zir")->text(), QString("【7】B"));
        pty.write("B");
        settle();
        QTest::mouseClick(control<QLabel>("zir"), Qt::LeftButton);
        QCOMPARE(control<QLabel>("zir")->text(), QString("【0】"));
        QCOMPARE(pane(), QString("066 "));

        // Stopped: bytes wait in the port.
        click("tings");
        pty.write("C");
        settle();
        QCOMPARE(pane(), QString("066 "));
        QVERIFY(window->port().bytesWaiting() > 0);
    }

    void stopEndsTheDisplayInTheMiddleOfABurst()
    {
        openPort(DeviceCatalog::kLoopbackName);
        click("Receive");
        window->port().output(QByteArray(20000, 'x'));
        // The user clicks stop while the drain loop serves events.
        QTimer::singleShot(0, control<QPushButton>("tings"), &QPushButton::click);
        clock->advance(20);
        QVERIFY(pane().size() < 20000 * 3);
        QVERIFY(window->port().bytesWaiting() > 0);
    }

    void lostDeviceClosesThePortAndSaysSo()
    {
        PtyPair pty;
        openPort(pty.slavePath());
        click("Receive");
        pty.write("0123456789");
        settle();
        pty.closeMaster();
        for (int i = 0; i < 10 && window->port().isOpen(); ++i)
            settle();
        settle();
        QVERIFY(!window->port().isOpen());
        QCOMPARE(dialogs->messages().size(), 1);
        QVERIFY(dialogs->messages().first().startsWith("串口设备已断开"));
        QVERIFY(control<QPushButton>("que")->isVisibleTo(window));
        QVERIFY(control<QComboBox>("comba")->isEnabled());
        QVERIFY(pane().startsWith("30 31 32"));
    }

    void autoSendRunsOnTheTimerAndEndsOnFailures()
    {
        openPort(DeviceCatalog::kLoopbackName);
        control<QRadioButton>("zidong")->click();
        QCOMPARE(window->statusBar().panel(5), QString("自动"));
        QVERIFY(window->toolbar().isPressed(1));
        control<QComboBox>("fatime")->setEditText("1000");
        window->sendPath().setSendText("01 02");
        dialogs->answers.enqueue(MsgAnswer::No); // 接收数据吗？
        click("Command2");
        QCOMPARE(dialogs->messages(), QStringList{"接收数据吗？"});
        QCOMPARE(status(), QString("正在发送..."));
        QVERIFY(!control<QGroupBox>("f4")->isEnabled());
        clock->advance(3000);
        QCOMPARE(window->sendPath().counter(), 6);

        // The panel refuses to unlock while sending.
        click("she");
        QCOMPARE(dialogs->messages().last(), QString("请先结束自动发送 ..."));
        QVERIFY(window->port().isOpen());

        // Picking an interval from the list changes the period at once.
        auto *fatime = control<QComboBox>("fatime");
        fatime->setCurrentIndex(fatime->findText("200"));
        emit fatime->activated(fatime->currentIndex());
        clock->advance(1000);
        QCOMPARE(window->sendPath().counter(), 16);

        // A bad digit ends auto-sending.
        window->sendPath().setSendText("4G");
        clock->advance(200);
        QCOMPARE(dialogs->messages().last(), QString("发送数据错误！"));
        QVERIFY(!window->sendPath().isAutoSending());
        QVERIFY(control<QPushButton>("Command2")->isVisibleTo(window));
        QCOMPARE(status(), QString("发送结束 ..."));

        // An empty box at a tick ends it with a message.
        window->sendPath().setSendText("");
        click("Command2");
        clock->advance(200);
        QCOMPARE(dialogs->messages().last(), QString("无发送数据！"));
        QVERIFY(!window->sendPath().isAutoSending());
        QVERIFY(control<QGroupBox>("f4")->isEnabled());
    }

    void assistantAndChecksum()
    {
        auto *text1 = window->sendPath().Text1();
        control<QCheckBox>("addb")->setChecked(true);
        setSendFormat(DataFormat::Hex);
        text1->setFocus();
        QTest::keyClicks(text1, "41");
        QCOMPARE(text1->toPlainText(), QString("41 "));
        QTest::keyClicks(text1, " ");
        QCOMPARE(text1->toPlainText(), QString("41  "));

        window->sendPath().setSendText("68 01 02");
        window->checkCodes().ChecksumCommand();
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString("6B"));
        QCOMPARE(text1->toPlainText(), QString("68 01 02 6B 16"));

        window->sendPath().setSendText("");
        window->checkCodes().ChecksumCommand();
        QCOMPARE(dialogs->messages(), QStringList{"请选择数据范围！！！"});

        // Picking the checked item switches to CRC; picking either again back.
        control<QAction>("mCheckSum")->trigger();
        QCOMPARE(window->checkCodes().mode(), 2);
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString("crc"));
        QVERIFY(control<QAction>("mCRC")->isChecked());
        QVERIFY(!control<QAction>("mCheckSum")->isChecked());
        control<QAction>("mCRC")->trigger();
        QCOMPARE(window->checkCodes().mode(), 1);
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString("cs"));
    }

    void bufferSizeDialogs()
    {
        auto *label1 = control<QLabel>("Label1");
        dialogs->inputs << "" << "0" << "abc" << "2048";
        for (int i = 0; i < 4; ++i)
            QTest::mouseDClick(label1, Qt::LeftButton);
        QCOMPARE(dialogs->shown.size(), 4);
        QCOMPARE(dialogs->shown[0].title, QString("设置发送缓存"));
        QCOMPARE(dialogs->shown[0].text, QString("请输入发送缓存区值的大小\n\n\n注意: 请确保串口状态为关闭!"));
        QCOMPARE(dialogs->shown[0].defaultText, QString("512"));
        QCOMPARE(dialogs->shown[3].defaultText, QString("512"));
        QCOMPARE(window->port().outBufferSize(), 2048);

        // While the port is open a change is refused silently.
        openPort(DeviceCatalog::kLoopbackName);
        dialogs->clear();
        dialogs->inputs << "4096";
        QTest::mouseDClick(control<QLabel>("Label2"), Qt::LeftButton);
        QCOMPARE(dialogs->shown.first().title, QString("设置接收缓存"));
        QCOMPARE(window->port().inBufferSize(), 1024);
        QCOMPARE(dialogs->messages(), QStringList());
    }

    void selectionChecksInBothPanes()
    {
        setSendFormat(DataFormat::Hex);
        auto *text1 = window->sendPath().Text1();
        text1->setPlainText("FF 01 02");
        QTextCursor c = text1->textCursor();
        c.setPosition(0);
        c.setPosition(2, QTextCursor::KeepAnchor); // two characters: nothing changes
        text1->setTextCursor(c);
        window->checkCodes().CheckSendSelection();
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString("cs"));
        c.setPosition(5, QTextCursor::KeepAnchor);
        text1->setTextCursor(c);
        window->checkCodes().CheckSendSelection();
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString("00"));

        ReceivePane *pane = window->receivePath().Text2();
        pane->setText("80 80 80");
        pane->setSelStart(0);
        pane->setSelLength(8);
        window->checkCodes().CheckReceiveSelection();
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString("80"));

        // CRC mode: a send-box selection empties the box, a pane selection
        // still shows the byte checksum.
        control<QAction>("mCRC")->trigger();
        window->checkCodes().CheckSendSelection();
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString());
        window->checkCodes().CheckReceiveSelection();
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString("80"));
        // The command writes the byte checksum in either mode.
        control<QCheckBox>("addb")->setChecked(true);
        text1->setPlainText("68 01 02");
        window->checkCodes().ChecksumCommand();
        QCOMPARE(text1->toPlainText(), QString("68 01 02 6B 16"));

        // String send format: selections empty the box.
        setSendFormat(DataFormat::String);
        window->checkCodes().CheckReceiveSelection();
        QCOMPARE(control<QLineEdit>("cstext")->text(), QString());
    }

    void formatToggleAndConversions()
    {
        setSendFormat(DataFormat::Decimal);
        window->toolbar().button(4)->trigger();
        QCOMPARE(window->formats().sendFormat(), DataFormat::Hex);
        QCOMPARE(window->formats().receiveFormat(), DataFormat::Hex);
        window->toolbar().button(4)->trigger();
        QCOMPARE(window->formats().sendFormat(), DataFormat::String);
        QCOMPARE(control<QComboBox>("Modr")->currentText(), QString("按字符串接收"));

        setReceiveFormat(DataFormat::Hex);
        window->receivePath().Text2()->setText("41 42 43");
        window->toolbar().convertReceiveAction()->trigger();
        QCOMPARE(pane(), QString("ABC"));
        QCOMPARE(window->formats().receiveFormat(), DataFormat::String);
        window->toolbar().convertReceiveAction()->trigger();
        QCOMPARE(pane(), QString("41 42 43 "));
        QCOMPARE(window->formats().receiveFormat(), DataFormat::Hex);

        setSendFormat(DataFormat::Hex);
        window->sendPath().setSendText("41 4");
        window->toolbar().convertSendAction()->trigger();
        QCOMPARE(dialogs->messages(), QStringList{"数据错误，不能转化！"});
        QCOMPARE(window->sendPath().sendText(), QString("41 4"));
        QCOMPARE(window->formats().sendFormat(), DataFormat::Hex);
    }
};

QTEST_MAIN(TerminalTest)
#include "tst_terminal.moc"
