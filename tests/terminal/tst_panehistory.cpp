// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's history on disk: the archive file (compression, a full disk, a
// file a crash left behind) and a pane whose older text is archived, read
// across the border between the archived and the resident part.

#include "FileSizeLimit.h"
#include "terminal/FindBar.h"
#include "terminal/HistoryArchive.h"
#include "terminal/PaneConversion.h"
#include "terminal/PaneTextStream.h"
#include "terminal/ReceivePane.h"

#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <optional>

namespace {


// Numbered lines, each with a word that a search or a keyword can find.
QString numberedLines(int from, int count)
{
    QString text;
    for (int i = from; i < from + count; ++i)
        text += QStringLiteral("line %1 word%2\r\n").arg(i, 5, 10, QLatin1Char('0')).arg(i % 7);
    return text;
}

// A pane that keeps about 400 characters in memory and archives the rest.
struct ArchivingPane
{
    QTemporaryDir folder;
    ReceivePane pane;
    QString written;

    ArchivingPane() { pane.setResidentLimit(400, folder.path()); }
    void append(const QString &text)
    {
        pane.append(text);
        written += text;
    }
    void appendNote(const QString &note, const QColor &colour = Qt::blue)
    {
        pane.appendNote(note, colour);
        written += note;
    }
};

} // namespace

class PaneHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    // Blocks read back as given: before they are written, once written,
    // and, when the disk takes no more, from memory until the archive is
    // cleared.
    void archiveGivesBackWhatItTook_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<qint64>("room");     // the file's size limit; 0: none
        QTest::addColumn<qint64>("fileSize"); // -1: under half the data
        QByteArray random(100'000, Qt::Uninitialized);
        for (char &c : random)
            c = char(std::rand());
        const QByteArray hex = QByteArray("41 42 43 ").repeated(10'000);
        QTest::newRow("repetitive text is compressed") << hex << qint64(0) << qint64(-1);
        QTest::newRow("random bytes are stored as they are") << random << qint64(0) << qint64(5 + random.size());
        QTest::newRow("a block the disk cannot take") << hex << qint64(5) << qint64(5);
    }
    void archiveGivesBackWhatItTook()
    {
        QFETCH(QByteArray, data);
        QFETCH(qint64, room);
        QFETCH(qint64, fileSize);
        QTemporaryDir folder;
        std::optional<FileSizeLimit> limit;
        if (room > 0)
            limit.emplace(room);
        HistoryArchive archive(folder.path());
        const auto first = archive.write("first");
        const auto block = archive.write(data);
        QVERIFY(first && block);
        QCOMPARE(archive.read(*block), data);
        archive.flush();
        QCOMPARE(archive.failed(), room > 0);
        QCOMPARE(archive.read(*block), data);
        QCOMPARE(archive.read(*first), QByteArray("first"));
        if (fileSize < 0)
            QVERIFY(archive.fileSize() < 5 + data.size() / 2);
        else
            QCOMPARE(archive.fileSize(), fileSize);
        // The file was unlinked as soon as it was open: nothing is left to
        // outlive the program.
        QVERIFY(QDir(folder.path()).entryList(QDir::Files).isEmpty());
        // Emptied, it forgets its blocks, written or not, and takes new ones.
        archive.clear();
        QCOMPARE(archive.fileSize(), qint64(0));
        QVERIFY(!archive.failed());
        QVERIFY(archive.read(*block).isEmpty());
        const auto again = archive.write("again");
        archive.flush();
        QVERIFY(again);
        QVERIFY(archive.read(*first).isEmpty());
        QCOMPARE(archive.read(*again), QByteArray("again"));
    }

    void aFileLeftByACrashIsRemovedAtTheNextStart()
    {
        QTemporaryDir folder;
        QProcess ended;
        ended.start(QStringLiteral("true"));
        QVERIFY(ended.waitForStarted(5000));
        const qint64 endedPid = ended.processId();
        QVERIFY(ended.waitForFinished(5000));
        const QString dead = folder.filePath(QStringLiteral("kestrel-history-%1-Ab12Cd").arg(endedPid));
        const QString living = folder.filePath(QStringLiteral("kestrel-history-%1-Ef34Gh").arg(QCoreApplication::applicationPid()));
        const QString other = folder.filePath(QStringLiteral("other-file"));
        for (const QString &path : {dead, living, other}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        // The first archived block opens the archive, which sweeps its folder.
        ReceivePane pane;
        pane.setResidentLimit(100, folder.path());
        pane.append(numberedLines(0, 40));
        QVERIFY(pane.history().base() > 0);
        QVERIFY(!QFile::exists(dead));
        QVERIFY(QFile::exists(living));
        QVERIFY(QFile::exists(other));
    }

    void theWholeTextReadsAcrossTheBorder()
    {
        ArchivingPane p;
        for (int i = 0; i < 100; ++i)
            p.append(numberedLines(i * 10, 10));
        TextPane &pane = p.pane;
        const qsizetype base = pane.history().base();
        QVERIFY(base > 1000);
        QVERIFY(pane.history().resident().size() < 800);
        QCOMPARE(pane.length(), p.written.size());
        QCOMPARE(pane.text(), p.written);
        // Every line, archived or resident, shows its own characters.
        qsizetype at = 0;
        for (qsizetype i = 0; i < pane.history().count(); ++i) {
            const PaneLines::Line line = pane.history().line(i);
            QCOMPARE(line.start, at);
            QCOMPARE(pane.history().startOf(i), at);
            QCOMPARE(pane.history().lineOf(line.start), i);
            at = line.end;
        }
        QCOMPARE(at, pane.length());

        // A selection, and a copy, from the archived part into the resident one.
        pane.select(base - 123, 300);
        QCOMPARE(pane.selText(), p.written.mid(base - 123, 300));
        pane.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), p.written.mid(base - 123, 300));
        // A match across the border, and one deep in the archive.
        const QString across = p.written.mid(base - 4, 8);
        QCOMPARE(pane.find(across, 0), p.written.indexOf(across));
        QCOMPARE(pane.selStart(), p.written.indexOf(across));
        QCOMPARE(pane.find(QStringLiteral("LINE 00012 WORD5"), 0), p.written.indexOf(QStringLiteral("line 00012")));
        // Scrolling to the top draws archived lines.
        pane.resize(400, 200);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        pane.setSelStart(0);
        QCOMPARE(pane.topLine(), qsizetype(0));
        QTest::qWait(20);
    }

    void coloursAndNotesStayWithTheirText()
    {
        ArchivingPane p;
        TextPane &pane = p.pane;
        p.append(numberedLines(0, 10));
        // A colour across a line break, and a note, both soon archived.
        const qsizetype colourFrom = p.written.size() - 5;
        p.append(numberedLines(10, 1));
        pane.colourRange(colourFrom, colourFrom + 10, Qt::red);
        const qsizetype noteFrom = p.written.size();
        p.appendNote(QStringLiteral("→ sent\r\n"));
        for (int i = 0; i < 20; ++i)
            p.append(numberedLines(100 + i * 10, 10));
        QVERIFY(pane.history().base() > noteFrom + 8);
        QCOMPARE(pane.colourAt(colourFrom), QColor(Qt::red));
        QCOMPARE(pane.colourAt(colourFrom + 9), QColor(Qt::red));
        QCOMPARE(pane.colourAt(colourFrom + 10), QColor());
        QCOMPARE(pane.colourAt(noteFrom), QColor(Qt::blue));
        // The data of a selection over the note leaves it out.
        pane.select(noteFrom - 4, 16);
        QCOMPARE(pane.selData(), p.written.mid(noteFrom - 4, 4) + p.written.mid(noteFrom + 8, 4));
        // A keyword's colour given to the resident part only, up to the border.
        const qsizetype base = pane.history().base();
        pane.colourRange(base - 3, base + 3, Qt::green);
        QCOMPARE(pane.colourAt(base - 1), QColor());
        QCOMPARE(pane.colourAt(base), QColor(Qt::green));
    }

    void theArchivedPartIsReadOnlyAndClearingFreesTheDisk()
    {
        ArchivingPane p;
        TextPane &pane = p.pane;
        for (int i = 0; i < 20; ++i)
            p.append(numberedLines(i * 10, 10));
        QSignalSpy refused(&pane, &TextPane::oldPartReadOnly);
        pane.setSelStart(5);
        QTest::keyClick(&pane, Qt::Key_X);
        QCOMPARE(refused.count(), 1);
        QCOMPARE(pane.text(), p.written);
        // Typing in the resident part works.
        pane.setSelStart(pane.length());
        QTest::keyClick(&pane, Qt::Key_X);
        QCOMPARE(pane.text(), p.written + "x");
        pane.history().waitForArchive();
        QVERIFY(pane.history().archiveBytes() > 0);
        // Emptied while blocks wait to be written: they never reach the file.
        for (int i = 0; i < 20; ++i)
            pane.append(numberedLines(200 + i * 10, 10));
        const QString before = pane.text();
        const PaneHistory::Snapshot snapshot = pane.history().snapshot();
        pane.setText(QString());
        QCOMPARE(pane.history().archiveBytes(), qint64(0));
        pane.history().waitForArchive();
        QCOMPARE(pane.history().archiveBytes(), qint64(0));
        QCOMPARE(pane.length(), qsizetype(0));
        // New blocks take the old ones' place in the file; a search begun
        // before reads none of them as its own.
        for (int i = 0; i < 20; ++i)
            pane.append(QStringLiteral("new text\r\n").repeated(10));
        pane.history().waitForArchive();
        QVERIFY(pane.history().archiveBytes() > 0);
        bool same = true;
        snapshot.pieces([&](HistoryBlock::TextView piece, qsizetype at, const auto &) {
            const QString text = std::visit([](auto view) { return view.toString(); }, piece);
            same = same && text == before.mid(at, text.size());
            return true;
        });
        QVERIFY(same);
    }

    void aFullDiskStopsArchivingAndKeepsTheNewestText()
    {
        ArchivingPane p;
        TextPane &pane = p.pane;
        const PaneHistory &history = pane.history();
        {
            const FileSizeLimit limit(600);
            for (int i = 0; i < 200 && history.archiveProblem().isEmpty(); ++i)
                p.append(numberedLines(i * 10, 10));
        }
        QVERIFY(!history.archiveProblem().isEmpty());
        QVERIFY(history.dropped() > 0);
        QCOMPARE(history.base(), qsizetype(0));
        QCOMPARE(history.archiveBytes(), qint64(0));
        // The pane says so, at its end, and what it keeps is the newest text.
        const QString kept = pane.text();
        const QRegularExpression said(QStringLiteral("历史存档已停止，此前的 \\d+ 个字符已丢弃"));
        QVERIFY2(kept.contains(said), qPrintable(kept.right(200)));
        QVERIFY(p.written.endsWith(kept.left(kept.lastIndexOf(QStringLiteral("\r\n["))).right(200)));
        // It goes on receiving, keeping about its resident limit.
        for (int i = 0; i < 50; ++i)
            p.append(numberedLines(5000 + i * 10, 10));
        QVERIFY(pane.length() < 1000);
        QVERIFY(p.written.endsWith(pane.text().right(300)));
    }

    // A range of the history, from its archived part into its resident
    // one, handed over in pieces as it was when the stream began: with or
    // without its notes, whatever the pane gets meanwhile.
    void aStreamHandsOverTheRangeAsItWas_data()
    {
        QTest::addColumn<bool>("notes");
        QTest::addColumn<QString>("meanwhile");
        for (const bool notes : {true, false})
            for (const char *meanwhile : {"nothing", "append", "clear"})
                QTest::addRow("%s notes, %s meanwhile", notes ? "with" : "without", meanwhile) << notes << QString(meanwhile);
    }
    void aStreamHandsOverTheRangeAsItWas()
    {
        QFETCH(bool, notes);
        QFETCH(QString, meanwhile);
        ArchivingPane p;
        TextPane &pane = p.pane;
        QString data;
        for (int i = 0; i < 1600; ++i) {
            const QString lines = numberedLines(i * 10, 10);
            p.append(lines);
            data += lines;
            p.appendNote(QStringLiteral("→ sent\r\n"));
        }
        QVERIFY(pane.history().base() > PaneTextStream::kPieceChars);
        const qsizetype from = 7, to = pane.length() - 5;
        const QString expected = notes ? p.written.mid(from, to - from) : pane.history().dataOf(from, to);
        QVERIFY(expected.size() < p.written.size());
        QString got;
        int pieces = 0;
        PaneTextStream stream(pane, from, to, notes ? PaneTextStream::Notes::With : PaneTextStream::Notes::Without,
                              [&](QStringView piece) {
                                  got += piece;
                                  ++pieces;
                                  return true;
                              });
        QVERIFY(stream.next());
        if (meanwhile == "append")
            p.append(numberedLines(9000, 10));
        else if (meanwhile == "clear")
            pane.setText(QString());
        QVERIFY(stream.all());
        QCOMPARE(got.size(), expected.size());
        QCOMPARE(got, expected);
        QVERIFY(pieces > 1);
        QCOMPARE(stream.done(), to - from);
    }

    // The format switch converts all of the history, archived or not, its
    // notes staying between the converted pieces; a history with a bad hex
    // pair anywhere stays as it was.
    void theFormatSwitchConvertsAllOfTheHistory_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("converted");
        QTest::addColumn<bool>("convertible");
        const int hex = int(DataFormat::Hex), text = int(DataFormat::String);
        QTest::newRow("hex to characters") << " " + QString("41 42 43 ").repeated(9) << hex << QString("ABC").repeated(9) << true;
        QTest::newRow("characters to hex") << QString("AB").repeated(40) << text << QString("41 42 ").repeated(40) << true;
        QTest::newRow("a bad pair") << QString("41 42 ").repeated(13) + "4G " << hex << "" << false;
    }
    void theFormatSwitchConvertsAllOfTheHistory()
    {
        QFETCH(QString, data);
        QFETCH(int, from);
        QFETCH(QString, converted);
        QFETCH(bool, convertible);
        ArchivingPane p;
        TextPane &pane = p.pane;
        // Many pieces between notes, from the archive's start to the resident end.
        QString expected;
        for (int i = 0; i < 4000; ++i) {
            p.append(data);
            p.appendNote(QStringLiteral("\r\n"));
            expected += converted + QStringLiteral("\r\n");
        }
        QVERIFY(pane.history().base() > PaneTextStream::kPieceChars);
        const QString before = p.written = pane.text();
        const PaneConversion conversion = ConvertPane(pane, DataFormat(from));
        QCOMPARE(conversion.outcome == PaneConversion::Outcome::Converted, convertible);
        QCOMPARE(pane.text(), convertible ? expected : before);
        if (convertible) {
            QCOMPARE(pane.history().noteRuns(0, pane.length()).size(), size_t(4000));
            QCOMPARE(pane.colourAt(pane.length() - 1), QColor(Qt::blue));
        }
    }

    // Assistive technology is told a long text in parts: the value is the
    // part around the caret, a range is cut short, and lines read as the
    // pane's lines, archived or not.
    void assistiveTechnologyReadsALongTextInParts()
    {
        ArchivingPane p;
        TextPane &pane = p.pane;
        for (int i = 0; i < 1000; ++i)
            p.append(numberedLines(i * 10, 10));
        QVERIFY(pane.length() > 2 * TextPane::kMostToldChars);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&pane);
        QVERIFY(accessible && accessible->textInterface());
        QAccessibleTextInterface *text = accessible->textInterface();
        const qsizetype caret = pane.length() / 2;
        pane.setSelStart(caret);
        const QString value = accessible->text(QAccessible::Value);
        QCOMPARE(value.size(), TextPane::kMostToldChars);
        QCOMPARE(value, p.written.mid(caret - TextPane::kMostToldChars / 2, TextPane::kMostToldChars));
        QCOMPARE(text->text(0, text->characterCount()), p.written.left(TextPane::kMostToldChars));
        int start = 0, end = 0;
        const int inLine = int(p.written.indexOf(QStringLiteral("line 00042"))) + 3;
        QCOMPARE(text->textAtOffset(inLine, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("line 00042 word0\r\n"));
        QCOMPARE(start, inLine - 3);
        QCOMPARE(text->textAfterOffset(inLine, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("line 00043 word1\r\n"));
        QCOMPARE(text->textBeforeOffset(inLine, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("line 00041 word6\r\n"));
        QCOMPARE(text->textAtOffset(inLine, QAccessible::CharBoundary, &start, &end), QStringLiteral("e"));
    }

    // A selection up to the pane's copy limit goes to the clipboard, from
    // the archived part into the resident one; a longer one is not copied
    // nor cut, and the pane says so.
    void aSelectionTooLongForTheClipboardIsNotCopied_data()
    {
        QTest::addColumn<qsizetype>("most");
        QTest::addColumn<bool>("copied");
        QTest::newRow("at the limit") << qsizetype(300) << true;
        QTest::newRow("past the limit") << qsizetype(299) << false;
    }
    void aSelectionTooLongForTheClipboardIsNotCopied()
    {
        QFETCH(qsizetype, most);
        QFETCH(bool, copied);
        ArchivingPane p;
        TextPane &pane = p.pane;
        for (int i = 0; i < 50; ++i)
            p.append(numberedLines(i * 10, 10));
        pane.setMostCopiedChars(most);
        const qsizetype from = pane.history().base() - 150;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QSignalSpy tooLarge(&pane, &TextPane::copyTooLarge);
        pane.select(from, 300);
        pane.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), copied ? p.written.mid(from, 300) : QStringLiteral("before"));
        QCOMPARE(tooLarge.count(), copied ? 0 : 1);
        pane.select(pane.length() - 300, 300);
        pane.cut();
        QCOMPARE(pane.length(), p.written.size() - (copied ? 300 : 0));
        QCOMPARE(tooLarge.count(), copied ? 0 : 2);
    }

    // Every match over the whole history, archived and resident, as the
    // finder gives them.
    void theFinderFindsEverywhere_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<int>("byteBase");
        QTest::addColumn<qsizetype>("count");
        QTest::addColumn<QString>("firstMatch");
        // 300 pieces, a note after pieces 50, 150 and 250.
        const QString hex = QStringLiteral("41 42 43 44 45 46 47 48 49 4A\r\n");
        QTest::newRow("text, case ignored; a note breaks it") << hex << "4a\r\n41" << false << 0 << qsizetype(296) << "4A\r\n41";
        QTest::newRow("text, case kept") << hex << "4a" << true << 0 << qsizetype(0) << "";
        QTest::newRow("bytes across line breaks and notes") << hex << "4a 41" << false << 16 << qsizetype(299) << "4A\r\n41";
        QTest::newRow("bytes in a line") << hex << "43 44 45" << false << 16 << qsizetype(300) << "43 44 45";
        QTest::newRow("no byte pattern") << hex << "4G" << false << 16 << qsizetype(-1) << "";
        // A match that fails late starts again inside what it had matched.
        QTest::newRow("bytes after a false start") << "55 55 55 AA\r\n" << "55 55 aa" << false << 16 << qsizetype(300) << "55 55 AA";
        QTest::newRow("bytes in small letters") << "0a 5b 5c 5b\r\n" << "5B 5C" << false << 16 << qsizetype(300) << "5b 5c";
        QTest::newRow("decimal bytes") << "010 200 255 7\r\n" << "255 7 10" << false << 10 << qsizetype(299) << "255 7\r\n010";
        // One line without breaks: the pane wraps it, and the archive's
        // blocks end inside bytes.
        QTest::newRow("bytes in one long line") << "12 34 56 78 9A " << "9a 12 34" << false << 16 << qsizetype(299) << "9A 12 34";
        QTest::newRow("text in one long line") << "12 34 56 78 9A " << "9A 12" << true << 0 << qsizetype(296) << "9A 12";
        QTest::newRow("Latin-1 letters, case ignored") << "Gr\u00FC\u00DFe \u00C4\u00D6\r\n" << "\u00E4\u00F6" << false << 0
                                                       << qsizetype(300) << "\u00C4\u00D6";
        QTest::newRow("Chinese text") << "\u6E29\u5EA6 Temp=25\r\n" << "25\r\n\u6E29" << true << 0 << qsizetype(296)
                                      << "25\r\n\u6E29";
        QTest::newRow("Chinese text, case ignored") << "\u6E29\u5EA6 Temp=25\r\n" << "\u5EA6 tEMP" << false << 0
                                                    << qsizetype(300) << "\u5EA6 Temp";
    }
    void theFinderFindsEverywhere()
    {
        QFETCH(QString, piece);
        QFETCH(QString, query);
        QFETCH(bool, caseSensitive);
        QFETCH(int, byteBase);
        QFETCH(qsizetype, count);
        QFETCH(QString, firstMatch);
        ArchivingPane p;
        for (int i = 0; i < 300; ++i) {
            p.append(piece);
            if (i % 100 == 50)
                p.appendNote(QStringLiteral("[note 4A]"), Qt::gray);
        }
        QVERIFY(p.pane.history().base() > 2000);
        PaneFinder finder;
        QSignalSpy finished(&finder, &PaneFinder::finished);
        const bool started = finder.start(p.pane.history(), {query, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive, byteBase});
        QCOMPARE(started, count >= 0);
        if (!started)
            return;
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10'000);
        QCOMPARE(finder.count(), count);
        QCOMPARE(qsizetype(finder.matches().size()), count);
        if (count > 0) {
            const PaneFinder::Match first = finder.matches().front();
            QCOMPARE(p.pane.history().mid(first.from, first.to - first.from), firstMatch);
        }
    }

    // The bar steps through the matches, round the end, and counts them.
    void theFindBarSelectsTheMatches()
    {
        ArchivingPane p;
        for (int i = 0; i < 100; ++i)
            p.append(numberedLines(i * 10, 10));
        FindBar bar(p.pane, [] { return 0; });
        bar.open();
        bar.findChild<QLineEdit *>(QStringLiteral("findText"))->setText(QStringLiteral("WORD3"));
        QTRY_VERIFY_WITH_TIMEOUT(!bar.finder().isRunning(), 10'000);
        QLabel *count = bar.findChild<QLabel *>(QStringLiteral("findCount"));
        QCOMPARE(count->text(), QStringLiteral("共 143 个"));
        p.pane.setSelStart(0);
        bar.step(true);
        QCOMPARE(p.pane.selText(), QStringLiteral("word3"));
        QCOMPARE(p.pane.selStart(), p.written.indexOf(QStringLiteral("word3")));
        QCOMPARE(count->text(), QStringLiteral("1/143"));
        bar.step(false);
        QCOMPARE(p.pane.selStart(), p.written.lastIndexOf(QStringLiteral("word3")));
        QCOMPARE(count->text(), QStringLiteral("143/143"));
        // Emptying the pane forgets the matches.
        p.pane.setText(QString());
        QVERIFY(count->text().isEmpty());
    }
};

QTEST_MAIN(PaneHistoryTest)
#include "tst_panehistory.moc"
