// SPDX-License-Identifier: GPL-3.0-or-later
// Serial ports on other machines, end to end through the main window: a
// real ser2net serving a pseudo-terminal the test holds (RFC 2217 and raw
// TCP), and a small Telnet server in the test for what a pseudo-terminal
// cannot show (modem lamps, line commands, refused settings, a server that
// speaks no Telnet, one that never answers).

#include "PtyPair.h"
#include "Ser2NetServer.h"
#include "WindowRig.h"
#include "core/Widgets.h"
#include "serial/LoopbackDevice.h"
#include "serial/PortWatcher.h"
#include "serial/Rfc2217.h"
#include "serial/SerialPort.h"
#include "terminal/PortPanel.h"
#include "terminal/ReceivePath.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <termios.h>

using namespace Rfc2217;

namespace {

// All 256 byte values between runs of 0xFF, the byte Telnet escapes.
QByteArray awkwardBytes()
{
    QByteArray bytes(3, char(0xFF));
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    bytes.append(QByteArray(700, char(0xFF)));
    bytes.append("\r\n\r\0\xff\r", 6);
    return bytes;
}

// A Telnet COM-PORT server of the test's own: it agrees to the option,
// answers each settings command with its value (or with refusedBaud's
// answer for the baud rate), and records every COM-PORT command.
class FakeComServer : public QObject
{
public:
    enum class Mode { Serial, Garbage, Silent };
    explicit FakeComServer(Mode mode) : m_mode(mode)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_client = m_server.nextPendingConnection();
            if (m_mode == Mode::Garbage) {
                m_client->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
                m_client->disconnectFromHost();
            }
            QObject::connect(m_client, &QTcpSocket::readyRead, this, [this] { serve(); });
        });
    }
    QString url() const { return QString("rfc2217://127.0.0.1:%1").arg(m_server.serverPort()); }
    void sendModemState(quint8 state)
    {
        m_client->write(comPortCommand(ServerOffset + NotifyModemState, QByteArray(1, char(state))));
    }

    QList<QPair<int, QByteArray>> commands;
    std::optional<QByteArray> refusedBaud;

private:
    void serve()
    {
        if (m_mode != Mode::Serial)
            return;
        std::vector<Event> events;
        m_decoder.decode(m_client->readAll(), events);
        for (const Event &e : events) {
            if (e.type == Event::Type::Will && e.option == OptComPort)
                m_client->write(negotiation(DO, OptComPort));
            if (e.type != Event::Type::ComPort)
                continue;
            commands << qMakePair(int(e.command), e.value);
            const QByteArray answer = e.command == SetBaudRate && refusedBaud ? *refusedBaud : e.value;
            m_client->write(comPortCommand(ServerOffset + e.command, answer));
        }
    }

    Mode m_mode;
    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    Decoder m_decoder;
};

} // namespace

class TestNetworkPort : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<WindowRig> rig;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<Ser2NetServer> server;

    SerialPort &port() { return rig->window->port(); }

    // What arrives until there are n bytes, or ten seconds have passed (a
    // real server: bounded, never a fixed sleep).
    static QByteArray collect(qsizetype n, const std::function<QByteArray()> &take)
    {
        QByteArray got;
        const QDeadlineTimer deadline(10000);
        while ((got += take()).size() < n && !deadline.hasExpired())
            QTest::qWait(5);
        return got;
    }
    QByteArray readFromPort(qsizetype n)
    {
        return collect(n, [this] { return port().read(port().bytesWaiting()); });
    }
    QByteArray readFromPty(qsizetype n)
    {
        return collect(n, [this] { return pty->readAvailable(); });
    }
    QList<int> controls(const FakeComServer &fake) const
    {
        QList<int> values;
        for (const auto &c : fake.commands)
            if (c.first == SetControl)
                values << quint8(c.second[0]);
        return values;
    }

