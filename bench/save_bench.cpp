// SPDX-License-Identifier: GPL-3.0-or-later
// The time 保存接收数据 takes to save a receive pane of 50 million characters
// (lines of 47 hex characters, as received hex data broken into lines), and
// the window's reply time meanwhile: a timer asks to be woken every 10 ms and
// records how late it was (worst and median). As when data keeps arriving,
// 300 characters are appended to the pane every 20 ms during the save.
//
//   save_bench [millions]      (default 50)

#include "BenchWindow.h"
#include "desktop/DataFiles.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double millions = app.arguments().value(1, QStringLiteral("50")).toDouble();

    bench::BenchWindow shown;
    ReceivePane &pane = *shown.window.receivePath().Text2();
    const QString line = bench::hexText(47) + u'\n';
    pane.setText(line.repeated(qsizetype(millions * 1e6) / line.size()));
    bench::settle(pane);
    QTemporaryDir dir;
    shown.dialogs.saveAnswer = dir.filePath(QStringLiteral("pane.txt"));

    bench::ReplyWatch reply;
    QTimer arrivals;
    QObject::connect(&arrivals, &QTimer::timeout, [&] { pane.append(bench::hexText(bench::kAppendLength)); });
    reply.start();
    arrivals.start(20);
    shown.window.dataFiles().cuns1()->trigger();
    const double saveMs = reply.elapsedMs();
    reply.stop();
    arrivals.stop();

    std::printf("save_bench pane of %gM characters: saved in %.0f ms, %lld bytes; window reply late by "
                "worst %.1f ms, median %.1f ms (%zu replies)\n",
                millions, saveMs, QFileInfo(shown.dialogs.saveAnswer).size(), reply.worstMs(), reply.medianMs(),
                reply.replies());
    return 0;
}
