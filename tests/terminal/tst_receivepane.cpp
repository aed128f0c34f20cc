// The receive pane: its text, selection, search, colours, file and events,
// and the short display blocks it shows the text in.

#include "terminal/PaneBlockMap.h"
#include "terminal/ReceivePane.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

namespace {

constexpr QChar kSeparator = QChar::ParagraphSeparator;

QPlainTextEdit *viewOf(ReceivePane &pane)
{
    return pane.findChild<QPlainTextEdit *>();
}

QString displayOf(ReceivePane &pane)
{
    QTextCursor cursor(viewOf(pane)->document());
    cursor.select(QTextCursor::Document);
    return cursor.selectedText();
}

bool isBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// The display must show exactly `text`: its characters in order, every CR LF,
// CR or LF as a block separator, and other separators (soft breaks) only
// between two characters, never making an empty line of their own.
bool showsText(const QString &display, const QString &text)
{
    qsizetype t = 0;
    for (qsizetype d = 0; d < display.size(); ++d) {
        if (display[d] != kSeparator) {
            if (t >= text.size() || display[d] != text[t])
                return false;
            ++t;
        } else if (t < text.size() && isBreak(text[t])) {
            t += (text[t] == u'\r' && t + 1 < text.size() && text[t + 1] == u'\n') ? 2 : 1;
        } else if (d == 0 || display[d - 1] == kSeparator || d + 1 == display.size()
                   || display[d + 1] == kSeparator) {
            return false;
        }
    }
    return t == text.size();
}

// The same check through the map alone: blocks map one to one onto the text,
// soft breaks stand for nothing and hard breaks for exactly one line break.
bool mapShowsText(const PaneBlockMap &map, const QString &text)
{
    const QStringList blocks = map.displayText(text, 0, text.size() + map.blockCount()).split(kSeparator);
    if (blocks.size() != map.blockCount())
        return false;
    qsizetype d = 0, t = 0;
    for (int b = 0; b < blocks.size(); ++b) {
        if (map.toText(d) != t || text.mid(t, blocks[b].size()) != blocks[b] || map.toDisplay(t) != d)
            return false;
        d += blocks[b].size();
        t += blocks[b].size();
        if (b + 1 == blocks.size())
            break;
        const qsizetype next = map.toText(d + 1);
        const QString gap = text.mid(t, next - t);
        if (map.endsSoftly(b) ? !gap.isEmpty() : (gap != "\r\n" && gap != "\r" && gap != "\n"))
            return false;
        d += 1;
        t = next;
    }
    return t == text.size();
}

// The colour of every character of the text as shown; line breaks have none.
QList<QColor> coloursOfText(ReceivePane &pane)
{
    QList<QColor> shown;
    for (QTextBlock block = viewOf(pane)->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const QColor colour = format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : QColor();
            shown.append(QList<QColor>(it.fragment().length(), colour));
        }
    }
    QList<QColor> perCharacter;
    qsizetype s = 0;
    for (QChar c : pane.text())
        perCharacter << (isBreak(c) ? QColor() : shown.value(s++));
    return perCharacter;
}

QString hexText(int bytes)
{
    QString text;
    for (int i = 0; i < bytes; ++i)
        text += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

QTimer *resplitTimer(ReceivePane &pane)
{
    return pane.findChild<QTimer *>(QStringLiteral("resplitTimer"));
}

bool showAndSettle(ReceivePane &pane, int width, int height)
{
    pane.resize(width, height);
    pane.show();
    if (!QTest::qWaitForWindowExposed(&pane))
        return false;
    return QTest::qWaitFor([&] { return !resplitTimer(pane)->isActive(); });
}

// Every block laid out so far takes one screen line.
void verifyLaidOutBlocksFit(ReceivePane &pane)
{
    pane.setSelStart(0);
    QCoreApplication::processEvents();
    int laidOut = 0;
    for (QTextBlock block = viewOf(pane)->document()->begin(); block.isValid(); block = block.next()) {
        if (block.layout() && block.layout()->lineCount() > 0) {
            QCOMPARE(block.layout()->lineCount(), 1);
            ++laidOut;
        }
    }
    QVERIFY(laidOut >= 3);
}

} // namespace