private slots:
    void initTestCase()
    {
        if (Ser2NetServer::program().isEmpty())
            QFAIL(Ser2NetServer::kInstallHint);
    }

    void init()
    {
        rig = std::make_unique<WindowRig>();
        rig->build();
        pty = std::make_unique<PtyPair>();
        QVERIFY(pty->isValid());
        server = std::make_unique<Ser2NetServer>(pty->slavePath());
        QVERIFY2(server->start(), qPrintable(server->error()));
    }

    void cleanup()
    {
        rig.reset();
        server.reset();
        pty.reset();
    }

    void everyByteValueCrossesBothWays_data()
    {
        QTest::addColumn<bool>("raw");
        QTest::newRow("rfc2217") << false;
        QTest::newRow("socket") << true;
    }

    void everyByteValueCrossesBothWays()
    {
        QFETCH(bool, raw);
        const QString url = raw ? server->socketUrl() : server->rfc2217Url();
        rig->openPort(url);
        QVERIFY2(port().isOpen(), qPrintable(rig->dialogs.messages().join('\n')));
        QCOMPARE(rig->status(), QString(" 设置成功 ... "));
        QVERIFY(rig->visible("she"));
        const QByteArray bytes = awkwardBytes();
        pty->write(bytes);
        QCOMPARE(readFromPort(bytes.size()), bytes);
        QCOMPARE(port().output(bytes), qint64(bytes.size()));
        QCOMPARE(readFromPty(bytes.size()), bytes);
        // The port box keeps the URL, and the list offers it from now on.
        QVERIFY(rig->entries("comba").contains(url));
    }

    void settingsArriveAtTheDevice_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("speed");
        // Linux keeps a pseudo-terminal at eight data bits without parity
        // whatever it is told (CSIZE and PARENB); the parity's kind and the
        // stop bits show. The data size is checked by the server's answer.
        QTest::addColumn<int>("cflags");
        QTest::newRow("9600,n,8,1") << "9600,n,8,1" << int(B9600) << 0;
        QTest::newRow("19200,e,7,2") << "19200,e,7,2" << int(B19200) << int(CSTOPB);
        QTest::newRow("115200,o,8,1") << "115200,o,8,1" << int(B115200) << int(PARODD);
        QTest::newRow("2400,o,6,2") << "2400,o,6,2" << int(B2400) << int(PARODD | CSTOPB);
    }

    void settingsArriveAtTheDevice()
    {
        QFETCH(QString, text);
        QFETCH(int, speed);
        QFETCH(int, cflags);
        rig->openPort(server->rfc2217Url(), text);
        QVERIFY2(port().isOpen(), qPrintable(rig->dialogs.messages().join('\n')));
        const termios t = pty->attributes();
        QCOMPARE(int(cfgetospeed(&t)), speed);
        QCOMPARE(int(t.c_cflag & (PARODD | CSTOPB)), cflags);
    }

    void aRestartedServerIsReconnectedWithItsSettings()
    {
        QSignalSpy tries(&port(), &SerialPort::connecting);
        rig->openPort(server->rfc2217Url(), "19200,o,8,2");
        QVERIFY(port().isOpen());
        server->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!port().isOpen(), 10000);
        QTRY_COMPARE(rig->status(), QString(" 串口已断开，等待重新连接 ... "));
        QVERIFY(rig->visible("she"));
        QVERIFY(rig->dialogs.messages().isEmpty());
        // Tries come with a growing pause: after 3 s, 6 s more, 12 s more.
        tries.clear();
        rig->clock.advance(PortWatcher::kFirstNetworkPauseMs - 100);
        QCOMPARE(tries.count(), 0);
        rig->clock.advance(200);
        QCOMPARE(tries.count(), 1);
        rig->clock.advance(2 * PortWatcher::kFirstNetworkPauseMs);
        QCOMPARE(tries.count(), 2);
        rig->clock.advance(4 * PortWatcher::kFirstNetworkPauseMs - 200);
        QCOMPARE(tries.count(), 2);
        // ser2net opens the device at its own 9600,n,8,1: the settings
        // are negotiated again.
        QVERIFY2(server->start(), qPrintable(server->error()));
        QVERIFY(rig->clock.advanceUntil([&] { return port().isOpen(); }, PortWatcher::kLongestNetworkPauseMs + 1000));
        QCOMPARE(rig->status(), QString(" 串口已重新连接 ... "));
        const termios t = pty->attributes();
        QCOMPARE(int(cfgetospeed(&t)), int(B19200));
        QCOMPARE(int(t.c_cflag & (PARODD | CSTOPB)), int(PARODD | CSTOPB));
        pty->write("after");
        QCOMPARE(readFromPort(5), QByteArray("after"));
        port().output("back\xff");
        QCOMPARE(readFromPty(5), QByteArray("back\xff"));
    }

    void aLostServerWithoutReconnectSaysSo()
    {
        rig->control<QAction>("mAutoReconnect")->trigger();
        rig->openPort(server->rfc2217Url());
        QVERIFY(port().isOpen());
        server->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!rig->dialogs.messages().isEmpty(), 10000);
        const QString message = rig->dialogs.messages().constLast();
        QVERIFY2(message.startsWith("串口设备已断开"), qPrintable(message));
        QVERIFY2(message.contains("网络连接已断开（127.0.0.1:"), qPrintable(message));
        QVERIFY(rig->visible("que"));
    }

    void failuresSayWhatWentWrong_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused") << QString("rfc2217://127.0.0.1:%1").arg(Ser2NetServer::freePort())
                                 << "拒绝连接";
        QTest::newRow("unknown host") << "rfc2217://no-such-host.invalid:2000" << "找不到主机“no-such-host.invalid”";
        QTest::newRow("no port") << "socket://127.0.0.1" << "缺少端口号";
        QTest::newRow("port out of range") << "socket://127.0.0.1:99999" << "端口号“99999”无效";
        QTest::newRow("unknown scheme") << "telnet://127.0.0.1:23" << "协议“telnet”不认识";
        QTest::newRow("bad host") << "rfc2217://a..b:23" << "主机名“a..b”";
        QTest::newRow("not telnet") << "garbage" << "不是 RFC 2217 串口服务器";
        QTest::newRow("settings refused") << "refusing" << "通信属性设置错误！";
    }

    void failuresSayWhatWentWrong()
    {
        QFETCH(QString, url);
        QFETCH(QString, message);
        FakeComServer garbage(FakeComServer::Mode::Garbage);
        FakeComServer refusing(FakeComServer::Mode::Serial);
        refusing.refusedBaud = baudValue(9600);
        if (url == "garbage")
            url = garbage.url();
        else if (url == "refusing")
            url = refusing.url();
        rig->openPort(url, "12345,n,8,1");
        QVERIFY(!port().isOpen());
        QCOMPARE(rig->dialogs.messages().size(), 1);
        QVERIFY2(rig->dialogs.messages()[0].contains(message), qPrintable(rig->dialogs.messages()[0]));
        QVERIFY(!rig->dialogs.messages()[0].contains("正在被使用"));
        QCOMPARE(rig->status(), QString(" 设置不成功 ... "));
        QVERIFY(rig->visible("que"));
        QVERIFY(rig->control<QWidget>("comba")->isEnabled());
    }

    void linesTravelAsComPortCommands()
    {
        FakeComServer fake(FakeComServer::Mode::Serial);
        rig->openPort(fake.url(), "57600,m,8,1.5,x");
        QVERIFY2(port().isOpen(), qPrintable(rig->dialogs.messages().join('\n')));
        QCOMPARE(fake.commands.at(0), qMakePair(int(SetBaudRate), baudValue(57600)));
        QCOMPARE(fake.commands.at(2), qMakePair(int(SetParity), QByteArray(1, 4)));
        QCOMPARE(fake.commands.at(3), qMakePair(int(SetStopSize), QByteArray(1, 3)));
        QCOMPARE(fake.commands.at(5), qMakePair(int(SetModemStateMask), QByteArray(1, char(0xB0))));
        // The set-up drops DTR for half a second and raises it again.
        QTRY_COMPARE(controls(fake), (QList<int>{FlowXonXoff, DtrOff, RtsOff, DtrOff, DtrOn}));
        fake.commands.clear();
        port().setBreak(true);
        port().setBreak(false);
        port().setRtsEnable(true);
        port().discardInput();
        port().discardOutput();
        QTRY_COMPARE(fake.commands.size(), 5);
        QCOMPARE(controls(fake), (QList<int>{BreakOn, BreakOff, RtsOn}));
        QCOMPARE(fake.commands.at(3), qMakePair(int(PurgeData), QByteArray(1, PurgeReceive)));
        QCOMPARE(fake.commands.at(4), qMakePair(int(PurgeData), QByteArray(1, PurgeTransmit)));

        // The lamps follow the server's modem state, painted at each poll.
        rig->window->receivePath().StartPolling();
        for (const quint8 state : {quint8(StateCd | StateCts | StateDsr), quint8(StateCts), quint8(0)}) {
            fake.sendModemState(state);
            QTRY_COMPARE(port().lineStates().cts, (state & StateCts) != 0);
            rig->clock.advance(40);
            QCOMPARE(rig->control<Lamp>("spcd")->isOn(), (state & StateCd) != 0);
            QCOMPARE(rig->control<Lamp>("shcts")->isOn(), (state & StateCts) != 0);
            QCOMPARE(rig->control<Lamp>("shdsr")->isOn(), (state & StateDsr) != 0);
        }
    }

    void aSlowConnectionShowsAndIsGivenUpBySetting()
    {
        FakeComServer silent(FakeComServer::Mode::Silent);
        bool sawConnecting = false;
        QTimer::singleShot(200, rig->window.get(), [&] {
            sawConnecting = rig->status() == QString(" 正在连接 %1 ... ").arg(silent.url().mid(10));
            QVERIFY(rig->visible("she"));
            rig->click("she");
        });
        rig->openPort(silent.url());
        QVERIFY(sawConnecting);
        QVERIFY(!port().isOpen());
        QVERIFY(!port().isConnecting());
        QCOMPARE(rig->dialogs.messages(), QStringList());
        QCOMPARE(rig->status(), QString(" 串口设置中 ... "));
        QVERIFY(rig->visible("que"));
        QVERIFY(rig->visible("Piccom"));
    }

    void networkPortsUsedAreKeptInTheSettings()
    {
        // Ten stored: the port opened comes first and the oldest falls off.
        QStringList stored;
        for (int i = 1; i <= PortPanel::kNetworkPortsKept; ++i)
            stored << QString("rfc2217://host%1:2000").arg(i);
        for (int i = 0; i < stored.size(); ++i)
            rig->settings.save("Extras", QString("NetworkPort%1").arg(i + 1), stored[i]);
        // The start-up opens the stored port "1": a loopback here.
        rig->devices.addSimulated("1", [] { return std::make_unique<LoopbackDevice>(); });
        rig->window->StartUp();
        for (const QString &url : stored)
            QVERIFY(rig->entries("comba").contains(url));
        rig->dialogs.clear();
        rig->openPort(server->socketUrl());
        QVERIFY(port().isOpen());
        rig->window->show();
        QVERIFY(rig->window->close());
        QCOMPARE(rig->settings.get("ComPort", "Port", {}), server->socketUrl());
        const QStringList expected = QStringList{server->socketUrl()} + stored;
        for (int i = 0; i < PortPanel::kNetworkPortsKept; ++i)
            QCOMPARE(rig->settings.get("Extras", QString("NetworkPort%1").arg(i + 1), {}), expected.value(i));
    }
};

QTEST_MAIN(TestNetworkPort)
#include "tst_networkport.moc"
