// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the rate of every file transfer protocol, both ways, over a
// pseudo-terminal with the real lrzsz programs at the device's end, and the
// window's reply time meanwhile (how late a 10 ms timer gets).
//
//   transfer_bench [KB]    (the file's size, default 1024)

#include "BenchWindow.h"
#include "FarEnd.h"
#include "WaitFor.h"
#include "serial/SerialPort.h"
#include "transfer/FileTransfer.h"
#include "transfer/TransferProtocol.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

struct Run
{
    bool ok = false;
    double seconds = 0;
    double medianMs = 0;
    double worstMs = 0;
};

Run Transfer(const QString &protocol, bool windowSends, qint64 size)
{
    bench::BenchWindow w;
    PtyPair pty;
    QTemporaryDir here, there;
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i ^ (i >> 8)) & 0xFF);
    QFile file((windowSends ? here : there).filePath("data.bin"));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != size)
        return {};
    file.close();
    w.window.port().setPortName(pty.slavePath());
    w.window.port().setSettings(QStringLiteral("115200,n,8,1"));
    if (w.window.port().open() != 0)
        return {};
    FarEnd far(pty);
    const Protocol p = *ProtocolNamed(protocol);
    if (p != Protocol::Raw) {
        QStringList arguments{QStringLiteral("-q")};
        if (!windowSends)
            arguments << QStringLiteral("data.bin");
        else if (!CarriesNames(p))
            arguments << QStringLiteral("-c") << QStringLiteral("data.bin");
        far.run(windowSends ? ReceiveCommand(p, {}).program : SendCommand(p, {}).program, arguments, there.path());
    }
    w.dialogs.choiceAnswer = protocol;
    w.dialogs.openAnswer = here.filePath("data.bin");
    w.dialogs.saveAnswer = here.filePath("data.bin");
    w.dialogs.folderAnswer = here.path();
    QSignalSpy finished(&w.window.fileTransfer(), &FileTransfer::finished);
    bench::ReplyWatch reply;
    reply.start();
    w.window.menuItem(windowSends ? "mSendFile" : "mReceiveFile")->trigger();
    const bool done = WaitFor([&] { return !finished.isEmpty(); }, 600000);
    reply.stop();
    Run run;
    run.ok = done && finished[0][0].toBool();
    run.seconds = reply.elapsedMs() / 1000;
    run.medianMs = reply.medianMs();
    run.worstMs = reply.worstMs();
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 kb = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    if (FindProgram(QStringLiteral("sz")).isEmpty()) {
        std::fprintf(stderr, "the lrzsz programs are missing: apt-get install lrzsz\n");
        return 1;
    }
    std::printf("%-10s %-8s %10s %10s %12s %12s\n", "protocol", "way", "seconds", "KB/s", "reply med", "reply worst");
    for (const bool sends : {true, false})
        for (const QString &protocol : sends ? SendProtocolNames() : ReceiveProtocolNames()) {
            const Run r = Transfer(protocol, sends, kb * 1024);
            std::printf("%-10s %-8s %10.2f %10.0f %10.1fms %10.1fms%s\n", qPrintable(protocol),
                        sends ? "send" : "receive", r.seconds, r.ok ? kb / r.seconds : 0.0, r.medianMs, r.worstMs,
                        r.ok ? "" : "  FAILED");
            std::fflush(stdout);
        }
    return 0;
}