class ReceivePaneTest : public QObject
{
    Q_OBJECT
private slots:
    void appendKeepsTheTextExactly()
    {
        ReceivePane pane;
        const QStringList pieces = {"41 42 ", "\r\n", "OK\r", "\nNEXT\n", "\r", "lone CR then text", "\n\n",
                                    QString::fromUtf8("中文字符，接收"), QString(700, 'A'), "\r", "\r\n\r",
                                    "x", QString::fromUtf8("😀 surrogates 😀"), hexText(400)};
        QString expected;
        for (const QString &piece : pieces) {
            pane.append(piece);
            expected += piece;
            QCOMPARE(pane.text(), expected);
            QVERIFY(showsText(displayOf(pane), expected));
        }
        // Appending shows what writing the whole text at once shows.
        const QString appended = displayOf(pane);
        pane.setText(expected);
        QCOMPARE(displayOf(pane), appended);
        QVERIFY(viewOf(pane)->document()->blockCount() > 20);
    }

    void randomAppendsShowWhatSetTextShows()
    {
        // Long lines, so that words are often cut where a piece ends.
        const QStringList words = {"4", "F", " ", "41 42 43 ", "AB CD ", QString::fromUtf8("中"),
                                   QString::fromUtf8("😀"), "\t", "xyz"};
        const QStringList breaks = {"\r", "\n", "\r\n"};
        auto *random = QRandomGenerator::global();
        for (int round = 0; round < 5; ++round) {
            ReceivePane pane;
            QString expected;
            for (int i = 0; i < 300; ++i) {
                QString piece;
                for (int n = random->bounded(1, 12); n > 0; --n) {
                    const QStringList &from = random->bounded(50) == 0 ? breaks : words;
                    piece += from[random->bounded(from.size())];
                }
                pane.append(piece);
                expected += piece;
            }
            QCOMPARE(pane.text(), expected);
            const QString appended = displayOf(pane);
            QVERIFY(showsText(appended, expected));
            pane.setText(expected);
            QCOMPARE(displayOf(pane), appended);
        }
    }

    void lineBreakArrivingInTwoPiecesIsOneLine()
    {
        ReceivePane pane;
        pane.append("A\r");
        pane.append("\nB");
        QCOMPARE(pane.text(), QString("A\r\nB"));
        QCOMPARE(displayOf(pane), QString("A") + kSeparator + "B");
        pane.append("\r");
        pane.append("C");
        pane.append("\n");
        QCOMPARE(pane.text(), QString("A\r\nB\rC\n"));
        QCOMPARE(displayOf(pane), QString("A") + kSeparator + "B" + kSeparator + "C" + kSeparator);
    }

    void structureCharactersAreShownButKept()
    {
        ReceivePane pane;
        const QString odd = QString("a") + QChar(QChar::ParagraphSeparator) + QChar(QChar::LineSeparator)
            + QChar(0xFDD0) + QChar(0) + "b";
        pane.append(odd);
        QCOMPARE(pane.text(), odd);
        QCOMPARE(viewOf(pane)->document()->blockCount(), 1);
        pane.setSelStart(1);
        pane.setSelLength(4);
        QCOMPARE(pane.selText(), odd.mid(1, 4));
    }

