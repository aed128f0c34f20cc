// SPDX-License-Identifier: GPL-3.0-or-later
// The AT command layer over virtual time: what goes on the line and when,
// how the modem's answers end the waits, and the handshake-time box.

#include "ScriptedDialogs.h"
#include "VirtualScheduler.h"
#include "modem/ModemCommands.h"
#include "modem/SimulatedModem.h"
#include "serial/SerialPort.h"

#include <QTest>

namespace {

// A modem whose answers the test scripts; it records everything written to
// it and every change of DTR and RTS, with the virtual time.
class ScriptedLine : public SerialDevice
{
public:
    explicit ScriptedLine(Scheduler &clock) : m_clock(clock) {}

    struct Event
    {
        qint64 at;
        QByteArray what;
    };
    QList<Event> writes;
    QList<Event> lineChanges;
    QByteArray input;
    bool cd = false;

    qint64 writeTime(const QByteArray &what) const
    {
        for (const Event &e : writes)
            if (e.what == what)
                return e.at;
        return -1;
    }
    QByteArray written() const
    {
        QByteArray all;
        for (const Event &e : writes)
            all += e.what;
        return all;
    }

    int open(const PortSettings &) override { return PortError::None; }
    void close() override {}
    bool isOpen() const override { return true; }
    qint64 write(const QByteArray &bytes, int) override
    {
        writes.append({m_clock.now(), bytes});
        return bytes.size();
    }
    qint64 bytesAvailable() override { return input.size(); }
    QByteArray read(qint64 maxBytes) override
    {
        const QByteArray out = input.left(maxBytes);
        input.remove(0, out.size());
        return out;
    }
    void discardInput() override { input.clear(); }
    void discardOutput() override {}
    bool setDtr(bool on) override { return record(on ? "DTR on" : "DTR off"); }
    bool setRts(bool on) override { return record(on ? "RTS on" : "RTS off"); }
    InputLines inputLines() override { return {cd, false, true}; }
    bool rtsLine() override { return true; }
    bool setBreak(bool on) override { return record(on ? "BREAK on" : "BREAK off"); }

private:
    bool record(const char *what)
    {
        lineChanges.append({m_clock.now(), what});
        return true;
    }
    Scheduler &m_clock;
};

// The main window's side of the AT layer, with a port on a scripted line or
// on the simulated modem.
struct Rig
{
    enum Device { Scripted, Simulated };

    explicit Rig(Device device = Scripted)
        : port([this, device](const QString &) -> std::unique_ptr<SerialDevice> {
              if (device == Simulated)
                  return std::make_unique<SimulatedModem>(clock);
              auto made = std::make_unique<ScriptedLine>(clock);
              line = made.get();
              return made;
          }),
          modem(port, clock, dialogs,
                {[this] { return number; }, [this] { return method; },
                 [this] { ++stopReceivingCalls; },
                 [this](const QString &text) { pane << text; }},
                waitMs)
    {
        port.open();
        port.setDtrEnable(true);
        if (line)
            line->lineChanges.clear();
    }

    // Runs fn when the virtual clock reaches ms.
    void at(qint64 ms, std::function<void()> fn)
    {
        Timer *t = clock.createTimer(&owner);
        t->setInterval(int(ms - clock.now()));
        QObject::connect(t, &Timer::timeout, t, [t, fn] {
            t->stop();
            fn();
        });
        t->start();
    }
    void answerAt(qint64 ms, const QByteArray &text)
    {
        at(ms, [this, text] { line->input += text; });
    }

    // Destroyed in reverse order: the timers that owner holds before the
    // clock they point at.
    VirtualScheduler clock;
    QObject owner;
    ScriptedDialogs dialogs;
    ScriptedLine *line = nullptr;
    SerialPort port;
    QString number = QStringLiteral("1031");
    DialMethod method = DialMethod::Tone;
    int stopReceivingCalls = 0;
    QStringList pane;
    int waitMs = kDefaultHandshakeWaitMs;
    ModemCommands modem;
};

// Dial writes its command at 100 + 100 ms and starts the handshake wait
// 3000 ms later.
constexpr qint64 kCommandAt = 200;
constexpr qint64 kHandshakeStart = kCommandAt + 3000;

} // namespace

class TestModemCommands : public QObject
{
    Q_OBJECT

private slots:
    void emptyPhoneBoxAsksForNumber();
    void dialCommandFollowsMethod();
    void connectOrCarrierMeansConnected();
    void failureWordsEndDialAndHangUp_data();
    void failureWordsEndDialAndHangUp();
    void silentModemTimesOut();
    void nestedWaitKeepsTheDeadline();
    void waitConnectShowsTheAnswers();
    void shutdownEndsTheWaits();
    void throughTheSimulatedModem();
    void handshakeTimeBox();
};

