// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds the real receive path and pane of an offscreen main window until the
// pane holds 50 MB of text, and prints per receive format:
//
//   - the input rate (MB of received bytes per second) in each tenth of the
//     way from an empty pane to a full one, and over the whole run;
//   - the event loop's reply time while data streams in: a timer asks to be
//     woken every 10 ms and records how late it was (median and worst);
//   - the memory the pane costs per character of its text (resident memory
//     grown over the run, divided by the pane's length);
//   - the processor time per MB of input;
//   - the resident memory at the end of each tenth, and with the pane empty
//     at the start: the pane keeps its older text in its history's file, so
//     the figure stays flat however long the run (--mb 6000 in Hex is 2 GB
//     received).
//
// The data comes from a device in the process that always holds more (what
// the program costs, alone), or with --pty from a pseudo-terminal whose far
// end is written by a thread that never waits (what a user sees), or with
// --ser2net from the same pseudo-terminal served by a real ser2net over the
// loopback interface (RFC 2217, the port named rfc2217://127.0.0.1:N). Hex,
// Decimal and Octal receive random bytes; String receives lines of 78
// printable characters ending in CR LF.
//
//   receive_bench [--pty | --ser2net] [--mb N] [--keywords | --autosave | --timestamps [--pairs P] | --in-memory]
//                 [Hex|Decimal|Octal|String ...]
//
// N is the pane's final length in millions of characters (default 50).
// Each format runs in a process of its own, so that its memory is its own.
//
// --keywords enables three keywords that match often ("5", "A" and "0", one
// character in eight of random hex each) and first prints the time of one
// highlighting tick (colouring what 100 ms bring at 921600 baud) with the
// pane at 10 KB and at 10 MB. --autosave switches auto-save on at its largest
// limit (into a temporary folder): the pane never grows past it, and the
// way from empty to full counts every character shown, the day file's too.
// --timestamps runs each format twice, plain and with time stamps (时刻) on;
// the lines of the stamped run name the format with "stamps" after it. With
// --pairs P it runs P such pairs, one after the other, and then prints the
// stamped run's whole-run rate as a share of the plain one's, pair by pair
// and their median: on a machine whose speed wanders from one run to the
// next, one pair says little.
// --in-memory keeps the pane's whole text in memory, as it was before the
// pane's history went to a file: the figures to hold the file's cost
// against (mind the memory a long run then takes).

#include "CpuTime.h"
#include "MemorySettingsStore.h"
#include "PaneMeasures.h"
#include "PtyPair.h"
#include "Ser2NetServer.h"
#include "RecordingDesktop.h"
#include "SilentDialogs.h"
#include "core/Scheduler.h"
#include "desktop/KeywordHighlighting.h"
#include "desktop/MainWindow.h"
#include "desktop/ReceiveAutoSave.h"
#include "serial/DeviceCatalog.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QAction>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kBands = 10;
constexpr int kReplyIntervalMs = 10;
const QString kStreamName = QStringLiteral("bench-stream");

// 1 MB of what the device sends in a format.
QByteArray payload(DataFormat format)
{
    constexpr qsizetype kSize = 1 << 20;
    QByteArray data;
    data.reserve(kSize + 80);
    if (format == DataFormat::String) {
        for (int line = 0; data.size() < kSize; ++line) {
            for (int i = 0; i < 78; ++i)
                data += char(' ' + 1 + (line + i) % 94);
            data += "\r\n";
        }
    } else {
        QRandomGenerator random(42);
        data.resize(kSize);
        random.fillRange(reinterpret_cast<quint32 *>(data.data()), kSize / 4);
    }
    return data;
}

