// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated modem as the program sees it through the port, over virtual
// time: command answers, dial outcomes, data mode, hanging up and ringing.

#include "VirtualScheduler.h"
#include "modem/SimulatedModem.h"
#include "serial/SerialPort.h"

#include <QTest>

namespace {

struct Rig
{
    Rig()
        : port([this](const QString &) -> std::unique_ptr<SerialDevice> {
              auto made = std::make_unique<SimulatedModem>(clock);
              modem = made.get();
              return made;
          })
    {
        port.setPortName(SimulatedModem::kName);
        port.open();
        port.setDtrEnable(true);
    }

    // Sends a text and returns what the modem answers at once.
    QString send(const QString &text)
    {
        port.outputText(text);
        return port.readText();
    }
    // Lets ms pass and returns what arrived meanwhile.
    QString after(int ms)
    {
        clock.advance(ms);
        return port.readText();
    }
    void connect(const QString &number = QStringLiteral("1031"))
    {
        send(QStringLiteral("ATDT") + number + QStringLiteral("\r\n"));
        QCOMPARE(after(3000), QStringLiteral("\r\nCONNECT 9600\r\n"));
    }

    VirtualScheduler clock;
    SimulatedModem *modem = nullptr;
    SerialPort port;
};

const QString kOk = QStringLiteral("\r\nOK\r\n");
const QString kError = QStringLiteral("\r\nERROR\r\n");
const QString kNoCarrier = QStringLiteral("\r\nNO CARRIER\r\n");
const QString kRing = QStringLiteral("\r\nRING\r\n");

} // namespace

class TestSimulatedModem : public QObject
{
    Q_OBJECT

private slots:
    void commandMode();
    void dialOutcomes_data();
    void dialOutcomes();
    void anyKeyAbandonsDialing();
    void dataModeEchoesAndEscapes();
    void hangingUp();
    void ringingAndAnswering();
    void numberNineCallsBack();
    void inputIsBounded();
};

void TestSimulatedModem::commandMode()
{
    Rig rig;
    QVERIFY(rig.port.dsrHolding());
    QVERIFY(!rig.port.cdHolding());
    for (const char *command : {"AT", "ATZ", "ATS0=0", "at", "ATE0", "AT&F"})
        QCOMPARE(rig.send(QString::fromLatin1(command) + "\r\n"), kOk);
    for (const char *command : {"ATFOO", "hello", "ATD", "ATDT"})
        QCOMPARE(rig.send(QString::fromLatin1(command) + "\r\n"), kError);
    // Empty lines are ignored; an overlong line is refused as a whole.
    QCOMPARE(rig.send(QStringLiteral("\r\n")), QString());
    QCOMPARE(rig.send(QStringLiteral("AT") + QString(300, 'Z') + "\r\n"), kError);
    QCOMPARE(rig.send(QStringLiteral("AT\r\n")), kOk);
    // Without an incoming call there is nothing to answer or return to.
    QCOMPARE(rig.send(QStringLiteral("ATA\r\n")), kNoCarrier);
    QCOMPARE(rig.send(QStringLiteral("ATO\r\n")), kNoCarrier);

    rig.port.close();
    QVERIFY(!rig.port.dsrHolding());
}

void TestSimulatedModem::dialOutcomes_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("carrier");
    QTest::newRow("0 connects") << "1030" << 3000 << "CONNECT 9600" << true;
    QTest::newRow("4 connects") << "1034" << 3000 << "CONNECT 9600" << true;
    QTest::newRow("5 busy") << "1035" << 2000 << "BUSY" << false;
    QTest::newRow("6 no carrier") << "1036" << 5000 << "NO CARRIER" << false;
    QTest::newRow("7 no dial tone") << "1037" << 1000 << "NO DIALTONE" << false;
    QTest::newRow("9 busy") << "1039" << 2000 << "BUSY" << false;
    QTest::newRow("pulse, blanks") << "ATDP 555-1231" << 3000 << "CONNECT 9600" << true;
}

void TestSimulatedModem::dialOutcomes()
{
    QFETCH(QString, number);
    QFETCH(int, delay);
    QFETCH(QString, result);
    QFETCH(bool, carrier);
    Rig rig;
    const QString command = number.startsWith(QLatin1String("AT")) ? number : "ATDT" + number;
    QCOMPARE(rig.send(command + "\r\n"), QString());
    QCOMPARE(rig.after(delay - 1), QString());
    QCOMPARE(rig.after(1), "\r\n" + result + "\r\n");
    QCOMPARE(rig.port.cdHolding(), carrier);

    // Number 8: nobody answers, however long one waits.
    Rig silent;
    silent.send(QStringLiteral("ATDT1038\r\n"));
    QCOMPARE(silent.after(120000), QString());
    QVERIFY(!silent.port.cdHolding());
}