    void selectionRoundTrips_data()
    {
        QTest::addColumn<qsizetype>("start");
        QTest::addColumn<qsizetype>("length");
        // Text: 300 hex bytes (900 characters, several blocks), CR LF, "OK", LF, "END".
        QTest::newRow("caret at 0") << qsizetype(0) << qsizetype(0);
        QTest::newRow("across blocks") << qsizetype(100) << qsizetype(500);
        QTest::newRow("across CR LF") << qsizetype(895) << qsizetype(8);
        QTest::newRow("just the CR LF") << qsizetype(900) << qsizetype(2);
        QTest::newRow("starting inside CR LF") << qsizetype(901) << qsizetype(3);
        QTest::newRow("ending inside CR LF") << qsizetype(899) << qsizetype(2);
        QTest::newRow("across LF to the end") << qsizetype(903) << qsizetype(5);
        QTest::newRow("caret at the end") << qsizetype(908) << qsizetype(0);
    }
    void selectionRoundTrips()
    {
        QFETCH(qsizetype, start);
        QFETCH(qsizetype, length);
        ReceivePane pane;
        const QString text = hexText(300) + "\r\nOK\nEND";
        pane.setText(text);
        pane.setSelStart(start);
        QCOMPARE(pane.selStart(), start);
        QCOMPARE(pane.selLength(), qsizetype(0));
        pane.setSelLength(length);
        QCOMPARE(pane.selStart(), start);
        QCOMPARE(pane.selLength(), length);
        QCOMPARE(pane.selText(), text.mid(start, length));
        // What the user sees selected is the same text, line breaks aside.
        QString seen = viewOf(pane)->textCursor().selectedText();
        seen.remove(kSeparator);
        QCOMPARE(seen, pane.selText().remove('\r').remove('\n'));
    }

    void selectionIsClamped()
    {
        ReceivePane pane;
        pane.setText("0123456789");
        pane.setSelStart(-5);
        QCOMPARE(pane.selStart(), qsizetype(0));
        pane.setSelStart(25);
        QCOMPARE(pane.selStart(), qsizetype(10));
        pane.setSelStart(7);
        pane.setSelLength(100);
        QCOMPARE(pane.selLength(), qsizetype(3));
        QCOMPARE(pane.selText(), QString("789"));
    }

    void selectionMadeOnDisplayReadsAsText()
    {
        ReceivePane pane;
        const QString text = hexText(200) + "\r\nOK";
        pane.setText(text);
        QPlainTextEdit *view = viewOf(pane);
        QVERIFY(view->document()->blockCount() > 3);
        // As a mouse would: from the middle of the first block to the end.
        QTextCursor cursor = view->textCursor();
        cursor.setPosition(5);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
        QCOMPARE(pane.selStart(), qsizetype(5));
        QCOMPARE(pane.selLength(), text.size() - 5);
        QCOMPARE(pane.selText(), text.mid(5));
        // From the start of the second display block back to its soft break.
        const int second = view->document()->findBlockByNumber(1).position();
        cursor.setPosition(second);
        cursor.setPosition(second - 1, QTextCursor::KeepAnchor);
        view->setTextCursor(cursor);
        QCOMPARE(pane.selLength(), qsizetype(0));
    }

    void findIgnoresCaseAndSelectsTheMatch()
    {
        ReceivePane pane;
        const QString text = hexText(100) + "\r\n55 aa 01 55 AA";
        pane.setText(text);
        const qsizetype first = text.indexOf("55 AA", 0, Qt::CaseInsensitive);
        QCOMPARE(pane.find("55 aa", 0), first);
        QCOMPARE(pane.selStart(), first);
        QCOMPARE(pane.selLength(), qsizetype(5));
        QCOMPARE(pane.selText(), QString("55 aa"));
        QCOMPARE(pane.find("55 aa", first), first); // at the start index itself
        QCOMPARE(pane.find("55 aa", first + 1), text.size() - 5);
        QCOMPARE(pane.selText(), QString("55 AA"));
        QCOMPARE(pane.find("5", 0), text.indexOf('5')); // inside a longer word
        QCOMPARE(pane.find("63 \r\n55", 0), text.indexOf("63 \r\n55")); // across a line break

        pane.setSelStart(3);
        QCOMPARE(pane.find("zz", 0), qsizetype(-1));
        QCOMPARE(pane.find("55 aa", text.size() - 4), qsizetype(-1));
        QCOMPARE(pane.find("55", text.size() + 1), qsizetype(-1));
        QCOMPARE(pane.find("", 0), qsizetype(-1));
        QCOMPARE(pane.selStart(), qsizetype(3)); // a failed search leaves the selection
        QCOMPARE(pane.selLength(), qsizetype(0));
    }