// A device that always holds the next 64 KB of the payload, as a serial
// port's buffer does under a stream that never pauses.
class StreamDevice : public SerialDevice
{
public:
    explicit StreamDevice(QByteArray payload) : m_payload(std::move(payload)) {}
    int open(const PortSettings &) override { m_open = true; return PortError::None; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray &bytes, int) override { return bytes.size(); }
    qint64 bytesAvailable() override { return m_open ? 64 * 1024 : 0; }
    QByteArray read(qint64 maxBytes) override
    {
        QByteArray out;
        out.reserve(maxBytes);
        while (out.size() < maxBytes) {
            const qint64 n = std::min<qint64>(maxBytes - out.size(), m_payload.size() - m_at);
            out.append(m_payload.constData() + m_at, n);
            m_at = (m_at + n) % m_payload.size();
        }
        return out;
    }
    void discardInput() override {}
    void discardOutput() override {}
    bool setDtr(bool) override { return m_open; }
    bool setRts(bool) override { return m_open; }
    InputLines inputLines() override { return {}; }
    bool rtsLine() override { return false; }
    bool setBreak(bool) override { return m_open; }

private:
    QByteArray m_payload;
    qint64 m_at = 0;
    bool m_open = false;
};

enum class Extra { None, Keywords, AutoSave, Timestamps, InMemory };
// Where the stream comes from: a device in the process, a pseudo-terminal,
// or the pseudo-terminal through ser2net over the loopback interface.
enum class Source { InProcess, Pty, Ser2Net };

Keywords BenchKeywords()
{
    Keywords keywords;
    const char *texts[3] = {"5", "A", "0"};
    const QColor colours[3] = {Qt::red, Qt::darkGreen, Qt::blue};
    for (int k = 0; k < 3; ++k)
        keywords[k] = KeywordEntry{QString::fromLatin1(texts[k]), colours[k], true, 1};
    return keywords;
}

// Hex text of random bytes, as the pane shows it.
QString HexText(qsizetype characters)
{
    QString text;
    text.reserve(characters + 3);
    QRandomGenerator random(7);
    while (text.size() < characters)
        text += QStringLiteral("%1 ").arg(random.bounded(256), 2, 16, QChar(u'0')).toUpper();
    return text;
}

// The median time of one highlighting tick over what 100 ms bring at
// 921600 baud (9216 bytes, three characters each), with the pane at `size`.
void measureTicks(MainWindow &window, qsizetype size)
{
    ReceivePane &pane = *window.receivePath().Text2();
    pane.setText(HexText(size));
    QElapsedTimer whole;
    whole.start();
    window.keywords().Accept(BenchKeywords());
    while (!window.keywords().isCaughtUp())
        window.keywords().HighlightKeywords();
    const double wholeMs = whole.nsecsElapsed() / 1e6;
    // Once more over the coloured pane: the colours are kept, as after OK.
    whole.start();
    window.keywords().Accept(BenchKeywords());
    while (!window.keywords().isCaughtUp())
        window.keywords().HighlightKeywords();
    std::printf("Hex     keyword_whole_pane_ms pane %6.2f MB: %.0f, again over its colours: %.0f\n", size / 1e6,
                wholeMs, whole.nsecsElapsed() / 1e6);
    const QString arriving = HexText(9216 * 3);
    std::vector<double> ms;
    for (int i = 0; i < 21; ++i) {
        pane.append(arriving);
        QElapsedTimer timer;
        timer.start();
        window.keywords().HighlightKeywords();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("Hex     keyword_tick_ms pane %6.2f MB: %.3f\n", size / 1e6, ms[ms.size() / 2]);
    pane.setText(QString());
}


// What ser2net itself delivers from the pseudo-terminal to a client that
// only counts what it reads (no window), in MB per second over 3 s: the
// ceiling for the window's rate through it.
double ser2netCeiling(const QByteArray &data)
{
    PtyPair pty;
    Ser2NetServer server(pty.slavePath());
    if (!server.start())
        return 0;
    QTcpSocket reader;
    reader.connectToHost(QHostAddress::LocalHost, server.telnetPort());
    if (!reader.waitForConnected(5000))
        return 0;
    std::atomic<bool> stop = false;
    std::atomic<bool> writerDone = false;
    std::thread writer([&] {
        for (qsizetype at = 0; !stop; at = (at + 4096) % data.size())
            pty.write(data.mid(at, 4096));
        writerDone = true;
    });
    qint64 bytes = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000 && reader.waitForReadyRead(1000))
        bytes += reader.readAll().size();
    const double rate = bytes / 1e6 / (clock.nsecsElapsed() / 1e9);
    // The writer finishes its last block only while the stream is read.
    stop = true;
    while (!writerDone && reader.waitForReadyRead(100))
        reader.readAll();
    writer.join();
    return rate;
}

