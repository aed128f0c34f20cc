// SPDX-License-Identifier: GPL-3.0-or-later
// What reading a long selection of the receive pane costs: the pane takes
// hex text (in 1.5 M character appends, as a stream brings it), most of it
// archived; then the whole of it is selected and are printed
//
//   - the time to copy a selection of the copy limit (100 Mi characters,
//     about 100 MB of text), from the archived part into the resident one;
//   - the time to check a selection of all of it (byte checksum and CRC-32,
//     as the selection check reads it, in pieces);
//   - the time 转换接收区 takes to convert all of it to characters;
//   - the peak memory of the program.
//
//   copy_bench [--mb N]     (N: the pane's length in millions of characters,
//                            at least the copy limit)

#include "PaneMeasures.h"
#include "core/Crc.h"
#include "core/SelectionCheck.h"
#include "terminal/PaneConversion.h"
#include "terminal/PaneTextStream.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

using namespace bench;

double checkMs(const ReceivePane &pane, const CrcModel *model, QString *result)
{
    QElapsedTimer timer;
    timer.start();
    SelectionCheck check(DataFormat::Hex, model);
    PaneTextStream(pane, 0, pane.length(), PaneTextStream::Notes::Without, [&check](QStringView data) {
        check.feed(data);
        return true;
    }).all();
    *result = check.result().value_or(QStringLiteral("(no data)"));
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype total = std::max(paneChars(app.arguments(), 110), TextPane::kMostCopiedChars + 1000);

    ReceivePane pane;
    // Bytes without line breaks, as a hex capture shows them: valid data for a CRC.
    const QString bytes = hexText(3 << 19);
    while (pane.length() < total)
        pane.append(bytes);
    std::printf("copy_bench pane of %.0fM characters, %.0fM of them archived\n", pane.length() / 1e6,
                pane.history().base() / 1e6);

    const qsizetype most = TextPane::kMostCopiedChars;
    pane.select(pane.length() - most, most);
    QElapsedTimer timer;
    timer.start();
    pane.copy();
    const double copyMs = timer.nsecsElapsed() / 1e6;
    const qsizetype copied = QGuiApplication::clipboard()->mimeData()->text().size();
    std::printf("copy_bench copy of %.1fM characters: %.0f ms (clipboard holds %.1fM characters)\n", most / 1e6, copyMs,
                copied / 1e6);
    QGuiApplication::clipboard()->clear();

    QString result;
    const double sumMs = checkMs(pane, nullptr, &result);
    std::printf("copy_bench byte checksum of %.0fM characters: %.0f ms (%s)\n", pane.length() / 1e6, sumMs,
                qPrintable(result));
    const double crcMs = checkMs(pane, &CrcModels()[3], &result);
    std::printf("copy_bench CRC-32 of %.0fM characters: %.0f ms (%s)\n", pane.length() / 1e6, crcMs,
                qPrintable(result));
    timer.restart();
    const qsizetype before = pane.length();
    const PaneConversion conversion = ConvertPane(pane, DataFormat::Hex);
    std::printf("copy_bench 转换接收区 of %.0fM characters of hex: %.0f ms (%s, %.0fM characters after)\n",
                before / 1e6, timer.nsecsElapsed() / 1e6,
                conversion.outcome == PaneConversion::Outcome::Converted ? "converted" : "not converted",
                pane.length() / 1e6);
    std::printf("copy_bench peak resident memory: %ld MB\n", peakMemoryKb() / 1024);
    return 0;
}