void TestSimulatedModem::anyKeyAbandonsDialing()
{
    Rig rig;
    rig.send(QStringLiteral("ATDT1031\r\n"));
    QCOMPARE(rig.after(1000), QString());
    QCOMPARE(rig.send(QStringLiteral("+++")), kNoCarrier);
    QCOMPARE(rig.after(5000), QString());
    QVERIFY(!rig.port.cdHolding());
    QCOMPARE(rig.send(QStringLiteral("ATH0\r\n")), kOk);
}

void TestSimulatedModem::dataModeEchoesAndEscapes()
{
    Rig rig;
    rig.connect();
    QCOMPARE(rig.send(QStringLiteral("hello ATH0\r\n")), QStringLiteral("hello ATH0\r\n"));
    QVERIFY(rig.port.cdHolding());

    // Pluses split across writes still escape; the call stays up.
    QCOMPARE(rig.send(QStringLiteral("a++")), QStringLiteral("a++"));
    QCOMPARE(rig.send(QStringLiteral("+")), "+" + kOk);
    QVERIFY(rig.port.cdHolding());
    QCOMPARE(rig.send(QStringLiteral("AT\r\n")), kOk);
    QCOMPARE(rig.send(QStringLiteral("ATO\r\n")), QStringLiteral("\r\nCONNECT 9600\r\n"));
    QCOMPARE(rig.send(QStringLiteral("back")), QStringLiteral("back"));
    QCOMPARE(rig.send(QStringLiteral("ATDT1031\r\n")), QStringLiteral("ATDT1031\r\n"));
}

void TestSimulatedModem::hangingUp()
{
    // "+++" then ATH0, as the program hangs up.
    Rig rig;
    rig.connect();
    QCOMPARE(rig.send(QStringLiteral("+++")), "+++" + kOk);
    QCOMPARE(rig.send(QStringLiteral("ATH0\r\n")), kOk);
    QVERIFY(!rig.port.cdHolding());
    QCOMPARE(rig.send(QStringLiteral("x\r\n")), kError); // command mode again

    // Dropping DTR hangs up a call, and a dialing attempt.
    Rig dtr;
    dtr.connect();
    dtr.port.setDtrEnable(false);
    QVERIFY(!dtr.port.cdHolding());
    dtr.port.setDtrEnable(true);
    dtr.send(QStringLiteral("ATDT1031\r\n"));
    dtr.port.setDtrEnable(false);
    QCOMPARE(dtr.after(5000), QString());
    QVERIFY(!dtr.port.cdHolding());

    // The far end hangs up.
    Rig far;
    far.connect();
    far.modem->dropCarrier();
    QVERIFY(!far.port.cdHolding());
    QCOMPARE(far.port.readText(), kNoCarrier);
    QCOMPARE(far.send(QStringLiteral("AT\r\n")), kOk);
}

void TestSimulatedModem::ringingAndAnswering()
{
    Rig rig;
    rig.modem->ring();
    QCOMPARE(rig.port.readText(), kRing);
    QCOMPARE(rig.after(5999), QString());
    QCOMPARE(rig.after(1), kRing);
    QCOMPARE(rig.send(QStringLiteral("ATHA\r\n")), QString());
    QCOMPARE(rig.after(3000), QStringLiteral("\r\nCONNECT 9600\r\n"));
    QVERIFY(rig.port.cdHolding());
    QCOMPARE(rig.after(20000), QString()); // no more rings once answered
    rig.modem->ring();                     // the line is busy
    QCOMPARE(rig.port.readText(), QString());

    // An unanswered call rings ten times and then gives up.
    Rig unanswered;
    unanswered.modem->ring();
    QCOMPARE(unanswered.after(100000).count(QLatin1String("RING")), 10);
    QCOMPARE(unanswered.send(QStringLiteral("ATA\r\n")), kNoCarrier);
}

void TestSimulatedModem::numberNineCallsBack()
{
    Rig rig;
    rig.send(QStringLiteral("ATDT1039\r\n"));
    QCOMPARE(rig.after(2000), QStringLiteral("\r\nBUSY\r\n"));
    // Hanging up and pulsing DTR, as the program does after a failed dial,
    // does not stop the call-back.
    rig.send(QStringLiteral("ATH0\r\n"));
    rig.port.setDtrEnable(false);
    rig.port.setDtrEnable(true);
    rig.port.readText();
    QCOMPARE(rig.after(9999), QString());
    QCOMPARE(rig.after(1), kRing);
    QCOMPARE(rig.send(QStringLiteral("ATA\r\n")), QString());
    QCOMPARE(rig.after(3000), QStringLiteral("\r\nCONNECT 9600\r\n"));
}

void TestSimulatedModem::inputIsBounded()
{
    Rig rig;
    rig.connect();
    rig.port.output(QByteArray(100 * 1024, 'x'));
    QCOMPARE(rig.port.bytesWaiting(), 64 * 1024);
}

QTEST_GUILESS_MAIN(TestSimulatedModem)
#include "tst_SimulatedModem.moc"