    void selColorColoursExactlyTheSelection()
    {
        ReceivePane pane;
        const QString text = hexText(150) + "\r\nOK\r\n" + hexText(150);
        pane.setText(text);
        const qsizetype from = 200, to = 920; // across soft breaks and both CR LFs
        pane.setSelStart(from);
        pane.setSelLength(to - from);
        pane.setSelColor(Qt::red);
        pane.setSelStart(10);
        pane.setSelLength(3);
        pane.setSelColor(QColor(0, 0, 255));

        const QList<QColor> colours = coloursOfText(pane);
        QCOMPARE(colours.size(), text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            QColor expected;
            if (i >= 10 && i < 13)
                expected = QColor(0, 0, 255);
            else if (i >= from && i < to && !isBreak(text[i]))
                expected = QColor(Qt::red);
            QVERIFY2(colours[i] == expected, qPrintable(QString::number(i)));
        }

        // Appending keeps the colours and does not colour what it adds,
        // even after a coloured last character.
        pane.setSelStart(text.size() - 1);
        pane.setSelLength(1);
        pane.setSelColor(Qt::green);
        pane.append(hexText(200));
        const QList<QColor> after = coloursOfText(pane);
        QCOMPARE(after[from], QColor(Qt::red));
        QCOMPARE(after[text.size() - 1], QColor(Qt::green));
        for (qsizetype i = text.size(); i < after.size(); ++i)
            QVERIFY(!after[i].isValid());

        // Writing the text removes all colouring.
        pane.setText(pane.text());
        for (const QColor &c : coloursOfText(pane))
            QVERIFY(!c.isValid());
    }

    void saveFileWritesGbkAndReplacesTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("pane.txt");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1000, 'x'));
        old.close();

        ReceivePane pane;
        pane.setText(QString::fromUtf8("中A\r\n"));
        QVERIFY(pane.saveFile(path));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("\xD6\xD0" "A\r\n"));

        QVERIFY(!pane.saveFile(dir.filePath("missing/folder/pane.txt")));
    }

    void changedFiresForEveryContentChange()
    {
        ReceivePane pane;
        QSignalSpy changed(&pane, &ReceivePane::changed);
        pane.setText("abc");
        QCOMPARE(changed.count(), 1);
        pane.append("def");
        QCOMPARE(changed.count(), 2);
        pane.setText(QString());
        QCOMPARE(changed.count(), 3);
        pane.append(QString()); // nothing added, nothing changed
        pane.setText("abcdef");
        pane.setSelStart(1);
        pane.setSelLength(2);
        pane.setSelColor(Qt::red);
        pane.setBackColor(Qt::yellow);
        QCOMPARE(changed.count(), 4);
        QTest::keyClick(viewOf(pane), Qt::Key_X);
        QCOMPARE(changed.count(), 5);
        QCOMPARE(pane.text(), QString("axdef"));

        // A handler may rewrite the pane, also after the user typed (as the
        // automatic save does when the pane grows too long).
        connect(&pane, &ReceivePane::changed, this, [&pane] {
            if (pane.text().contains('!'))
                pane.setText(QStringLiteral("saved\r\n"));
        });
        QTest::keyClick(viewOf(pane), Qt::Key_Exclam, Qt::ShiftModifier);
        QCOMPARE(pane.text(), QString("saved\r\n"));
        QCOMPARE(displayOf(pane), QString("saved") + kSeparator);
        pane.append("more");
        QCOMPARE(displayOf(pane), QString("saved") + kSeparator + "more");
    }

    void readOnlyBlocksTypingButNotTheProgram()
    {
        ReceivePane pane;
        pane.setText("data");
        pane.setReadOnlyForUser(true);
        QVERIFY(pane.isReadOnlyForUser());
        QTest::keyClicks(viewOf(pane), "xyz");
        QTest::keyClick(viewOf(pane), Qt::Key_Backspace);
        QCOMPARE(pane.text(), QString("data"));
        pane.append(" more");
        QCOMPARE(pane.text(), QString("data more"));
        pane.setText("new");
        QCOMPARE(pane.text(), QString("new"));

        pane.setReadOnlyForUser(false);
        pane.setSelStart(3);
        QTest::keyClicks(viewOf(pane), "er");
        QCOMPARE(pane.text(), QString("newer"));
    }

    void typingEditsTheText()
    {
        ReceivePane pane;
        QPlainTextEdit *view = viewOf(pane);
        QString text = hexText(100) + "\r\nOK";
        pane.setText(text);
        // A blank and its byte in the middle of the first block.
        pane.setSelStart(6);
        QTest::keyClicks(view, "x");
        text.insert(6, "x");
        QCOMPARE(pane.text(), text);
        // Enter makes a CR LF.
        QTest::keyClick(view, Qt::Key_Return);
        text.insert(7, "\r\n");
        QCOMPARE(pane.text(), text);
        QVERIFY(showsText(displayOf(pane), text));

        // Backspace at the start of a block after a soft break deletes the
        // character before it; Delete at the end of one deletes the next.
        QTextBlock soft = view->document()->findBlockByNumber(2);
        QTextCursor cursor = view->textCursor();
        cursor.setPosition(soft.position());
        view->setTextCursor(cursor);
        qsizetype at = pane.selStart();
        QTest::keyClick(view, Qt::Key_Backspace);
        text.remove(at - 1, 1);
        QCOMPARE(pane.text(), text);
        soft = view->document()->findBlockByNumber(2);
        cursor.setPosition(soft.position() + soft.length() - 1);
        view->setTextCursor(cursor);
        at = pane.selStart();
        QTest::keyClick(view, Qt::Key_Delete);
        text.remove(at, 1);
        QCOMPARE(pane.text(), text);
        QVERIFY(showsText(displayOf(pane), text));

        // Typing over a selection across the last line break.
        pane.setSelStart(text.size() - 5);
        pane.setSelLength(4);
        QTest::keyClicks(view, "#");
        text.replace(text.size() - 5, 4, "#");
        QCOMPARE(pane.text(), text);
        QVERIFY(showsText(displayOf(pane), text));

        // Appending after the user's edits carries on from the right place.
        pane.append("\n" + hexText(100));
        text += "\n" + hexText(100);
        QCOMPARE(pane.text(), text);
        QVERIFY(showsText(displayOf(pane), text));
    }

    void caretAtTheLengthGoesToTheEndAndScrolls()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 500, 200));
        pane.setText(hexText(3000));
        QScrollBar *bar = viewOf(pane)->verticalScrollBar();
        pane.setSelStart(0);
        QCOMPARE(bar->value(), 0);
        QVERIFY(bar->maximum() > 10);
        pane.setSelStart(pane.text().size());
        QVERIFY(viewOf(pane)->textCursor().atEnd());
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(pane.selStart(), pane.text().size());
        QCOMPARE(pane.selLength(), qsizetype(0));
    }

    void appendFollowsTheEndWhenItShould()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 500, 200));
        QScrollBar *bar = viewOf(pane)->verticalScrollBar();
        pane.setText(hexText(3000));

        // Caret in the middle of an editable pane: it stays, and so does the view.
        pane.setSelStart(30);
        pane.setSelLength(6);
        const int value = bar->value();
        pane.append(hexText(50));
        QCOMPARE(pane.selStart(), qsizetype(30));
        QCOMPARE(pane.selLength(), qsizetype(6));
        QCOMPARE(bar->value(), value);

        // Caret at the end: it follows.
        pane.setSelStart(pane.text().size());
        pane.append(hexText(50));
        QCOMPARE(pane.selStart(), pane.text().size());
        QCOMPARE(bar->value(), bar->maximum());

        // Read-only: the end is shown whatever the selection.
        pane.setReadOnlyForUser(true);
        pane.setSelStart(30);
        pane.append(hexText(50));
        QCOMPARE(pane.selStart(), pane.text().size());
        QCOMPARE(bar->value(), bar->maximum());
    }

    void fastAppendsArePaintedTogether()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 500, 200));
        QPlainTextEdit *view = viewOf(pane);
        pane.append("41 ");
        QVERIFY(view->updatesEnabled());
        pane.append("42 ");
        pane.append("43 ");
        QVERIFY(!view->updatesEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(view->updatesEnabled(), 200);
        QCOMPARE(pane.text(), QString("41 42 43 "));
    }

    void programSelectionSurvivesALineBreakingAppend()
    {
        ReceivePane pane;
        // One full line of 80 characters (the width before the pane is
        // shown) ending in the word "44", which the next piece continues.
        pane.append(hexText(26) + "44");
        QVERIFY(!displayOf(pane).contains(kSeparator));
        const qsizetype last = pane.text().size() - 1;
        pane.setSelStart(last);
        pane.setSelLength(1);
        pane.append("1 " + hexText(100));
        QVERIFY(displayOf(pane).startsWith(hexText(26) + kSeparator + "441 "));
        QCOMPARE(pane.selStart(), last);
        QCOMPARE(pane.selLength(), qsizetype(1));
        QCOMPARE(viewOf(pane)->textCursor().selectedText(), QString("4"));
    }

    void linesBreakBetweenBytesAndFitThePane()
    {
        // Three widths a character apart: a line of hex bytes then ends
        // after a byte, after its first digit, or after its second.
        for (int width : {420, 430, 440}) {
            ReceivePane pane;
            QVERIFY(showAndSettle(pane, width, 300));
            // Bytes arriving a few characters at a time are not cut at a line end.
            const QString hex = hexText(2000);
            for (qsizetype i = 0; i < hex.size(); i += 7)
                pane.append(hex.mid(i, 7));
            QCOMPARE(pane.text(), hex);
            QTextDocument *document = viewOf(pane)->document();
            QVERIFY(document->blockCount() > 20);
            qsizetype start = 0;
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
                QCOMPARE(start % 3, qsizetype(0));
                start += block.length() - 1;
            }
            verifyLaidOutBlocksFit(pane);
        }

        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 420, 300));
        pane.setText(QString::fromUtf8("中文字符与ASCII混合，").repeated(100));
        verifyLaidOutBlocksFit(pane);
        pane.setText(QString("\t0123456789").repeated(100));
        verifyLaidOutBlocksFit(pane);
    }

    void resizeSplitsAgainKeepingTextColoursAndSelection()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 600, 300));
        const QString text = hexText(1000) + "\r\nOK";
        pane.setText(text);
        pane.setSelStart(100);
        pane.setSelLength(400);
        pane.setSelColor(Qt::red);
        const QList<QColor> colours = coloursOfText(pane);
        const int blocks = viewOf(pane)->document()->blockCount();

        pane.resize(300, 300);
        QTRY_VERIFY(viewOf(pane)->document()->blockCount() > blocks);
        QTRY_VERIFY(!resplitTimer(pane)->isActive());
        QCOMPARE(pane.text(), text);
        QVERIFY(showsText(displayOf(pane), text));
        QCOMPARE(coloursOfText(pane), colours);
        QCOMPARE(pane.selStart(), qsizetype(100));
        QCOMPARE(pane.selLength(), qsizetype(400));
        verifyLaidOutBlocksFit(pane);
    }

    void mouseSignalsAndSelection()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 500, 200));
        pane.setText("41 42 43 44 45 46");
        QWidget *viewport = viewOf(pane)->viewport();
        QSignalSpy doubleClicked(&pane, &ReceivePane::doubleClicked);
        QString selectedAtRelease;
        connect(&pane, &ReceivePane::mouseReleased, this, [&] { selectedAtRelease = pane.selText(); });

        const QRect first = viewOf(pane)->cursorRect(QTextCursor(viewOf(pane)->document()));
        const QPoint from = first.center() + QPoint(1, 0);
        QTextCursor end(viewOf(pane)->document());
        end.setPosition(8);
        const QPoint to = viewOf(pane)->cursorRect(end).center();
        QTest::mousePress(viewport, Qt::LeftButton, {}, from);
        QTest::mouseMove(viewport, to);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
        QCOMPARE(selectedAtRelease, QString("41 42 43"));

        QTest::mouseDClick(viewport, Qt::LeftButton, {}, to);
        QCOMPARE(doubleClicked.count(), 1);
    }

    void backColourAndFocus()
    {
        ReceivePane pane;
        pane.setBackColor(QColor(255, 255, 0));
        QCOMPARE(pane.backColor(), QColor(255, 255, 0));
        QVERIFY(showAndSettle(pane, 300, 100));
        pane.setFocus();
        QCOMPARE(pane.window()->focusWidget(), viewOf(pane));
    }

    // The map on its own, with one unit per narrow character.

    void mapMovesACutWordToTheNextLine()
    {
        PaneBlockMap map;
        map.setWidths({1, 2, 8, 10});
        QString text = "41 42 43 4"; // exactly one line
        QCOMPARE(map.reset(text), text);
        text += "4";
        // The "4" already shown goes to the next line with the new one.
        const PaneBlockMap::DisplayTail tail = map.append(text, text.size() - 1);
        QCOMPARE(tail.removeAtEnd, qsizetype(1));
        QCOMPARE(tail.insert, QString(kSeparator) + "44");
        text += " 45 46 47 48 49 50";
        map.append(text, text.size() - 18);
        QCOMPARE(map.displayText(text, 0, 100), QString("41 42 43 ") + kSeparator + "44 45 46 " + kSeparator
                     + "47 48 49 " + kSeparator + "50");
        QVERIFY(mapShowsText(map, text));
        QCOMPARE(map.toDisplay(9), qsizetype(10));  // "44" starts the second line
        QCOMPARE(map.toText(9), qsizetype(9));      // the soft break stands for nothing
        QCOMPARE(map.toText(10), qsizetype(9));

        // A word longer than a line is cut where the line ends; one blank may hang.
        map.reset(QString());
        const QString word = QString(30, 'W') + " x";
        QCOMPARE(map.reset(word), QString(10, 'W') + kSeparator + QString(10, 'W') + kSeparator
                     + QString(10, 'W') + " " + kSeparator + "x");
    }

    void mapCountsWideCharactersAndKeepsSurrogatePairs()
    {
        PaneBlockMap map;
        map.setWidths({1, 2, 8, 10});
        const QString chinese = QString::fromUtf8("中文字符接收区");
        QCOMPARE(map.reset(chinese), chinese.left(5) + kSeparator + chinese.mid(5));
        const QString emoji = QString::fromUtf8("😀😀😀😀😀😀");
        const QStringList lines = map.reset(emoji).split(kSeparator);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], emoji.left(10));
        QVERIFY(mapShowsText(map, emoji));
    }

    void mapPositionsAcrossLineBreaks()
    {
        PaneBlockMap map;
        const QString text = "AB\r\nCD\rEF\nGH";
        QCOMPARE(map.reset(text), QString("AB") + kSeparator + "CD" + kSeparator + "EF" + kSeparator + "GH");
        QVERIFY(mapShowsText(map, text));
        QCOMPARE(map.toDisplay(2), qsizetype(2)); // the CR
        QCOMPARE(map.toDisplay(3), qsizetype(2)); // inside CR LF: end of the line
        QCOMPARE(map.toDisplay(4), qsizetype(3)); // C
        QCOMPARE(map.toText(3), qsizetype(4));
        QCOMPARE(map.toText(100), text.size());
        QCOMPARE(map.toDisplay(-3), qsizetype(0));
    }

    void mapEditKeepsOnlyWhatChanged()
    {
        PaneBlockMap map;
        map.setWidths({1, 2, 8, 10});
        const QString text = "41 42 43 44 45 46\r\nOK";
        const QString display = map.reset(text);
        QVERIFY(map.endsSoftly(0));
        // Reported as the whole display replaced, though one character changed.
        QString edited = display;
        edited[1] = u'X';
        const PaneBlockMap::TextSplice splice = map.displayEdited(text, 0, display.size(), edited);
        QCOMPARE(splice.from, qsizetype(1));
        QCOMPARE(splice.to, qsizetype(2));
        QCOMPARE(splice.text, QString("X"));
        QVERIFY(map.endsSoftly(0)); // the soft break stayed soft
        QString changed = text;
        changed[1] = u'X';
        QVERIFY(mapShowsText(map, changed));

        // A separator typed in the display is a CR LF in the text.
        const PaneBlockMap::TextSplice enter = map.displayEdited(changed, 3, 0, QString(kSeparator));
        QCOMPARE(enter.text, QString("\r\n"));
        changed.insert(3, "\r\n");
        QVERIFY(mapShowsText(map, changed));
    }
};

QTEST_MAIN(ReceivePaneTest)
#include "tst_receivepane.moc"
