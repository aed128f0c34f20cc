// SPDX-License-Identifier: GPL-3.0-or-later
// The time the send box takes to load a long text of one word (no blanks,
// as a stored or pasted send text can be), to show it, and to scroll to its
// end, in an offscreen main window. Sizes count characters (1 MB = 10^6).
// Then, for two text files of 50 MB of hex digits and blanks, one in lines of
// 78 characters and one a single line (as saving a Hex send box writes it),
// the time 打开 takes to load the file, how late a 10 ms timer gets meanwhile
// (the window's reply time while the file is read), and the time the text
// then takes to go into the send box (one step).
//
//   sendbox_bench [megabytes ...]      (default 1 10)

#include "BenchWindow.h"
#include "desktop/DataFiles.h"
#include "terminal/SendPath.h"
#include "terminal/TextPane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

QString oneWord(qsizetype length)
{
    QString word;
    word.reserve(length);
    for (qsizetype i = 0; i < length; ++i)
        word += QChar(char16_t(u'0' + i % 10));
    return word;
}

// Writes a file of 50 MB: `repeated` again and again, then `end`. Then loads
// it as 打开 does and prints the figures under `name`.
void openFile(MainWindow &window, const QString &path, const char *name, const QByteArray &repeated,
              const QByteArray &end)
{
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return;
        }
        for (qint64 written = 0; written < 50'000'000; written += repeated.size())
            file.write(repeated);
        file.write(end);
    }
    window.sendPath().setSendText(QString());
    QCoreApplication::processEvents();
    bench::ReplyWatch reply;
    reply.start();
    const std::optional<QString> loaded = window.dataFiles().LoadTextFile(path);
    const double loadMs = reply.elapsedMs();
    reply.stop();
    QElapsedTimer clock;
    clock.start();
    window.sendPath().setSendText(loaded.value_or(QString()));
    window.sendPath().Text1()->repaint();
    const double showMs = clock.nsecsElapsed() / 1e6;
    std::printf("sendbox open_50MB_%s_file_ms: read %.0f (timer_worst_late_ms %.1f), then into the box %.0f\n",
                name, loadMs, reply.worstMs(), showMs);
    std::fflush(stdout);
    QFile::remove(path);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<double> sizes;
    for (const QString &arg : app.arguments().mid(1))
        sizes << arg.toDouble();
    if (sizes.isEmpty())
        sizes = {1, 10};

    bench::BenchWindow shown;
    MainWindow &window = shown.window;
    QWidget *box = window.sendPath().Text1();

    for (double megabytes : sizes) {
        const QString text = oneWord(qsizetype(megabytes * 1e6));
        window.sendPath().setSendText(QString());
        QCoreApplication::processEvents();

        QElapsedTimer clock;
        clock.start();
        window.sendPath().setSendText(text);
        box->repaint();
        const double loadMs = clock.nsecsElapsed() / 1e6;
        clock.start();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        box->repaint();
        const double endMs = clock.nsecsElapsed() / 1e6;
        std::printf("sendbox load_and_show_ms at %gMB: %.0f\n", megabytes, loadMs);
        std::printf("sendbox scroll_to_end_ms at %gMB: %.0f\n", megabytes, endMs);
        std::fflush(stdout);
    }

    QTemporaryDir dir;
    const QByteArray bytes = QByteArray("01 23 45 67 89 AB CD EF ").repeated(3) + "01 23";
    openFile(window, dir.filePath(QStringLiteral("lines.txt")), "lines", bytes + "\r\n", "");
    openFile(window, dir.filePath(QStringLiteral("one_line.txt")), "one_line", bytes + ' ', "\r\n");
    return 0;
}
