// Pushes data through a pseudo-terminal into the real receive path and pane
// of an offscreen main window and prints the input rate in each receive
// format, the time of one pane append at several pane sizes (1 KB = 1024
// characters), and the peak memory.
//
//   receive_bench [megabytes per format, default 2]

#include "MemorySettingsStore.h"
#include "PaneMeasures.h"
#include "PtyPair.h"
#include "RecordingDesktop.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "desktop/MainWindow.h"
#include "serial/DeviceCatalog.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
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
    RecordingDesktop desktop;
    MainWindow window({scheduler, dialogs, devices, settings, desktop});
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

    // The pane as the window shows it: one append at several pane sizes.
    ReceivePane &pane = *window.receivePath().Text2();
    for (qsizetype size : {10 * bench::kKB, 100 * bench::kKB, bench::kKB * bench::kKB,
                           10 * bench::kKB * bench::kKB}) {
        bench::fill(pane, size);
        bench::print("append_us", bench::sizeName(size), bench::appendUs(pane, 51));
    }
    std::printf("peak_memory_kB: %ld\n", bench::peakMemoryKb());
    return 0;
}