void TestModemCommands::emptyPhoneBoxAsksForNumber()
{
    for (const QString &number : {QString(), QStringLiteral("   ")}) {
        Rig rig;
        rig.number = number;
        QVERIFY(!rig.modem.Dial());
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown[0].text, QStringLiteral("请输入欲呼叫号码！！！"));
        QCOMPARE(rig.dialogs.shown[0].title, QStringLiteral("提示！"));
        QCOMPARE(rig.dialogs.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(rig.line->writes.isEmpty());
    }
}

void TestModemCommands::dialCommandFollowsMethod()
{
    const QList<std::pair<DialMethod, QByteArray>> cases = {
        {DialMethod::Tone, "ATDT1031\r\n"},
        {DialMethod::Pulse, "ATDP1031\r\n"},
        {DialMethod::None, "1031\r\n"},
    };
    for (const auto &[method, expected] : cases) {
        Rig rig;
        rig.method = method;
        rig.answerAt(kHandshakeStart + 1000, "\r\nCONNECT 9600\r\n");
        QVERIFY(rig.modem.Dial());
        QCOMPARE(rig.line->writes.size(), 1);
        QCOMPARE(rig.line->writes[0].what, expected);
        QCOMPARE(rig.line->writes[0].at, kCommandAt);
    }
}

void TestModemCommands::connectOrCarrierMeansConnected()
{
    // "CONNECT" split across two reads still counts.
    Rig rig;
    rig.answerAt(kHandshakeStart + 1000, "\r\nCONN");
    rig.answerAt(kHandshakeStart + 1100, "ECT 9600\r\n");
    QVERIFY(rig.modem.Dial());
    // Connected about 1 s after the word, with RTS on and nothing hung up.
    QVERIFY(rig.clock.now() - (kHandshakeStart + 1100) <= 1010);
    QCOMPARE(rig.line->lineChanges.last().what, QByteArray("RTS on"));
    QCOMPARE(rig.line->writes.size(), 1);

    // A modem that only raises carrier detect.
    Rig quiet;
    quiet.at(kHandshakeStart + 2000, [&quiet] { quiet.line->cd = true; });
    QVERIFY(quiet.modem.Dial());
    QCOMPARE(quiet.line->writes.size(), 1);
}

void TestModemCommands::failureWordsEndDialAndHangUp_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("no carrier") << QByteArray("\r\nNO CARRIER\r\n");
    QTest::newRow("busy") << QByteArray("\r\nBUSY\r\n");
    QTest::newRow("no dial tone") << QByteArray("\r\nNO DIALTONE\r\n");
}

void TestModemCommands::failureWordsEndDialAndHangUp()
{
    QFETCH(QByteArray, answer);
    Rig rig;
    const qint64 answeredAt = kHandshakeStart + 2000;
    rig.answerAt(answeredAt, answer);
    QVERIFY(!rig.modem.Dial());

    const qint64 escapeAt = rig.line->writeTime("+++");
    QVERIFY(escapeAt >= answeredAt && escapeAt <= answeredAt + 10);
    QCOMPARE(rig.line->writeTime("ATH0\r\n"), escapeAt + 500);
    QCOMPARE(rig.line->written(), QByteArray("ATDT1031\r\n+++ATH0\r\n"));

    // RTS and DTR drop together, and DTR comes back half a second later.
    const auto &changes = rig.line->lineChanges;
    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes[0].what, QByteArray("RTS off"));
    QCOMPARE(changes[1].what, QByteArray("DTR off"));
    QCOMPARE(changes[2].what, QByteArray("DTR on"));
    QCOMPARE(changes[0].at, escapeAt + 3500);
    QCOMPARE(changes[2].at, escapeAt + 4000);
    QCOMPARE(rig.clock.now(), escapeAt + 4000);
}

void TestModemCommands::silentModemTimesOut()
{
    // The stored wait time, and when the hang-up begins after the command.
    const QList<std::pair<int, qint64>> cases = {{35000, 35000}, {0, 35000}, {5000, 5000}};
    for (const auto &[stored, waited] : cases) {
        Rig rig;
        rig.waitMs = stored;
        QVERIFY(!rig.modem.Dial());
        const qint64 escapeAt = rig.line->writeTime("+++");
        QVERIFY2(escapeAt >= kHandshakeStart + waited && escapeAt <= kHandshakeStart + waited + 10,
                 qPrintable(QString::number(escapeAt)));
        QCOMPARE(rig.clock.now(), escapeAt + 4000);
    }
}

