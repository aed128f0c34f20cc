// SPDX-License-Identifier: GPL-3.0-or-later
// The data files: saving the send box and the receive pane, loading a file
// into the send box, and auto-save of the receive pane into the day's file.

#include "FileSizeLimit.h"
#include "FileBytes.h"
#include "WindowRig.h"
#include "core/AppFiles.h"
#include "core/TextCodec.h"
#include "desktop/DataFiles.h"
#include "desktop/ReceiveAutoSave.h"
#include "terminal/FormatSwitch.h"
#include "terminal/SendPath.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <optional>

namespace {

// The chunks of an auto-save file, each without its dated header.
QStringList Chunks(const QString &path)
{
    static const QRegularExpression header(QStringLiteral("\r\n={19}[^=\r\n]+={18}\r\n"));
    QStringList parts = DecodeGbk(FileBytes(path)).split(header);
    if (!parts.isEmpty() && parts.front().isEmpty())
        parts.removeFirst();
    return parts;
}


} // namespace

class DataFilesTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowRig> rig;
    QTemporaryDir dir;

    MainWindow &window() { return *rig->window; }
    TextPane &pane() { return *window().receivePath().Text2(); }
    void trigger(const char *item) { window().menuItem(QString::fromUtf8(item))->trigger(); }
    void switchAutoSaveOn(const QString &limit)
    {
        rig->dialogs.inputs.enqueue(limit);
        trigger("RecSave");
    }

