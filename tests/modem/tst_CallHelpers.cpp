// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of calling and answering that need no window: the dial
// countdown's bar and status texts, and the ring watch.

#include "modem/DialCountdown.h"
#include "modem/RingWatch.h"

#include <QTest>

class TestCallHelpers : public QObject
{
    Q_OBJECT

private slots:
    void statusTexts();
    void countdownFillsTheBar();
    void ringWatch();
};

void TestCallHelpers::statusTexts()
{
    QCOMPARE(DialingStatusText(35000), QStringLiteral("拨号中,稍候 35 秒..."));
    QCOMPARE(DialingStatusText(0), QStringLiteral("拨号中,稍候 35 秒..."));
    QCOMPARE(DialingStatusText(12500), QStringLiteral("拨号中,稍候 12.5 秒..."));
    QCOMPARE(CountdownStatusText(35000, 1), QStringLiteral("拨号中,稍后 34 秒..."));
    QCOMPARE(CountdownStatusText(35000, 26), QStringLiteral("拨号中,稍后 09 秒..."));
    QCOMPARE(CountdownStatusText(35000, 35), QStringLiteral("拨号中,稍后 00 秒..."));
    QCOMPARE(CountdownStatusText(500, 1), QStringLiteral("拨号中,稍后 00 秒..."));
}

void TestCallHelpers::countdownFillsTheBar()
{
    for (const int waitMs : {35000, 60000, 5000, 0}) {
        const int seconds = waitMs > 0 ? waitMs / 1000 : 35;
        DialCountdown countdown;
        countdown.start();
        QCOMPARE(countdown.barHeight(), 0.0);
        QCOMPARE(countdown.barTop(), 1935.0);

        QStringList statuses;
        QList<int> stepTicks;
        for (int tick = 0; tick < 400; ++tick)
            if (const auto status = countdown.tick(waitMs)) {
                statuses << *status;
                stepTicks << tick;
            }
        // One step per second of the wait, counting down to 00, every fifth
        // or sixth tick of 200 ms.
        QCOMPARE(statuses.size(), seconds);
        QCOMPARE(statuses.first(), CountdownStatusText(waitMs, 1));
        QCOMPARE(statuses.last(), QStringLiteral("拨号中,稍后 00 秒..."));
        for (int i = 1; i < stepTicks.size(); ++i)
            QVERIFY(stepTicks[i] - stepTicks[i - 1] == 5 || stepTicks[i] - stepTicks[i - 1] == 6);
        QVERIFY(qAbs(countdown.barHeight() - 1575) < 0.01);
        QVERIFY(qAbs(countdown.barTop() - 360) < 0.01);

        countdown.showFailed();
        QCOMPARE(countdown.barTop(), 1920.0);
        QCOMPARE(countdown.barHeight(), 0.0);
        countdown.showConnected();
        QCOMPARE(countdown.barTop(), 360.0);
        QCOMPARE(countdown.barHeight(), 1575.0);
    }
}

void TestCallHelpers::ringWatch()
{
    RingWatch watch;
    QVERIFY(!watch.feed(QStringLiteral("  hello  ")));
    QVERIFY(!watch.feed(QStringLiteral("\r\nRI")));
    QCOMPARE(watch.text(), QStringLiteral("hello\r\nRI"));
    QVERIFY(watch.feed(QStringLiteral("NG\r\n")));
    QCOMPARE(watch.text(), QString());

    // A long stream without a ring stays bounded, and a later ring is seen.
    for (int i = 0; i < 100; ++i)
        QVERIFY(!watch.feed(QString(1000, QLatin1Char('x'))));
    QVERIFY(watch.text().size() <= 4096);
    QVERIFY(watch.feed(QStringLiteral("\r\nRING\r\n")));
}

QTEST_GUILESS_MAIN(TestCallHelpers)
#include "tst_CallHelpers.moc"