// Runs one format until the pane holds `target` characters; prints its figures.
int runFormat(QString name, DataFormat format, qsizetype target, Source from, Extra extra)
{
    const bool viaPty = from != Source::InProcess;
    QTemporaryDir dataHome;
    if (extra == Extra::AutoSave)
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    QtScheduler scheduler;
    bench::SilentDialogs dialogs;
    DeviceCatalog devices;
    const QByteArray data = payload(format);
    devices.addSimulated(kStreamName, [&data] { return std::make_unique<StreamDevice>(data); });
    MemorySettingsStore settings;
    RecordingDesktop desktop;
    MainWindow window({scheduler, dialogs, devices, settings, desktop});
    window.resize(1000, 700);
    window.show();

    PtyPair pty;
    Ser2NetServer server(pty.slavePath());
    if (from == Source::Ser2Net && !server.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.error()));
        return 1;
    }
    window.findChild<QComboBox *>("comba")->setEditText(from == Source::Ser2Net ? server.rfc2217Url()
                                                        : viaPty                ? pty.slavePath()
                                                                                : kStreamName);
    window.findChild<QComboBox *>("text4")->setEditText("921600,n,8,1");
    window.findChild<QPushButton *>("que")->click();
    window.formats().SetDataFormat(int(format), FormatSwitch::ReceiveOnly);
    ReceivePath &receive = window.receivePath();
    ReceivePane &pane = *receive.Text2();
    if (extra == Extra::Keywords) {
        measureTicks(window, 10'000);
        measureTicks(window, 10'000'000);
        window.keywords().Accept(BenchKeywords());
    } else if (extra == Extra::AutoSave) {
        dialogs.inputAnswer = QString::number(ReceiveAutoSave::kLargestLimit);
        window.menuItem(QStringLiteral("RecSave"))->trigger();
    } else if (extra == Extra::Timestamps) {
        window.menuItem(QStringLiteral("mStampTime"))->trigger();
    } else if (extra == Extra::InMemory) {
        pane.setResidentLimit(0);
    }
    // Every character shown, also those auto-save has taken from the pane
    // (the day file's size: its headers add a few bytes a chunk).
    const auto shown = [&pane, extra] {
        return pane.length() + (extra == Extra::AutoSave ? QFileInfo(ReceiveAutoSave::dayFile()).size() : 0);
    };
    receive.StartPolling();
    QTest::qWait(200);

    std::atomic<bool> stopWriting = false;
    std::atomic<bool> writerDone = !viaPty;
    std::thread writer;
    if (viaPty) {
        writer = std::thread([&] {
            for (qsizetype at = 0; !stopWriting; at = (at + 4096) % data.size())
                pty.write(data.mid(at, 4096));
            writerDone = true;
        });
    }

    const long residentBefore = bench::memoryKb("VmRSS");
    const double cpuBefore = cpuSeconds();
    std::vector<double> lateness;
    std::vector<double> bandSeconds;
    std::vector<qint64> bandBytes;
    std::vector<long> bandResident;
    QElapsedTimer clock;
    QEventLoop loop;
    QTimer reply;
    reply.setTimerType(Qt::PreciseTimer);
    reply.setSingleShot(true);
    qint64 armedAt = 0;
    double bandStart = 0;
    qint64 bandStartBytes = 0;
    QObject::connect(&reply, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        lateness.push_back((now - armedAt) / 1e6 - kReplyIntervalMs);
        if (shown() >= target * qsizetype(bandSeconds.size() + 1) / kBands) {
            bandSeconds.push_back(now / 1e9 - bandStart);
            bandBytes.push_back(receive.counter() - bandStartBytes);
            bandResident.push_back(bench::memoryKb("VmRSS"));
            bandStart = now / 1e9;
            bandStartBytes = receive.counter();
        }
        if (bandSeconds.size() == kBands) {
            receive.StopReceive();
            loop.quit();
            return;
        }
        armedAt = clock.nsecsElapsed();
        reply.start(kReplyIntervalMs);
    });

    clock.start();
    receive.Receive();
    armedAt = clock.nsecsElapsed();
    reply.start(kReplyIntervalMs);
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const qint64 bytes = receive.counter();
    const qsizetype length = shown();
    const long residentAfter = bench::memoryKb("VmRSS");

    stopWriting = true;
    while (!writerDone) {
        window.port().discardInput();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (writer.joinable())
        writer.join();

    const QByteArray sourceName = QByteArray(from == Source::Ser2Net ? "ser2net" : viaPty ? "pty" : "in-process")
        + (extra == Extra::Keywords   ? "+keywords"
           : extra == Extra::AutoSave ? "+autosave"
           : extra == Extra::InMemory ? "+in-memory"
                                      : "");
    const char *source = sourceName.constData();
    if (from == Source::Ser2Net)
        std::printf("%s %-7s ser2net_alone_MB_per_s: %.2f\n", source, qPrintable(name), ser2netCeiling(data));
    if (extra == Extra::Timestamps)
        name += QStringLiteral(" stamps");
    for (int b = 0; b < kBands; ++b) {
        std::printf("%s %-7s input_MB_per_s pane %4.1f-%4.1f MB: %.2f\n", source, qPrintable(name),
                    target * b / kBands / 1e6, target * (b + 1) / kBands / 1e6, bandBytes[b] / 1e6 / bandSeconds[b]);
    }
    std::printf("%s %-7s input_MB_per_s whole run: %.2f\n", source, qPrintable(name), bytes / 1e6 / seconds);
    std::printf("%s %-7s resident_MB empty pane: %.1f\n", source, qPrintable(name), residentBefore / 1024.0);
    for (int b = 0; b < kBands; ++b) {
        std::printf("%s %-7s resident_MB pane %.1f-%.1f MB: %.1f\n", source, qPrintable(name),
                    target * b / kBands / 1e6, target * (b + 1) / kBands / 1e6, bandResident[b] / 1024.0);
    }
    std::printf("%s %-7s reply_ms median: %.1f  p99: %.1f  worst: %.1f\n", source, qPrintable(name),
                bench::percentile(lateness, 0.5), bench::percentile(lateness, 0.99), bench::percentile(lateness, 1.0));
    std::printf("%s %-7s bytes_per_pane_char: %.2f\n", source, qPrintable(name),
                (residentAfter - residentBefore) * 1024.0 / length);
    std::printf("%s %-7s cpu_s_per_MB: %.3f\n", source, qPrintable(name), cpu / (bytes / 1e6));
    std::fflush(stdout);
    return 0;
}

