// Pushes data through a pseudo-terminal into the real receive path and pane
// of an offscreen main window and prints the input rate in each receive
// format, the time of one pane append at several pane sizes, and the peak
// memory.
//
//   receive_bench [megabytes per format, default 2]

#include "MemorySettingsStore.h"
#include "PtyPair.h"
#include "core/DeviceCatalog.h"
#include "core/Dialogs.h"
#include "core/FormatSwitch.h"
#include "core/ReceivePane.h"
#include "core/ReceivePath.h"
#include "core/Scheduler.h"
#include "core/SerialPort.h"
#include "desktop/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

// Dialogs that never block: a benchmark has nobody to answer them.
class SilentDialogs : public Dialogs
{
public:
    MsgAnswer message(const QString &text, const QString &, MsgIcon, MsgButtons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgAnswer::Yes;
    }
    QString input(const QString &, const QString &, const QString &) override { return {}; }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &) override { return {}; }
    std::optional<QColor> color(const QColor &) override { return std::nullopt; }
    void beep() override {}
};

QByteArray payload(qint64 size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char('A' + i % 26); // printable, so String format stays comparable
    return data;
}

// Megabytes per second of input that the receive path takes in a format.
double inputRate(MainWindow &window, PtyPair &pty, DataFormat format, qint64 bytes)
{
    ReceivePath &receive = window.receivePath();
    receive.Text2()->setText(QString());
    receive.resetCounter();
    window.formats().SetDataFormat(int(format), FormatSwitch::ReceiveOnly);
    const QByteArray data = payload(bytes);
    QElapsedTimer timer;
    timer.start();
    std::thread writer([&] { pty.write(data); });
    while (receive.counter() < bytes && timer.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = timer.nsecsElapsed() / 1e9;
    writer.join();
    return bytes / 1e6 / seconds;
}

// Median microseconds of one 300-character append with the pane holding
// about `filled` characters.
double appendMicros(ReceivePane &pane, qint64 filled)
{
    const QString chunk = QString("41 ").repeated(100);
    pane.setText(QString());
    const QString block = QString("5A ").repeated(100000 / 3);
    while (pane.text().size() < filled)
        pane.append(block.left(int(std::min<qint64>(block.size(), filled - pane.text().size()))));
    QCoreApplication::processEvents();
    std::vector<double> times;
    for (int i = 0; i < 31; ++i) {
        QElapsedTimer t;
        t.start();
        pane.append(chunk);
        QCoreApplication::processEvents();
        times.push_back(t.nsecsElapsed() / 1e3);
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

long peakMemoryKb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double megabytes = argc > 1 ? QString(argv[1]).toDouble() : 2.0;
    const qint64 bytes = qint64(megabytes * 1e6);

    QtScheduler scheduler;
    SilentDialogs dialogs;
    DeviceCatalog devices;
    MemorySettingsStore settings;
    MainWindow window({scheduler, dialogs, devices, settings, {}});
    window.show();
    PtyPair pty;
    window.findChild<QComboBox *>("comba")->setEditText(pty.slavePath());
    window.findChild<QComboBox *>("text4")->setEditText("921600,n,8,1");
    window.findChild<QPushButton *>("que")->click();
    window.receivePath().StartPolling();
    window.receivePath().Receive();

    std::printf("input: %.1f MB per format through a pseudo-terminal\n", megabytes);
    const std::pair<const char *, DataFormat> formats[] = {
        {"Hex", DataFormat::Hex}, {"Decimal", DataFormat::Decimal},
        {"Octal", DataFormat::Octal}, {"String", DataFormat::String}};
    for (const auto &[name, format] : formats)
        std::printf("input_MB_per_s %-8s %.2f\n", name, inputRate(window, pty, format, bytes));

    ReceivePane &pane = *window.receivePath().Text2();
    for (qint64 size : {10'000LL, 100'000LL, 1'000'000LL, 10'000'000LL})
        std::printf("append_us at %8lld chars: %.0f\n", size, appendMicros(pane, size));
    std::printf("peak_memory_MB %.1f\n", peakMemoryKb() / 1024.0);
    return 0;
}
