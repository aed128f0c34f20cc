// SPDX-License-Identifier: GPL-3.0-or-later
// What finding and jumping cost in a receive pane with a long history: the
// pane takes 1 GB of hex text (in 1 MB appends, as a stream brings it), most
// of it archived; then are printed
//
//   - the time to find a byte pattern and a text that occur once, at the very
//     start of the history (the whole history is searched, to count);
//   - the time to jump to a random line and draw it (median and worst of 20).
//
//   find_bench [--mb N]     (N: the pane's length in millions of characters)

#include "CpuTime.h"
#include "PaneMeasures.h"
#include "terminal/PaneFinder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <vector>

namespace {

using namespace bench;

// Finds, and prints the time it took, the processor time it took (all
// threads) and the matches counted.
void find(ReceivePane &pane, const char *what, const PaneFinder::Query &query)
{
    PaneFinder finder;
    QSignalSpy finished(&finder, &PaneFinder::finished);
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    finder.start(pane.history(), query);
    while (finished.isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    std::printf("find_bench %s_ms pane %.0f MB: %.0f (processor %.0f ms; %lld found)\n", what, pane.length() / 1e6,
                timer.nsecsElapsed() / 1e6, (cpuSeconds() - cpuBefore) * 1e3, qlonglong(finder.count()));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype total = paneChars(app.arguments(), 1000);

    ReceivePane pane;
    showPane(pane);
    pane.append(QStringLiteral("55 AA 0F\r\nKESTREL\r\n"));
    // Random bytes never make "55 AA 0F" (nor the text) again: no 0F follows AA.
    QString chunk;
    auto *random = QRandomGenerator::global();
    for (int previous = 0; chunk.size() < (1 << 20);) {
        int byte = int(random->bounded(256));
        if (previous == 0xAA && byte == 0x0F)
            byte = 0x10;
        chunk += QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
        previous = byte;
    }
    QElapsedTimer timer;
    timer.start();
    while (pane.length() < total) {
        pane.append(chunk);
        QCoreApplication::processEvents();
    }
    // The archive compresses on a thread of its own: the find starts once
    // it is done, so that the figures are the find's alone.
    pane.history().waitForArchive();
    std::printf("find_bench fill_s pane %.0f MB: %.1f (archived %.0f MB in a %.0f MB file)\n", pane.length() / 1e6,
                timer.nsecsElapsed() / 1e9, pane.history().base() / 1e6, pane.history().archiveBytes() / 1e6);

    find(pane, "find_bytes", {QStringLiteral("55 AA 0F"), Qt::CaseInsensitive, 16});
    find(pane, "find_text", {QStringLiteral("kestrel"), Qt::CaseInsensitive, 0});
    find(pane, "find_text_case", {QStringLiteral("KESTREL"), Qt::CaseSensitive, 0});

    std::vector<double> jumps;
    const qsizetype lines = pane.history().count();
    for (int i = 0; i < 20; ++i) {
        const qsizetype line = qsizetype(random->bounded(quint64(lines)));
        timer.start();
        pane.setSelStart(pane.history().startOf(line));
        pane.viewport()->repaint();
        jumps.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("find_bench jump_ms pane %.0f MB: median %.1f worst %.1f\n", pane.length() / 1e6, median(jumps),
                *std::max_element(jumps.begin(), jumps.end()));
    return 0;
}