// Marks the run of one format in a process of its own.
const QString kChild = QStringLiteral("--child");

// Runs one format in a process of its own, so that its memory is its own;
// its lines go on to the output as they are. Returns its whole-run input
// rate (0 when it printed none).
double runChild(const QString &program, const QString &name, double millions, Source from, Extra run)
{
    QStringList childArgs{kChild, "--mb", QString::number(millions), name};
    if (from != Source::InProcess)
        childArgs.prepend(from == Source::Ser2Net ? "--ser2net" : "--pty");
    if (run != Extra::None)
        childArgs.prepend(run == Extra::Keywords   ? "--keywords"
                          : run == Extra::AutoSave ? "--autosave"
                          : run == Extra::InMemory ? "--in-memory"
                                                   : "--timestamps");
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, childArgs);
    child.waitForFinished(-1);
    const QByteArray output = child.readAllStandardOutput();
    std::fwrite(output.constData(), 1, size_t(output.size()), stdout);
    std::fflush(stdout);
    static const QByteArray kWholeRun = "input_MB_per_s whole run: ";
    const qsizetype at = output.indexOf(kWholeRun);
    return at < 0 ? 0 : output.mid(at + kWholeRun.size(), output.indexOf('\n', at) - at - kWholeRun.size()).toDouble();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QStringList args = app.arguments().mid(1);
    const Source from = args.removeAll(QStringLiteral("--ser2net")) > 0 ? Source::Ser2Net
        : args.removeAll(QStringLiteral("--pty")) > 0                   ? Source::Pty
                                                                        : Source::InProcess;
    const Extra extra = args.removeAll(QStringLiteral("--keywords")) > 0 ? Extra::Keywords
        : args.removeAll(QStringLiteral("--autosave")) > 0                ? Extra::AutoSave
        : args.removeAll(QStringLiteral("--timestamps")) > 0              ? Extra::Timestamps
        : args.removeAll(QStringLiteral("--in-memory")) > 0               ? Extra::InMemory
                                                                          : Extra::None;
    const auto takeNumber = [&args](const QString &option, double fallback) {
        const double value = bench::numberAfter(args, option, fallback);
        if (const qsizetype at = args.indexOf(option); at >= 0)
            args.remove(at, std::min<qsizetype>(2, args.size() - at));
        return value;
    };
    const double millions = takeNumber(QStringLiteral("--mb"), 50);
    const int pairs = extra == Extra::Timestamps ? std::max(1, int(takeNumber(QStringLiteral("--pairs"), 1))) : 1;
    const std::pair<QString, DataFormat> formats[] = {{"Hex", DataFormat::Hex},
                                                      {"Decimal", DataFormat::Decimal},
                                                      {"Octal", DataFormat::Octal},
                                                      {"String", DataFormat::String}};
    if (args.removeAll(kChild) > 0 && args.size() == 1) {
        for (const auto &[name, format] : formats) {
            if (name.compare(args.first(), Qt::CaseInsensitive) == 0)
                return runFormat(name, format, qsizetype(millions * 1e6), from, extra);
        }
        std::fprintf(stderr, "unknown format %s\n", qPrintable(args.first()));
        return 2;
    }

    // One process per format.
    const QStringList chosen = args.isEmpty() ? QStringList{"Hex", "Decimal", "Octal", "String"} : args;
    // With time stamps, the plain run first, for comparison.
    const QList<Extra> runs = extra == Extra::Timestamps ? QList<Extra>{Extra::None, Extra::Timestamps}
                                                         : QList<Extra>{extra};
    for (const QString &name : chosen) {
        std::vector<double> shares;
        for (int pair = 0; pair < pairs; ++pair) {
            double plainRate = 0;
            for (const Extra run : runs) {
                const double rate = runChild(app.applicationFilePath(), name, millions, from, run);
                if (run == Extra::None)
                    plainRate = rate;
                else if (plainRate > 0)
                    shares.push_back(rate / plainRate);
            }
        }
        if (extra != Extra::Timestamps || shares.empty())
            continue;
        QString each;
        for (const double share : shares)
            each += QStringLiteral(" %1").arg(share * 100, 0, 'f', 0);
        std::printf("%s %-7s stamps_share_of_plain_percent median of %zu pairs: %.0f (pairs:%s)\n",
                    from == Source::Ser2Net ? "ser2net" : from == Source::Pty ? "pty" : "in-process",
                    qPrintable(name), shares.size(), bench::median(shares) * 100, qPrintable(each));
    }
    return 0;
}
