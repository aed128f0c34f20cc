// SPDX-License-Identifier: GPL-3.0-or-later
// How far the time stamps of the receive pane stand from the true arrival
// time under a fast stream. A thread writes String lines into a
// pseudo-terminal at a steady rate (5 MB/s unless told), each line starting
// with the time of day, in milliseconds, at which it was written; the window
// receives them with stamps (时刻) on. Afterwards each stamped line's stamp
// is compared with the time written into it, and the bench prints the
// offsets (median, 99th percentile, worst) and the rate the window kept up
// with:
//
//   stamp_bench [--rate MB_PER_S] [--seconds S]
//
// A line is written a moment before its bytes can be read, so the offsets
// hold the pseudo-terminal's own delay too: they are an upper bound of what
// the program adds.

#include "BenchWindow.h"
#include "PtyPair.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTime>
#include <atomic>
#include <thread>

namespace {

constexpr int kLineLength = 80; // with its CR LF
constexpr int kLinesPerWrite = 5;

// One line that says when it was written: "T=" and the milliseconds since
// midnight, filled up with printable characters.
QByteArray lineWrittenAt(int msOfDay)
{
    QByteArray line = "T=" + QByteArray::number(msOfDay).rightJustified(8, '0') + ' ';
    while (line.size() < kLineLength - 2)
        line += char('a' + line.size() % 26);
    return line + "\r\n";
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const double rate = bench::numberAfter(args, QStringLiteral("--rate"), 5) * 1e6;
    const double seconds = bench::numberAfter(args, QStringLiteral("--seconds"), 10);

    bench::BenchWindow bench;
    MainWindow &window = bench.window;
    PtyPair pty;
    window.findChild<QComboBox *>("comba")->setEditText(pty.slavePath());
    window.findChild<QComboBox *>("text4")->setEditText("921600,n,8,1");
    window.findChild<QPushButton *>("que")->click();
    window.formats().SetDataFormat(int(DataFormat::String), FormatSwitch::ReceiveOnly);
    window.menuItem(QStringLiteral("mStampTime"))->trigger();
    ReceivePath &receive = window.receivePath();
    receive.StartPolling();
    receive.Receive();
    QTest::qWait(200);

    std::atomic<bool> writing = true;
    std::atomic<bool> writerDone = false;
    qint64 written = 0;
    double writingSeconds = 0;
    std::thread writer([&] {
        QElapsedTimer clock;
        clock.start();
        while (writing) {
            if (written > clock.nsecsElapsed() / 1e9 * rate) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            QByteArray piece;
            const int now = QTime::currentTime().msecsSinceStartOfDay();
            for (int i = 0; i < kLinesPerWrite; ++i)
                piece += lineWrittenAt(now);
            pty.write(piece);
            written += piece.size();
        }
        writingSeconds = clock.nsecsElapsed() / 1e9;
        writerDone = true;
    });
    bench::ReplyWatch replies;
    replies.start();
    QTest::qWait(int(seconds * 1000));
    // The window reads on while the writer finishes its last write.
    writing = false;
    while (!writerDone)
        QTest::qWait(10);
    writer.join();
    QTest::qWait(500); // what is still on its way
    replies.stop();
    receive.StopReceive();

    // "[16:32:49.123] T=59569123 ..." : the stamp against the time written.
    static const QRegularExpression stamped(
        QStringLiteral("\\[(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d\\d\\d)\\] T=(\\d{8}) "));
    const QString &text = receive.Text2()->text();
    std::vector<double> offsets;
    for (auto match = stamped.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        const int stamp = ((m.captured(1).toInt() * 60 + m.captured(2).toInt()) * 60 + m.captured(3).toInt()) * 1000
            + m.captured(4).toInt();
        offsets.push_back(stamp - m.captured(5).toInt());
    }
    std::printf("pty String stamps: %.1f MB written at %.2f MB/s (asked %.1f), %.1f MB received, %zu lines "
                "stamped\n",
                written / 1e6, written / 1e6 / writingSeconds, rate / 1e6, receive.counter() / 1e6, offsets.size());
    std::printf("pty String stamp_offset_ms median: %.1f  p99: %.1f  worst: %.1f  best: %.1f\n",
                bench::percentile(offsets, 0.5), bench::percentile(offsets, 0.99), bench::percentile(offsets, 1.0),
                bench::percentile(offsets, 0.0));
    std::printf("pty String reply_ms median: %.1f  worst: %.1f\n", replies.medianMs(), replies.worstMs());
    return 0;
}
