// SPDX-License-Identifier: GPL-3.0-or-later
// The network port's pure parts: reading a port URL, and the bytes of the
// Telnet COM-PORT option both ways.

#include "serial/NetworkAddress.h"
#include "serial/Rfc2217.h"

#include <QTest>

using namespace Rfc2217;

namespace {
QByteArray allByteValues()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    return all;
}
} // namespace

class TestRfc2217 : public QObject
{
    Q_OBJECT
private slots:
    void urlsParseOrNameTheWrongPart_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("endpoint"); // empty: refused
        QTest::addColumn<bool>("raw");
        QTest::addColumn<QString>("complaint");
        QTest::newRow("rfc2217") << "rfc2217://192.168.1.20:2000" << "192.168.1.20:2000" << false << "";
        QTest::newRow("socket, name") << " socket://lab-pi.local:4001 " << "lab-pi.local:4001" << true << "";
        QTest::newRow("scheme in capitals") << "RFC2217://host:1" << "host:1" << false << "";
        QTest::newRow("ipv6") << "rfc2217://[::1]:65535" << "[::1]:65535" << false << "";
        QTest::newRow("trailing slash") << "socket://h:23/" << "h:23" << true << "";
        QTest::newRow("no port") << "rfc2217://host" << "" << false << "缺少端口号";
        QTest::newRow("empty port") << "rfc2217://host:" << "" << false << "缺少端口号";
        QTest::newRow("port 0") << "rfc2217://host:0" << "" << false << "端口号“0”无效";
        QTest::newRow("port too big") << "rfc2217://host:65536" << "" << false << "端口号“65536”无效";
        QTest::newRow("port not a number") << "socket://host:telnet" << "" << true << "端口号“telnet”无效";
        QTest::newRow("unknown scheme") << "http://host:80" << "" << false << "协议“http”不认识";
        QTest::newRow("no host") << "socket://:2000" << "" << true << "缺少主机名";
        QTest::newRow("bad host") << "rfc2217://bad host!:23" << "" << false << "主机名“bad host!”";
        QTest::newRow("hyphen at end") << "rfc2217://host-:23" << "" << false << "主机名“host-”";
        QTest::newRow("unclosed bracket") << "rfc2217://[::1:23" << "" << false << "右方括号";
    }

    void urlsParseOrNameTheWrongPart()
    {
        QFETCH(QString, url);
        QFETCH(QString, endpoint);
        QFETCH(bool, raw);
        QFETCH(QString, complaint);
        QVERIFY(NetworkAddress::isNetworkName(url));
        QString error;
        const auto address = NetworkAddress::parse(url, &error);
        if (endpoint.isEmpty()) {
            QVERIFY(!address);
            QVERIFY2(error.contains(complaint), qPrintable(error));
            // Every refusal shows the form that works.
            QVERIFY(error.contains("rfc2217://主机:端口"));
            return;
        }
        QVERIFY2(address, qPrintable(error));
        QCOMPARE(address->endpoint(), endpoint);
        QCOMPARE(address->kind == NetworkAddress::Kind::RawSocket, raw);
    }

    void everyByteValueCrossesTheWireUnchanged_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("all 256 values") << allByteValues();
        QTest::newRow("a run of 0xFF") << QByteArray(1000, char(0xFF));
        QTest::newRow("0xFF around IAC commands' bytes")
            << QByteArray::fromHex("fffbfffafff0fffd2cff");
    }

    void everyByteValueCrossesTheWireUnchanged()
    {
        QFETCH(QByteArray, data);
        const QByteArray wire = escape(data);
        QCOMPARE(wire.size(), data.size() + data.count(char(0xFF)));
        // Cut anywhere, an escape split between two reads still decodes whole.
        for (const int cut : {0, 1, int(wire.size() / 2), int(wire.size() - 1)}) {
            Decoder decoder;
            std::vector<Event> events;
            QByteArray out = decoder.decode(wire.left(cut), events);
            out += decoder.decode(wire.mid(cut), events);
            QCOMPARE(out, data);
            QVERIFY(events.empty());
        }
    }

    void clientCommandsAreEncoded_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        PortSettings s;
        s.baud = 115200;
        s.parity = 'e';
        s.dataBits = 7;
        s.stopBits = 2;
        s.flow = 'h';
        QTest::newRow("settings")
            << settingsCommands(s)
            << QByteArray::fromHex("fffa2c010001c200fff0" "fffa2c0207fff0" "fffa2c0303fff0"
                                   "fffa2c0402fff0" "fffa2c0503fff0");
        s.baud = 0x00FF00FF; // 0xFF in a value is doubled
        s.parity = 'o';
        s.stopBits = 1.5;
        s.flow = 'x';
        QTest::newRow("escaped value, odd, 1.5 stop bits, xon/xoff")
            << settingsCommands(s).left(26)
            << QByteArray::fromHex("fffa2c0100ffff00ffff" "fff0" "fffa2c0207fff0" "fffa2c0302fff0");
        QTest::newRow("DTR on") << comPortCommand(SetControl, QByteArray(1, char(DtrOn)))
                                << QByteArray::fromHex("fffa2c0508fff0");
        QTest::newRow("break off") << comPortCommand(SetControl, QByteArray(1, char(BreakOff)))
                                   << QByteArray::fromHex("fffa2c0506fff0");
        QTest::newRow("purge receive") << comPortCommand(PurgeData, QByteArray(1, char(PurgeReceive)))
                                       << QByteArray::fromHex("fffa2c0c01fff0");
        QTest::newRow("will com-port") << negotiation(WILL, OptComPort) << QByteArray::fromHex("fffb2c");
    }

    void clientCommandsAreEncoded()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
    }

    void serverCommandsAreSplitFromData_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("negotiation between data")
            << QByteArray::fromHex("41fffb03fffd2c42fffe01") << QByteArray("AB")
            << QStringList{"will 3", "do 44", "dont 1"};
        QTest::newRow("modem state and an answer with an escaped 0xFF")
            << QByteArray::fromHex("fffa2c6bb0fff0" "43" "fffa2c6500ffff00fffffff0")
            << QByteArray("C") << QStringList{"com 107 b0", "com 101 00ff00ff"};
        QTest::newRow("other telnet commands are dropped")
            << QByteArray::fromHex("fff144fff9") << QByteArray("D") << QStringList{};
        QTest::newRow("a broken subnegotiation is dropped")
            << QByteArray::fromHex("fffa2c6b01ff4145") << QByteArray("E") << QStringList{};
    }

    void serverCommandsAreSplitFromData()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, events);
        // Byte by byte: every command survives any cut.
        Decoder decoder;
        std::vector<Event> seen;
        QByteArray out;
        for (const char c : wire)
            out += decoder.decode(QByteArray(1, c), seen);
        QCOMPARE(out, data);
        QStringList described;
        for (const Event &e : seen) {
            switch (e.type) {
            case Event::Type::Will: described << QString("will %1").arg(e.option); break;
            case Event::Type::Wont: described << QString("wont %1").arg(e.option); break;
            case Event::Type::Do: described << QString("do %1").arg(e.option); break;
            case Event::Type::Dont: described << QString("dont %1").arg(e.option); break;
            case Event::Type::ComPort:
                described << QString("com %1 %2").arg(e.command).arg(QString::fromLatin1(e.value.toHex()));
                break;
            }
        }
        QCOMPARE(described, events);
    }
};

QTEST_GUILESS_MAIN(TestRfc2217)
#include "tst_rfc2217.moc"