void TestModemCommands::nestedWaitKeepsTheDeadline()
{
    // Another handler pauses twice in the middle of the dial's handshake
    // wait; neither pause moves the dial's time-out.
    Rig rig;
    QList<qint64> nestedLengths;
    for (const qint64 start : {kHandshakeStart + 1000, kHandshakeStart + 20000})
        rig.at(start, [&rig, &nestedLengths] {
            const qint64 before = rig.clock.now();
            rig.clock.wait(2000);
            nestedLengths << rig.clock.now() - before;
        });
    QVERIFY(!rig.modem.Dial());
    QCOMPARE(nestedLengths, (QList<qint64>{2000, 2000}));
    const qint64 escapeAt = rig.line->writeTime("+++");
    QVERIFY(escapeAt >= kHandshakeStart + 35000 && escapeAt <= kHandshakeStart + 35010);
}

void TestModemCommands::waitConnectShowsTheAnswers()
{
    Rig rig;
    rig.answerAt(1000, "CONN");
    rig.answerAt(1500, "ECT 9600");
    rig.at(1500, [&rig] { rig.line->cd = true; });
    QVERIFY(rig.modem.WaitConnect());
    QCOMPARE(rig.stopReceivingCalls, 1);
    QCOMPARE(rig.pane, (QStringList{"CONN\r\n", "CONNECT 9600\r\n"}));
    QVERIFY(rig.clock.now() < 1510);
    QVERIFY(rig.line->writes.isEmpty());

    // "CONNECT" ends the wait, but only carrier detect makes it a success.
    Rig noCarrier;
    noCarrier.answerAt(1000, "\r\nCONNECT 9600\r\n");
    QVERIFY(!noCarrier.modem.WaitConnect());
    QVERIFY(noCarrier.clock.now() < 1010);

    // Failure words end it at once.
    Rig busy;
    busy.answerAt(1000, "\r\nBUSY\r\n");
    QVERIFY(!busy.modem.WaitConnect());
    QVERIFY(busy.clock.now() < 1010);

    // Silence ends with the handshake wait.
    Rig silent;
    silent.waitMs = 10000;
    QVERIFY(!silent.modem.WaitConnect());
    QVERIFY(silent.clock.now() >= 10000 && silent.clock.now() < 10010);
    QVERIFY(silent.pane.isEmpty());
}

void TestModemCommands::shutdownEndsTheWaits()
{
    Rig dialing;
    dialing.at(kHandshakeStart + 5000, [&dialing] { dialing.clock.shutDown(); });
    QVERIFY(!dialing.modem.Dial());
    QVERIFY(dialing.clock.now() < kHandshakeStart + 5010);
    QCOMPARE(dialing.line->writes.size(), 1); // no hang-up sequence on the way out

    Rig answering;
    answering.at(5000, [&answering] {
        answering.line->input = "RING";
        answering.clock.shutDown();
    });
    QVERIFY(!answering.modem.WaitConnect());
    QVERIFY(answering.pane.isEmpty());
}

void TestModemCommands::throughTheSimulatedModem()
{
    Rig rig(Rig::Simulated);
    QVERIFY(rig.modem.Dial());
    QVERIFY(rig.port.cdHolding());
    QVERIFY(rig.port.rtsEnable());
    rig.modem.HangUp();
    QVERIFY(!rig.port.cdHolding());
    QVERIFY(rig.port.dtrEnable());
    QVERIFY(!rig.port.rtsEnable());

    rig.number = QStringLiteral("1035"); // busy
    const qint64 start = rig.clock.now();
    QVERIFY(!rig.modem.Dial());
    QVERIFY(rig.clock.now() - start < 10000);
}

void TestModemCommands::handshakeTimeBox()
{
    const QList<std::pair<QString, int>> answers = {
        {"4", 35000},  {"61", 35000}, {"", 35000},    {"abc", 35000}, {"12abc", 35000},
        {"5", 5000},   {"60", 60000}, {" 20 ", 20000}, {"59.6", 60000}, {"99999999999", 35000},
    };
    for (const auto &[answer, expected] : answers) {
        ScriptedDialogs dialogs;
        dialogs.inputs.enqueue(answer);
        int waitMs = 12500;
        SetHandshakeTime(dialogs, waitMs);
        QCOMPARE(waitMs, expected);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].title, QStringLiteral("设置[猫]握手等待时间"));
        QCOMPARE(dialogs.shown[0].text,
                 QStringLiteral("   请输入时长( 单位：秒 )\n\r\n   [数值不得超过 60 ]"));
        QCOMPARE(dialogs.shown[0].defaultText, QStringLiteral("12.5"));
    }

    // The default text shows the wait time that applies.
    for (const auto &[stored, shown] : {std::pair{35000, "35"}, std::pair{0, "35"}}) {
        ScriptedDialogs dialogs;
        int waitMs = stored;
        SetHandshakeTime(dialogs, waitMs);
        QCOMPARE(dialogs.shown[0].defaultText, QString::fromLatin1(shown));
    }
}

QTEST_GUILESS_MAIN(TestModemCommands)
#include "tst_ModemCommands.moc"