private slots:
    // A write past the file size limit fails (EFBIG) instead of ending the process.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    void init()
    {
        // Left by an earlier run: a file, or the folder of a failed one.
        QFile::remove(ReceiveAutoSave::dayFile());
        QDir(ReceiveAutoSave::dayFile()).removeRecursively();
        rig = std::make_unique<WindowRig>();
        rig->buildReceiving(DataFormat::String);
    }
    void cleanup()
    {
        rig.reset();
        SetGbkEncoderName("GBK");
    }

    void savingWritesTrimmedGbkWithCrLf_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        // Text added to the pane after `text` as a note (a shown send).
        QTest::addColumn<QString>("note");
        QTest::newRow("send box: ends trimmed, lines CR LF") << "chufa" << "  01 02 \n 03  " << QByteArray("01 02 \r\n 03\r\n") << "";
        QTest::newRow("empty send box") << "chufa" << "" << QByteArray("\r\n") << "";
        QTest::newRow("receive pane in GBK") << "cuns1" << " 中文 AB \r\n" << EncodeGbk("中文 AB \r\n\r\n") << "";
        QTest::newRow("a shown send is kept as text") << "cuns1" << "41 42 " << EncodeGbk("41 42 \r\n→ 41 42 \r\n\r\n")
                                                      << "\r\n→ 41 42 \r\n";
    }
    void savingWritesTrimmedGbkWithCrLf()
    {
        QFETCH(QString, item);
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QFETCH(QString, note);
        if (item == "chufa") {
            window().sendPath().setSendText(text);
        } else {
            pane().setText(text);
            pane().appendNote(note, Qt::darkBlue);
        }
        const QString path = dir.filePath("saved.txt");
        WriteFileBytes(path, "an older file of that name");
        rig->dialogs.files.enqueue(path);
        trigger(item.toUtf8());
        QCOMPARE(FileBytes(path), expected);
        // Cancelled: nothing written; the dialog offers the last name.
        trigger(item.toUtf8());
        QCOMPARE(rig->dialogs.shown.last().kind, ShownDialog::SaveFile);
        QCOMPARE(rig->dialogs.shown.last().text, "Text(*.txt)");
        QCOMPARE(rig->dialogs.shown.last().defaultText, path);
        QCOMPARE(FileBytes(path), expected);
    }

    // A long text is saved in pieces with the window's events in between.
    // The file holds the text of the moment the save began, whatever the
    // pane gets meanwhile. Until the save is done the file of that name is
    // the old one, and so it stays when the program closes in the middle; no
    // second save starts meanwhile, and no file is left over.
    void savingALongTextLetsTheWindowWork_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QByteArray>("saved");
        const QString lines = QStringLiteral("0123456789\n").repeated(100000);
        const QByteArray crLfLines = QString(lines).replace("\n", "\r\n").toLatin1() + "\r\n";
        const qsizetype n = DataFiles::kSavePiece;
        QTest::newRow("data arrives") << lines << "append" << crLfLines;
        QTest::newRow("the pane is emptied") << lines << "clear" << crLfLines;
        QTest::newRow("a CR LF and a surrogate pair where a piece ends")
            << QString(n - 1, u'a') + "\r\n" + QString(n - 1, u'b') + "😀c" << "append"
            << QByteArray(n - 1, 'a') + "\r\n" + QByteArray(n - 1, 'b') + "?c\r\n";
        QTest::newRow("the program closes") << lines << "close" << QByteArray("old");
    }
    void savingALongTextLetsTheWindowWork()
    {
        QFETCH(QString, text);
        QFETCH(QString, meanwhile);
        QFETCH(QByteArray, saved);
        pane().setText(text);
        QTemporaryDir folder;
        const QString path = folder.filePath("long.txt");
        WriteFileBytes(path, "old");
        QByteArray during;
        QObject context; // ends the call below with this test, run or not
        QTimer::singleShot(0, &context, [&] {
            during = FileBytes(path);
            trigger("cuns1");
            if (meanwhile == "append")
                pane().append("late");
            else if (meanwhile == "clear")
                pane().setText(QString());
            else
                rig->clock.shutDown();
        });
        rig->dialogs.files.enqueue(path);
        trigger("cuns1");
        QCOMPARE(during, QByteArray("old"));
        QCOMPARE(rig->dialogs.shown.size(), 1);
        QCOMPARE(FileBytes(path), saved);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"long.txt"});
        QCOMPARE(rig->pane(), meanwhile == "append" ? text + "late" : meanwhile == "clear" ? QString() : text);
    }

    // The save is of the text the pane held at the click: what arrives
    // while the file is chosen is not in it, and a pane emptied meanwhile
    // no longer holds that text: nothing is saved, and the user is told.
    void whatThePaneHeldAtTheClickIsSaved_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("saved");
        QTest::newRow("data arrives") << "append" << true;
        QTest::newRow("the pane is emptied") << "clear" << false;
    }
    void whatThePaneHeldAtTheClickIsSaved()
    {
        QFETCH(QString, meanwhile);
        QFETCH(bool, saved);
        pane().setText(QStringLiteral("41 42\n"));
        const QString path = dir.filePath("atTheClick.txt");
        QFile::remove(path);
        rig->dialogs.files.enqueue(path);
        rig->dialogs.onShow = [&](const ShownDialog &box) {
            if (box.kind != ShownDialog::SaveFile)
                return;
            if (meanwhile == "append")
                pane().append(QStringLiteral("43"));
            else
                pane().setText(QString());
        };
        trigger("cuns1");
        rig->dialogs.onShow = nullptr;
        QCOMPARE(QFile::exists(path), saved);
        if (saved)
            QCOMPARE(FileBytes(path), QByteArray("41 42\r\n\r\n"));
        else
            QVERIFY(rig->dialogs.messages().value(0).contains(QStringLiteral("没有保存")));
    }

    // A selection too long for the clipboard, here from the pane's
    // archived part into its resident one, is offered to be saved to a file
    // instead: on Yes it is saved as the save items save, on No nothing is.
    void aSelectionTooLongToCopyCanBeSaved_data()
    {
        QTest::addColumn<MsgAnswer>("answer");
        QTest::newRow("saved") << MsgAnswer::Yes;
        QTest::newRow("not saved") << MsgAnswer::No;
    }
    void aSelectionTooLongToCopyCanBeSaved()
    {
        QFETCH(MsgAnswer, answer);
        QTemporaryDir folder;
        pane().setResidentLimit(1000, folder.path());
        const QString text = QStringLiteral("0123456789\n").repeated(1000);
        pane().setText(text);
        QVERIFY(pane().history().base() > 0);
        pane().setMostCopiedChars(100);
        pane().select(3, 5000);
        const QString path = folder.filePath("selection.txt");
        rig->dialogs.answers.enqueue(answer);
        rig->dialogs.files.enqueue(path);
        pane().copy();
        QCOMPARE(rig->dialogs.messages().size(), 1);
        QVERIFY(rig->dialogs.messages().first().contains(QStringLiteral("不能复制到剪贴板")));
        if (answer == MsgAnswer::Yes)
            QCOMPARE(FileBytes(path), text.mid(3, 5000).replace("\n", "\r\n").toLatin1() + "\r\n");
        else
            QVERIFY(!QFile::exists(path));
    }

    // Characters GBK lacks (an emoji, half of a surrogate pair, the mark of
    // bytes received that were not GBK) are saved as "?", and the status bar
    // says how many; without GBK nothing is written and a message says why.
    void savingTextGbkCannotHold_data()
    {
        QTest::addColumn<QString>("save");
        QTest::addColumn<bool>("gbk");
        for (const char *save : {"chufa", "cuns1", "auto-save"}) {
            QTest::addRow("%s", save) << save << true;
            QTest::addRow("%s without GBK", save) << save << false;
        }
    }
    void savingTextGbkCannotHold()
    {
        QFETCH(QString, save);
        QFETCH(bool, gbk);
        const QString text = QStringLiteral("A😀B\uFFFD中") + QChar(0xD800);
        const QByteArray saved = "A?B?" + EncodeGbk("中") + "?";
        if (!gbk)
            SetGbkEncoderName("no such encoding");
        QString path = dir.filePath("saved.txt");
        if (save == "auto-save") {
            path = ReceiveAutoSave::dayFile();
            switchAutoSaveOn("3");
            pane().append(text);
            rig->clock.advance(20);
            QCOMPARE(Chunks(path), gbk ? QStringList{DecodeGbk(saved)} : QStringList());
            QCOMPARE(rig->pane(), gbk ? QString() : text);
        } else {
            WriteFileBytes(path, "an older file of that name");
            if (save == "chufa")
                window().sendPath().setSendText(text);
            else
                pane().setText(text);
            rig->dialogs.files.enqueue(path);
            trigger(save.toUtf8());
            QCOMPARE(FileBytes(path), gbk ? saved + "\r\n" : QByteArray("an older file of that name"));
        }
        if (gbk) {
            QVERIFY2(rig->status().contains(ReplacedCharactersText(3)), qPrintable(rig->status()));
            QCOMPARE(rig->dialogs.messages(), QStringList());
        } else {
            QCOMPARE(rig->dialogs.messages().size(), 1);
            QVERIFY(rig->dialogs.messages().first().contains(path));
            QVERIFY(rig->dialogs.messages().first().contains(GbkMissingText()));
        }
    }

    // A system without GBK is said at start-up, before anything is saved.
    void startUpChecksTheEncoder()
    {
        const QString missing = QStringLiteral("没有 GBK 编码");
        window().StartUp();
        QVERIFY(!rig->dialogs.messages().join(QString()).contains(missing));
        SetGbkEncoderName("no such encoding");
        WindowRig without;
        without.build().StartUp();
        QVERIFY(without.dialogs.messages().value(0).contains(missing));
    }

    void loadingJoinsLinesByFormat_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected");
        const int hex = int(DataFormat::Hex), text = int(DataFormat::String);
        QTest::newRow("hex joins lines") << hex << QByteArray("01 02  \r\n03 \r04\n") << "01 02 03 04";
        QTest::newRow("text keeps lines") << text << QByteArray("  01 02  \r\n03 ") << "01 02  \n03 \n";
        QTest::newRow("GBK") << text << EncodeGbk("中文\r\n") << "中文\n";
        QTest::newRow("not GBK: shown, not dropped") << text << QByteArray("A\x81" "\x7f" "B\x81") << "A\uFFFD\u007FB\uFFFD\n";
        // A long file is read in pieces; what spans two pieces loads whole.
        const QByteArray filler(DataFiles::kLoadPiece - 1, 'A');
        QTest::newRow("CR ends a piece, its LF starts the next")
            << text << filler + "\r\nB" << QString(filler) + "\nB\n";
        QTest::newRow("GBK character across two pieces")
            << text << filler + EncodeGbk("中") << QString(filler) + "中\n";
        const QByteArray bytes = QByteArray("0A ").repeated(20'000'000 / 3);
        QTest::newRow("one line of 20 MB") << hex << bytes + "\r\n" << QString(bytes).trimmed();
    }
    void loadingJoinsLinesByFormat()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        window().formats().SetDataFormat(format, FormatSwitch::SendOnly);
        const QString path = dir.filePath("load.txt");
        WriteFileBytes(path, file);
        rig->dialogs.files.enqueue(path);
        trigger("da");
        QCOMPARE(window().sendPath().sendText(), expected);
        QCOMPARE(rig->dialogs.messages(), QStringList());
        QCOMPARE(rig->status().contains(u'\uFFFD'), expected.contains(u'\uFFFD'));
    }

    // Cancel and a file that cannot be read leave the send box as it was.
    void loadingThatFailsKeepsTheSendBox()
    {
        window().sendPath().setSendText("kept");
        trigger("da");
        rig->dialogs.files.enqueue(dir.filePath("missing.txt"));
        trigger("da");
        QCOMPARE(window().sendPath().sendText(), "kept");
        QCOMPARE(rig->dialogs.messages(), QStringList({"初始文件被改动或已丢失!"}));
        QCOMPARE(rig->dialogs.shown.last().title, "警告");
        QCOMPARE(rig->dialogs.shown.last().icon, MsgIcon::Exclamation);
    }

    void limitAnswers_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("refused");
        QTest::newRow("2000abc") << QStringList{"2000abc"} << true << 2000 << 0;
        QTest::newRow("abc") << QStringList{"abc"} << true << 0 << 0;
        QTest::newRow("largest") << QStringList{"32760"} << true << 32760 << 0;
        QTest::newRow("too large, negative, then fine") << QStringList{"32761", "-1", "12.5"} << true << 12 << 2;
        QTest::newRow("cancel") << QStringList{""} << false << 1000 << 0;
    }
    void limitAnswers()
    {
        QFETCH(QStringList, answers);
        QFETCH(bool, on);
        QFETCH(int, limit);
        QFETCH(int, refused);
        for (const QString &a : answers)
            rig->dialogs.inputs.enqueue(a);
        trigger("RecSave");
        QCOMPARE(window().menuItem("RecSave")->isChecked(), on);
        QCOMPARE(window().autoSave().limit(), limit);
        QCOMPARE(rig->dialogs.messages().size(), refused);
        const ShownDialog &first = rig->dialogs.shown.first();
        QCOMPARE(first.title, "接收内容自动保存设置");
        QCOMPARE(first.text, "请输入单个存储文件的字节数\n\n  注：单个文件不得超过 32760 字节！");
        QCOMPARE(first.defaultText, "1000");
        // Off asks nothing; on again offers the limit.
        rig->dialogs.clear();
        if (on)
            trigger("RecSave");
        trigger("RecSave");
        QCOMPARE(rig->dialogs.shown.size(), 1);
        QCOMPARE(rig->dialogs.shown.first().defaultText, QString::number(limit));
    }

    // Exactly the limit stays; one past it goes to the day's file and the pane
    // empties; the next chunk joins the same file after it.
    void autoSaveAtTheLimit()
    {
        switchAutoSaveOn("10");
        rig->receive("0123456789");
        QCOMPARE(rig->pane(), "0123456789");
        QVERIFY(!QFile::exists(ReceiveAutoSave::dayFile()));
        rig->receive("A");
        QCOMPARE(rig->pane(), "");
        rig->receive("second chunk");
        QCOMPARE(rig->pane(), "");
        QCOMPARE(Chunks(ReceiveAutoSave::dayFile()), QStringList({"0123456789A", "second chunk"}));
    }

    // A write that fails keeps the pane and leaves the file as it was, also
    // when the disk fills up in the middle of the chunk; it is said once, and
    // once the cause is gone everything is saved, once.
    void failingWriteKeepsPaneAndFile_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("a folder where the file should be") << false;
        QTest::newRow("the disk fills up in the middle") << true;
    }
    void failingWriteKeepsPaneAndFile()
    {
        QFETCH(bool, diskFull);
        const QString path = ReceiveAutoSave::dayFile();
        switchAutoSaveOn("3");
        std::optional<FileSizeLimit> full;
        QByteArray before;
        if (diskFull) {
            rig->receive("early");
            before = FileBytes(path);
            full.emplace(before.size() + 10); // room for a part of the next chunk's header
        } else {
            QVERIFY(QDir().mkpath(path));
        }
        rig->receive("abcd");
        rig->receive("ef");
        rig->clock.advance(20);
        const QByteArray during = diskFull ? FileBytes(path) : QByteArray();
        full.reset();
        QCOMPARE(rig->pane(), "abcdef");
        QCOMPARE(during, before);
        QCOMPARE(rig->dialogs.messages().size(), 1);
        QVERIFY(rig->dialogs.messages().first().contains(path));
        QVERIFY(rig->status().contains(QStringLiteral("接收区内容保留")));
        if (!diskFull)
            QVERIFY(QDir(path).removeRecursively());
        rig->receive("g");
        rig->clock.advance(1000);
        QCOMPARE(rig->pane(), "");
        QCOMPARE(Chunks(path), diskFull ? QStringList({"early", "abcdefg"}) : QStringList({"abcdefg"}));
    }

    // While a write keeps failing, the chunk is tried again after 1 s, then
    // after twice as long each time up to 30 s, not at every change of the
    // pane; once the cause is gone the next try saves it.
    void autoSaveRetriesBackOff_data()
    {
        QTest::addColumn<int>("causeLasts");
        QTest::addColumn<int>("savedAt");
        QTest::newRow("gone after 0.5 s") << 500 << 1000;
        QTest::newRow("gone after 2 s") << 2000 << 3000;
        QTest::newRow("gone after 40 s") << 40000 << 61000;
    }
    void autoSaveRetriesBackOff()
    {
        QFETCH(int, causeLasts);
        QFETCH(int, savedAt);
        const QString path = ReceiveAutoSave::dayFile();
        switchAutoSaveOn("3");
        QVERIFY(QDir().mkpath(path));
        qint64 emptiedAt = -1;
        connect(&pane(), &TextPane::changed, this, [&] {
            if (emptiedAt < 0 && rig->pane().isEmpty())
                emptiedAt = rig->clock.now();
        });
        rig->receive("abcd");
        const qint64 start = rig->clock.now();
        while (emptiedAt < 0 && rig->clock.now() < start + 100000) {
            if (rig->clock.now() >= start + causeLasts && QFileInfo(path).isDir())
                QVERIFY(QDir(path).removeRecursively());
            rig->receive("x");
        }
        QCOMPARE(emptiedAt - start, savedAt);
        QVERIFY(Chunks(path).join(QString()).startsWith("abcdx"));
    }

    // The message box comes once per cause: a failure that comes back after
    // a save worked is said in the status bar only; another cause is said.
    void failureSaidOncePerCause()
    {
        const QString path = ReceiveAutoSave::dayFile();
        switchAutoSaveOn("3");
        std::optional<FileSizeLimit> full;
        const std::function<void()> folder = [&] {
            QFile::remove(path);
            QDir().mkpath(path);
        };
        const std::function<void()> noFolder = [&] { QDir(path).removeRecursively(); };
        const std::function<void()> diskFull = [&] { full.emplace(QFileInfo(path).size()); };
        const std::function<void()> diskFreed = [&] { full.reset(); };
        const std::pair<std::function<void()>, std::function<void()>> causes[] = {
            {folder, noFolder}, {folder, noFolder}, {diskFull, diskFreed}};
        QList<int> boxes;
        for (const auto &[cause, cure] : causes) {
            cause();
            rig->receive("abcd");
            rig->clock.advance(100);
            QCOMPARE(rig->pane(), "abcd");
            QVERIFY(rig->status().contains(QStringLiteral("接收区内容保留")));
            boxes << int(rig->dialogs.messages().size());
            cure();
            rig->clock.advance(1000);
            QCOMPARE(rig->pane(), "");
        }
        QCOMPARE(boxes, QList<int>({1, 1, 2}));
        QVERIFY(rig->dialogs.messages().last().contains(QStringLiteral("File too large")));
    }

    // Streamed through a small limit in pieces of every size, the day file
    // and the pane together hold each received byte once, in order.
    void everyReceivedByteKeptOnce()
    {
        switchAutoSaveOn("100");
        QByteArray sent;
        QRandomGenerator random(5);
        while (sent.size() < 20000) {
            QByteArray piece;
            for (int n = random.bounded(1, 300); n > 0; --n)
                piece += char('a' + random.bounded(26));
            sent += piece;
            rig->receive(piece);
        }
        QCOMPARE((Chunks(ReceiveAutoSave::dayFile()).join(QString()) + rig->pane()).toLatin1(), sent);
    }
};

QTEST_MAIN(DataFilesTest)
#include "tst_datafiles.moc"
