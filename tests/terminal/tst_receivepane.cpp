// SPDX-License-Identifier: GPL-3.0-or-later
// The receive pane and the text pane under it: text, selection, search,
// colours, file and events; the lines it lays the text out in, the colour
// runs, and positions past 2^31.

#include "terminal/PaneColours.h"
#include "terminal/PaneLines.h"
#include "terminal/ReceivePane.h"

#include <QAccessible>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

namespace {

bool isBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// The pane's lines must show exactly its text: each line's characters in
// order, every CR LF, CR or LF ending a line (and belonging to it), and a
// line that ends softly is never empty and ends in no line break.
bool linesShowText(const TextPane &pane)
{
    const QString &text = pane.text();
    const PaneHistory &lines = pane.history();
    qsizetype at = 0;
    for (qsizetype i = 0; i < lines.count(); ++i) {
        const PaneLines::Line line = lines.line(i);
        if (line.start != at || line.contentEnd < line.start || line.end < line.contentEnd)
            return false;
        const QString content = text.mid(line.start, line.contentEnd - line.start);
        const QString end = text.mid(line.contentEnd, line.end - line.contentEnd);
        if (content.contains(u'\r') || content.contains(u'\n'))
            return false;
        const bool last = i + 1 == lines.count();
        if (end.isEmpty() ? (!last && content.isEmpty()) : (end != "\r\n" && end != "\r" && end != "\n"))
            return false;
        at = line.end;
    }
    return at == text.size();
}

std::vector<qsizetype> lineStarts(const TextPane &pane)
{
    std::vector<qsizetype> starts;
    for (qsizetype i = 0; i < pane.history().count(); ++i)
        starts.push_back(pane.history().startOf(i));
    return starts;
}

QString hexText(int bytes)
{
    QString text;
    for (int i = 0; i < bytes; ++i)
        text += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

QTimer *rewrapTimer(TextPane &pane)
{
    return pane.findChild<QTimer *>(QStringLiteral("rewrapTimer"));
}

bool showAndSettle(TextPane &pane, int width, int height)
{
    pane.resize(width, height);
    pane.show();
    if (!QTest::qWaitForWindowExposed(&pane))
        return false;
    return QTest::qWaitFor([&] { return !rewrapTimer(pane)->isActive(); });
}

// Every line in view fits the view's width as the font draws it (a blank at
// its end may hang past it, as in word wrapping).
void verifyLinesInViewFit(TextPane &pane)
{
    const qreal room = pane.viewport()->width() - 2 * 4;
    int checked = 0;
    for (qsizetype i = pane.topLine(); i < pane.history().count() && checked < pane.linesPerPage(); ++i, ++checked) {
        const PaneLines::Line line = pane.history().line(i);
        QString shown = pane.text().mid(line.start, line.contentEnd - line.start);
        if (shown.endsWith(u' '))
            shown.chop(1);
        QTextLayout layout(shown, pane.font());
        QTextOption option;
        option.setTabStopDistance(80);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine laidOut = layout.createLine();
        laidOut.setLineWidth(1e9);
        layout.endLayout();
        QVERIFY2(laidOut.naturalTextWidth() <= room, qPrintable(QStringLiteral("line %1: %2 > %3, %4 wide").arg(i).arg(laidOut.naturalTextWidth()).arg(room).arg(pane.history().lineWidth() / 64.0)));
    }
    QVERIFY(checked >= 3);
}

// A press at one position, a drag to another and a release, as a mouse does.
void dragSelect(TextPane &pane, qsizetype from, qsizetype to)
{
    QWidget *viewport = pane.viewport();
    const QPoint start = pane.cursorRect(from).center();
    const QPoint end = pane.cursorRect(to).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, end, viewport->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, end);
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
            QVERIFY(linesShowText(pane));
        }
        // Appending lays out what writing the whole text at once does.
        const std::vector<qsizetype> appended = lineStarts(pane);
        pane.setText(expected);
        QVERIFY(lineStarts(pane) == appended);
        QVERIFY(pane.history().count() > 20);
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
            QVERIFY(linesShowText(pane));
            const std::vector<qsizetype> appended = lineStarts(pane);
            pane.setText(expected);
            QVERIFY(lineStarts(pane) == appended);
        }
    }

    void lineBreakArrivingInTwoPiecesIsOneLine()
    {
        ReceivePane pane;
        pane.append("A\r");
        pane.append("\nB");
        QCOMPARE(pane.text(), QString("A\r\nB"));
        QCOMPARE(pane.history().count(), qsizetype(2));
        QCOMPARE(pane.history().startOf(1), qsizetype(3));
        pane.append("\r");
        pane.append("C");
        pane.append("\n");
        QCOMPARE(pane.text(), QString("A\r\nB\rC\n"));
        QCOMPARE(lineStarts(pane), (std::vector<qsizetype>{0, 3, 5, 7}));
        QVERIFY(linesShowText(pane));
    }

    void structureCharactersAreShownButKept()
    {
        ReceivePane pane;
        const QString odd = QString("a") + QChar(QChar::ParagraphSeparator) + QChar(QChar::LineSeparator)
            + QChar(0xFDD0) + QChar(0) + "b";
        pane.append(odd);
        QCOMPARE(pane.text(), odd);
        QCOMPARE(pane.history().count(), qsizetype(1));
        pane.setSelStart(1);
        pane.setSelLength(4);
        QCOMPARE(pane.selText(), odd.mid(1, 4));
    }

    void selectionRoundTrips_data()
    {
        QTest::addColumn<qsizetype>("start");
        QTest::addColumn<qsizetype>("length");
        // Text: 300 hex bytes (900 characters, many lines), CR LF, "OK", LF, "END".
        QTest::newRow("caret at 0") << qsizetype(0) << qsizetype(0);
        QTest::newRow("across lines") << qsizetype(100) << qsizetype(500);
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

    // Copy, drag and the accessibility text give the text exactly: a line
    // that ends on screen because it is full adds no line break.
    void copyDragAndAccessibilityGiveExactlyTheText()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 400, 300));
        const QString text = hexText(1000) + "\r\nOK\r\n" + hexText(20);
        pane.setText(text);
        QVERIFY(pane.history().count() > 50);

        // Selected with the mouse from inside the first line to the third, then
        // with the keyboard to the end.
        pane.setSelStart(0);
        dragSelect(pane, 4, pane.history().startOf(2) + 5);
        QCOMPARE(pane.selText(), text.mid(4, pane.history().startOf(2) + 1));
        QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pane.selText(), text.mid(4));
        QTest::keyClick(&pane, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), text.mid(4));
        QCOMPARE(QGuiApplication::clipboard()->text().size(), text.size() - 4);

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&pane);
        QVERIFY(accessible && accessible->textInterface());
        QCOMPARE(accessible->text(QAccessible::Value), text);
        QCOMPARE(accessible->textInterface()->characterCount(), int(text.size()));
        QCOMPARE(accessible->textInterface()->text(0, int(text.size())), text);
        int from = -1, to = -1;
        accessible->textInterface()->selection(0, &from, &to);
        QCOMPARE(text.mid(from, to - from), text.mid(4));
    }

    // Each character's text and background colour reach assistive
    // technology, for the run of one colour around it: in AT-SPI's names and
    // in those Qt's bridge to AT-SPI translates.
    void accessibleAttributesGiveTheColours_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("text"); // R,G,B; empty for the pane's own
        // "55 AA 01 55 AA": "AA" at 3 red, "55 AA" at 9 blue.
        QTest::newRow("before the first colour") << 0 << 0 << 3 << QString();
        QTest::newRow("keyword") << 4 << 3 << 5 << "255,0,0";
        QTest::newRow("between") << 7 << 5 << 9 << QString();
        QTest::newRow("last keyword") << 9 << 9 << 14 << "0,128,255";
        QTest::newRow("the end, where the caret is") << 14 << 9 << 14 << "0,128,255";
    }
    void accessibleAttributesGiveTheColours()
    {
        QFETCH(int, offset);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, text);
        ReceivePane pane;
        pane.setText("55 AA 01 55 AA");
        pane.colourRange(3, 5, QColor(255, 0, 0));
        pane.colourRange(9, 14, QColor(0, 128, 255));
        pane.setBackColor(QColor(255, 255, 192));
        if (text.isEmpty()) {
            const QColor own = pane.palette().color(QPalette::Text);
            text = QStringLiteral("%1,%2,%3").arg(own.red()).arg(own.green()).arg(own.blue());
        }

        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&pane);
        QVERIFY(accessible && accessible->textInterface());
        int start = -1, end = -1;
        const QString joined = accessible->textInterface()->attributes(offset, &start, &end);
        QMap<QString, QString> attributes;
        for (const QString &attribute : joined.split(u';', Qt::SkipEmptyParts))
            attributes.insert(attribute.section(u':', 0, 0), attribute.section(u':', 1));
        QCOMPARE(start, from);
        QCOMPARE(end, to);
        QCOMPARE(attributes.value("fg-color"), text);
        QCOMPARE(attributes.value("bg-color"), QString("255,255,192"));
        QCOMPARE(attributes.value("color"), "rgb(" + text + ")");
        QCOMPARE(attributes.value("background-color"), QString("rgb(255,255,192)"));
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
        const qsizetype from = 200, to = 920; // across soft line ends and both CR LFs
        pane.setSelStart(from);
        pane.setSelLength(to - from);
        pane.setSelColor(Qt::red);
        pane.setSelStart(10);
        pane.setSelLength(3);
        pane.setSelColor(QColor(0, 0, 255));

        for (qsizetype i = 0; i < text.size(); ++i) {
            QColor expected;
            if (i >= 10 && i < 13)
                expected = QColor(0, 0, 255);
            else if (i >= from && i < to)
                expected = QColor(Qt::red);
            QVERIFY2(isBreak(text[i]) || pane.colourAt(i) == expected, qPrintable(QString::number(i)));
        }

        // Appending keeps the colours and does not colour what it adds,
        // even after a coloured last character.
        pane.setSelStart(text.size() - 1);
        pane.setSelLength(1);
        pane.setSelColor(Qt::green);
        pane.append(hexText(200));
        QCOMPARE(pane.colourAt(from), QColor(Qt::red));
        QCOMPARE(pane.colourAt(text.size() - 1), QColor(Qt::green));
        for (qsizetype i = text.size(); i < pane.length(); ++i)
            QVERIFY(!pane.colourAt(i).isValid());

        // Writing the text removes all colouring.
        pane.setText(pane.text());
        for (qsizetype i = 0; i < pane.length(); ++i)
            QVERIFY(!pane.colourAt(i).isValid());
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
        QTest::keyClick(&pane, Qt::Key_X);
        QCOMPARE(changed.count(), 5);
        QCOMPARE(pane.text(), QString("axdef"));

        // A handler may rewrite the pane, also after the user typed (as the
        // automatic save does when the pane grows too long).
        connect(&pane, &ReceivePane::changed, this, [&pane] {
            if (pane.text().contains('!'))
                pane.setText(QStringLiteral("saved\r\n"));
        });
        QTest::keyClick(&pane, Qt::Key_Exclam, Qt::ShiftModifier);
        QCOMPARE(pane.text(), QString("saved\r\n"));
        QCOMPARE(pane.history().count(), qsizetype(2));
        pane.append("more");
        QCOMPARE(pane.text(), QString("saved\r\nmore"));
        QVERIFY(linesShowText(pane));
    }

    void readOnlyBlocksTypingButNotTheProgram()
    {
        ReceivePane pane;
        pane.setText("data");
        pane.setReadOnlyForUser(true);
        QVERIFY(pane.isReadOnlyForUser());
        QTest::keyClicks(&pane, "xyz");
        QTest::keyClick(&pane, Qt::Key_Backspace);
        QTest::keyClick(&pane, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(pane.text(), QString("data"));
        pane.append(" more");
        QCOMPARE(pane.text(), QString("data more"));
        pane.setText("new");
        QCOMPARE(pane.text(), QString("new"));

        pane.setReadOnlyForUser(false);
        pane.setSelStart(3);
        QTest::keyClicks(&pane, "er");
        QCOMPARE(pane.text(), QString("newer"));
    }

    void typingEditsTheText()
    {
        ReceivePane pane;
        QString text = hexText(100) + "\r\nOK";
        pane.setText(text);
        // A blank and its byte in the middle of the first line.
        pane.setSelStart(6);
        QTest::keyClicks(&pane, "x");
        text.insert(6, "x");
        QCOMPARE(pane.text(), text);
        // Enter makes a CR LF.
        QTest::keyClick(&pane, Qt::Key_Return);
        text.insert(7, "\r\n");
        QCOMPARE(pane.text(), text);
        QVERIFY(linesShowText(pane));

        // Backspace at the start of a line after a soft end deletes the
        // character before it; Delete at the end of one deletes the next.
        qsizetype at = pane.history().startOf(2);
        pane.setSelStart(at);
        QTest::keyClick(&pane, Qt::Key_Backspace);
        text.remove(at - 1, 1);
        QCOMPARE(pane.text(), text);
        at = pane.history().line(2).contentEnd;
        pane.setSelStart(at);
        QTest::keyClick(&pane, Qt::Key_Delete);
        text.remove(at, 1);
        QCOMPARE(pane.text(), text);
        QVERIFY(linesShowText(pane));

        // The arrows cross a CR LF in one step.
        pane.setSelStart(text.indexOf("\r\nOK"));
        QTest::keyClick(&pane, Qt::Key_Right);
        QCOMPARE(pane.selStart(), text.indexOf("OK"));
        QTest::keyClick(&pane, Qt::Key_Left);
        QCOMPARE(pane.selStart(), text.indexOf("\r\nOK"));

        // Typing over a selection across the last line break.
        pane.setSelStart(text.size() - 5);
        pane.setSelLength(4);
        QTest::keyClicks(&pane, "#");
        text.replace(text.size() - 5, 4, "#");
        QCOMPARE(pane.text(), text);
        QVERIFY(linesShowText(pane));

        // Appending after the user's edits carries on from the right place.
        pane.append("\n" + hexText(100));
        text += "\n" + hexText(100);
        QCOMPARE(pane.text(), text);
        QVERIFY(linesShowText(pane));
        const std::vector<qsizetype> edited = lineStarts(pane);
        pane.setText(text);
        QVERIFY(lineStarts(pane) == edited);
    }

    // Data arriving while the user works in the pane leaves the selection,
    // the caret and what is typed where they were.
    void appendWhileTheUserSelectsOrTypes()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 500, 200));
        QString text = hexText(3000);
        pane.setText(text);
        QScrollBar *bar = pane.verticalScrollBar();

        // A selection made with the mouse.
        pane.setSelStart(0);
        dragSelect(pane, 3, 30);
        const int value = bar->value();
        pane.append(hexText(50));
        text += hexText(50);
        QCOMPARE(pane.selStart(), qsizetype(3));
        QCOMPARE(pane.selLength(), qsizetype(27));
        QCOMPARE(bar->value(), value);

        // Typing in the middle, with data arriving between the keys.
        pane.setSelStart(9);
        for (QChar c : QString("ABC")) {
            QTest::keyClick(&pane, c.toLatin1());
            pane.append(hexText(20));
            text += hexText(20);
        }
        text.insert(9, "ABC");
        QCOMPARE(pane.text(), text);
        QCOMPARE(pane.selStart(), qsizetype(12));
        QVERIFY(linesShowText(pane));

        // Typing at the end: the caret follows the data, so typing goes on
        // after what arrived.
        pane.setSelStart(pane.length());
        QTest::keyClick(&pane, 'Z');
        pane.append("41 ");
        QTest::keyClick(&pane, 'Y');
        QVERIFY(pane.text().endsWith("Z41 Y"));
        QCOMPARE(bar->value(), bar->maximum());
    }

    void caretAtTheLengthGoesToTheEndAndScrolls()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 500, 200));
        pane.setText(hexText(3000));
        QScrollBar *bar = pane.verticalScrollBar();
        pane.setSelStart(0);
        QCOMPARE(bar->value(), 0);
        QVERIFY(bar->maximum() > 10);
        pane.setSelStart(pane.text().size());
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(pane.selStart(), pane.text().size());
        QCOMPARE(pane.selLength(), qsizetype(0));
    }

    void appendFollowsTheEndWhenItShould()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 500, 200));
        QScrollBar *bar = pane.verticalScrollBar();
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
        pane.setReadOnlyForUser(true); // no caret blinking
        QVERIFY(showAndSettle(pane, 500, 200));
        QTest::qWait(50);
        int paints = 0;
        struct PaintCounter : QObject
        {
            int &count;
            explicit PaintCounter(int &c) : count(c) {}
            bool eventFilter(QObject *, QEvent *event) override
            {
                count += event->type() == QEvent::Paint;
                return false;
            }
        } counter(paints);
        pane.viewport()->installEventFilter(&counter);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 20; ++i) {
            pane.append("41 ");
            QCoreApplication::processEvents();
        }
        const qint64 frames = clock.elapsed() / 16 + 2;
        QTest::qWait(100);
        QVERIFY(paints >= 1);
        QVERIFY(paints <= frames);
        QCOMPARE(pane.text(), QString("41 ").repeated(20));
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
            QVERIFY(pane.history().count() > 20);
            for (qsizetype start : lineStarts(pane))
                QCOMPARE(start % 3, qsizetype(0));
            pane.setSelStart(0);
            verifyLinesInViewFit(pane);
        }

        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 420, 300));
        pane.setText(QString::fromUtf8("中文字符与ASCII混合，").repeated(100));
        verifyLinesInViewFit(pane);
        pane.setText(QString("\t0123456789").repeated(100));
        verifyLinesInViewFit(pane);
        pane.setText(QString("WWWWiiii").repeated(100));
        verifyLinesInViewFit(pane);
    }

    void resizeRewrapsA10MbPaneKeepingColoursSelectionAndView()
    {
        ReceivePane pane;
        pane.setResidentLimit(0); // all in memory, where a rewrap reaches
        QVERIFY(showAndSettle(pane, 600, 300));
        const QString text = hexText(256).repeated(3'400'000 / 256) + "\r\nOK";
        pane.setText(text);
        pane.setSelStart(100);
        pane.setSelLength(400);
        pane.setSelColor(Qt::red);
        pane.select(5'000'000, 30);
        const qsizetype lines = pane.history().count();
        const qsizetype shown = pane.history().startOf(pane.topLine());

        pane.resize(300, 300);
        QTRY_VERIFY(pane.history().count() > lines);
        QTRY_VERIFY(!rewrapTimer(pane)->isActive());
        QCOMPARE(pane.text(), text);
        QVERIFY(linesShowText(pane));
        QCOMPARE(pane.colourAt(99), QColor());
        QCOMPARE(pane.colourAt(100), QColor(Qt::red));
        QCOMPARE(pane.colourAt(499), QColor(Qt::red));
        QCOMPARE(pane.colourAt(500), QColor());
        QCOMPARE(pane.selStart(), qsizetype(5'000'000));
        QCOMPARE(pane.selLength(), qsizetype(30));
        // What was at the top stays in view.
        const PaneLines::Line top = pane.history().line(pane.topLine());
        QVERIFY(top.start <= shown && shown < top.end);
        verifyLinesInViewFit(pane);
    }

    void mouseSignalsAndSelection()
    {
        ReceivePane pane;
        QVERIFY(showAndSettle(pane, 500, 200));
        pane.setText("41 42 43 44 45 46");
        QSignalSpy doubleClicked(&pane, &ReceivePane::doubleClicked);
        QString selectedAtRelease;
        connect(&pane, &ReceivePane::mouseReleased, this, [&] { selectedAtRelease = pane.selText(); });
        dragSelect(pane, 0, 8);
        QCOMPARE(selectedAtRelease, QString("41 42 43"));

        QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, pane.cursorRect(10).center());
        QCOMPARE(doubleClicked.count(), 1);
        QCOMPARE(pane.selText(), QString("44"));
    }

    void backColourAndFocus()
    {
        ReceivePane pane;
        pane.setBackColor(QColor(255, 255, 0));
        QCOMPARE(pane.backColor(), QColor(255, 255, 0));
        QVERIFY(showAndSettle(pane, 300, 100));
        pane.setFocus();
        QCOMPARE(pane.window()->focusWidget(), &pane);
    }

    // The lines on their own, one unit per narrow character.

    void linesMoveACutWordToTheNextLine()
    {
        CharWidths widths;
        PaneLines lines(widths);
        lines.setLineWidth(10);
        QString text = "41 42 43 4"; // exactly one line
        lines.wrap(text);
        QCOMPARE(lines.count(), qsizetype(1));
        // The "4" already on the line goes to the next one with the new one.
        text += "4 45 46 47 48 49 50";
        lines.appended(text);
        const auto contents = [&] {
            QStringList out;
            for (qsizetype i = 0; i < lines.count(); ++i) {
                const PaneLines::Line line = lines.line(text, i);
                out << text.mid(line.start, line.contentEnd - line.start);
            }
            return out;
        };
        QCOMPARE(contents(), (QStringList{"41 42 43 ", "44 45 46 ", "47 48 49 ", "50"}));
        QCOMPARE(lines.lineOf(9), qsizetype(1)); // "44" starts the second line
        QCOMPARE(lines.lineOf(8), qsizetype(0));

        // A word longer than a line is cut where the line ends; one blank may hang.
        text = QString(30, 'W') + " x";
        lines.wrap(text);
        QCOMPARE(contents(), (QStringList{QString(10, 'W'), QString(10, 'W'), QString(10, 'W') + " ", "x"}));

        // The next line starts after the last blank within reach of the
        // cut, wherever it stands among the characters looked at.
        lines.setLineWidth(30);
        for (qsizetype blank = 0; blank < 30; ++blank) {
            text = QString(blank, 'a') + ' ' + QString(40, 'b');
            lines.wrap(text);
            const qsizetype expected = blank >= 30 - PaneLines::kLongestCarriedWord ? blank + 1 : 30;
            QVERIFY2(lines.startOf(1) == expected, qPrintable(QString("blank at %1").arg(blank)));
        }
    }

    void linesCountWideCharactersAndKeepSurrogatePairs()
    {
        CharWidths widths;
        PaneLines lines(widths);
        lines.setLineWidth(10);
        const QString chinese = QString::fromUtf8("中文字符接收区");
        lines.wrap(chinese);
        QCOMPARE(lines.count(), qsizetype(2));
        QCOMPARE(lines.startOf(1), qsizetype(5));
        const QString emoji = QString::fromUtf8("😀😀😀😀😀😀");
        lines.wrap(emoji);
        QCOMPARE(lines.count(), qsizetype(2));
        QCOMPARE(lines.startOf(1), qsizetype(10)); // after five pairs, not inside one

        // A two-unit character anywhere among printable ASCII ones (which
        // are passed eight at a time) ends the line one character earlier.
        lines.setLineWidth(20);
        for (const char16_t wide : {u'\x1F', u'\x7F', u'\x80', u'\u4E2D', u'\u8000', u'\uFF01'}) {
            for (qsizetype at = 0; at < 18; ++at) {
                const QString text = QString(at, 'a') + QChar(wide) + QString(30, 'b');
                lines.wrap(text);
                QVERIFY2(lines.startOf(1) == 19, qPrintable(QString("U+%1 at %2").arg(int(wide), 4, 16).arg(at)));
            }
        }

        // Measured widths: each character measured once (printable ASCII
        // at the start).
        int measured = 0;
        CharWidths counted([&measured](char32_t c) {
            ++measured;
            return c == u'W' ? 3 : 1;
        });
        QCOMPARE(measured, 95);
        PaneLines wide(counted);
        wide.setLineWidth(10);
        wide.wrap(u"WWWWii\u4E2D\u4E2D");
        wide.wrap(u"WWWWii\u4E2D\u4E2D");
        QCOMPARE(wide.count(), qsizetype(2));
        QCOMPARE(wide.startOf(1), qsizetype(3));
        QCOMPARE(measured, 96);
    }

    void linePositionsAcrossLineBreaks()
    {
        CharWidths widths;
        PaneLines lines(widths);
        const QString text = "AB\r\nCD\rEF\nGH\n";
        lines.wrap(text);
        QCOMPARE(lines.count(), qsizetype(5));
        const PaneLines::Line first = lines.line(text, 0);
        QCOMPARE(first.contentEnd, qsizetype(2));
        QCOMPARE(first.end, qsizetype(4));
        QCOMPARE(lines.lineOf(2), qsizetype(0)); // the CR
        QCOMPARE(lines.lineOf(3), qsizetype(0)); // inside CR LF
        QCOMPARE(lines.lineOf(4), qsizetype(1)); // C
        QCOMPARE(lines.line(text, 2).end, qsizetype(10));
        QCOMPARE(lines.line(text, 4).start, text.size()); // the empty last line
        QCOMPARE(lines.lineOf(100), qsizetype(4));
        QCOMPARE(lines.lineOf(-3), qsizetype(0));
    }

    // After any edit the lines are those a fresh layout of the new text has,
    // also where a word carried onto a line and cut there before a wide
    // character decided where the line before it ended.
    void linesAfterAnEditAreThoseOfTheNewText()
    {
        CharWidths widths;
        PaneLines lines(widths), fresh(widths);
        const auto verifySameLines = [&](const QString &text, const QString &what) {
            fresh.wrap(text);
            QVERIFY2(lines.count() == fresh.count(), qPrintable(what));
            for (qsizetype i = 0; i < lines.count(); ++i)
                QVERIFY2(lines.startOf(i) == fresh.startOf(i), qPrintable(what));
        };
        // Edits at the far end of what a line's end depends on.
        struct Case
        {
            QString text;
            int width;
            qsizetype linesBefore, from, removed;
        };
        const Case cases[] = {
            // " " | "A1" | "中" at a width of 3; without the 中 one line.
            {QString::fromUtf8(" A1中"), 3, 3, 3, 1},
            // " " | 23 W | "中": the longest word carried over, cut before the 中.
            {" " + QString(23, 'W') + QString::fromUtf8("中"), 24, 3, 24, 1},
            // " " | 23 W and a pair, which did not fit; its lone high half does.
            {" " + QString(23, 'W') + QString::fromUtf8("𠀀"), 25, 2, 25, 1},
        };
        for (const Case &c : cases) {
            lines.setLineWidth(c.width);
            fresh.setLineWidth(c.width);
            QString text = c.text;
            lines.wrap(text);
            QCOMPARE(lines.count(), c.linesBefore);
            text.remove(c.from, c.removed);
            lines.replaced(text, c.from, c.removed, 0);
            verifySameLines(text, c.text);
            if (QTest::currentTestFailed())
                return;
        }

        // Random edits of text in hex, blanks, words of many lengths (also
        // longer than a carried word), Chinese and line breaks.
        const QStringList pieces = {"A", "1", "4F", "41 42 ", " ", "  ", QString(7, 'W'), QString(30, 'W'),
                                    QString::fromUtf8("中"), QString::fromUtf8("接收数据"), QString::fromUtf8("，"),
                                    QString::fromUtf8("𠀀"), "\r\n", "\r", "\n"};
        QRandomGenerator random(12);
        const auto somePieces = [&](int most) {
            QString out;
            for (int n = random.bounded(most + 1); n > 0; --n)
                out += pieces[random.bounded(pieces.size())];
            return out;
        };
        for (int round = 0; round < 300; ++round) {
            const int width = random.bounded(2, 32);
            lines.setLineWidth(width);
            fresh.setLineWidth(width);
            QString text = somePieces(40);
            lines.wrap(text);
            for (int step = 0; step < 40; ++step) {
                const QString before = text;
                const qsizetype from = random.bounded(text.size() + 1);
                // An insert, a delete or a replace, mostly of a few characters.
                const int kind = random.bounded(3);
                const qsizetype rest = text.size() - from;
                const qsizetype most = random.bounded(8) == 0 ? rest : std::min<qsizetype>(rest, 6);
                const qsizetype removed = kind == 0 ? 0 : random.bounded(most + 1);
                const QString added = kind == 1 ? QString() : somePieces(3);
                text.replace(from, removed, added);
                lines.replaced(text, from, removed, added.size());
                verifySameLines(text, QStringLiteral("width %1, \"%2\": %3 characters at %4 replaced by \"%5\"")
                                          .arg(width).arg(before).arg(removed).arg(from).arg(added));
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }

    void colourRunsColourRangesAndMoveWithEdits()
    {
        PaneColours colours;
        colours.colour(10, 20, Qt::red);
        colours.colour(15, 25, Qt::blue);
        colours.colour(30, 31, Qt::green);
        colours.colour(5, 12, QColor()); // back to the pane's own
        QCOMPARE(colours.at(11), QColor());
        QCOMPARE(colours.at(12), QColor(Qt::red));
        QCOMPARE(colours.at(15), QColor(Qt::blue));
        QCOMPARE(colours.at(25), QColor());
        const std::vector<PaneColours::Run> runs = colours.runs(0, 40);
        QCOMPARE(runs.size(), size_t(3));
        QCOMPARE(runs[0].from, qsizetype(12));
        QCOMPARE(runs[0].to, qsizetype(15));
        QCOMPARE(runs[1].to, qsizetype(25));
        QCOMPARE(runs[2].from, qsizetype(30));
        QCOMPARE(colours.runs(13, 14).size(), size_t(1));

        // Two characters typed into the blue run take no colour; what follows moves.
        colours.replaced(20, 0, 2);
        QCOMPARE(colours.at(19), QColor(Qt::blue));
        QCOMPARE(colours.at(20), QColor());
        QCOMPARE(colours.at(22), QColor(Qt::blue));
        QCOMPARE(colours.at(32), QColor(Qt::green));
        QCOMPARE(colours.at(33), QColor());
        // Deleting across runs.
        colours.replaced(14, 10, 0);
        QCOMPARE(colours.at(13), QColor(Qt::red));
        QCOMPARE(colours.at(14), QColor(Qt::blue));
        QCOMPARE(colours.at(17), QColor());
        QCOMPARE(colours.at(22), QColor(Qt::green));
    }

    // Random colourings, merges of many runs and edits agree with one colour
    // kept per character, and the runs come back whole and merged.
    void colourMarksAgreeWithAColourPerCharacter()
    {
        QRandomGenerator random(3);
        const QColor palette[] = {QColor(), QColor(Qt::red), QColor(Qt::blue)};
        for (int round = 0; round < 200; ++round) {
            PaneColours colours;
            std::vector<int> each(60, 0);
            for (int step = 0; step < 12; ++step) {
                const qsizetype a = random.bounded(60), b = random.bounded(60);
                int c = random.bounded(3);
                switch (random.bounded(3)) {
                case 0:
                    colours.colour(std::min(a, b), std::max(a, b), palette[c]);
                    std::fill(each.begin() + std::min(a, b), each.begin() + std::max(a, b), c);
                    break;
                case 1: { // ordered runs at and after a, some touching
                    std::vector<PaneColours::Run> runs;
                    for (qsizetype at = a; at + 3 <= 60; at += random.bounded(3, 8)) {
                        const qsizetype to = at + random.bounded(1, 4);
                        runs.push_back({at, to, palette[c]});
                        std::fill(each.begin() + at, each.begin() + to, c);
                        c = random.bounded(3);
                    }
                    colours.colourAll(runs);
                    break;
                }
                default: { // a few characters from a replaced by as many others, or more, or fewer
                    const qsizetype removed = std::min<qsizetype>(b % 5, 60 - a), added = random.bounded(5);
                    colours.replaced(a, removed, added);
                    each.erase(each.begin() + a, each.begin() + a + removed);
                    each.insert(each.begin() + a, size_t(added), 0);
                    each.resize(std::max<size_t>(each.size(), 60), 0);
                }
                }
                for (qsizetype i = 0; i < 60; ++i)
                    QCOMPARE(colours.at(i), palette[each[size_t(i)]]);
            }
            qsizetype covered = 0;
            const std::vector<PaneColours::Run> runs = colours.runs(0, 60);
            for (size_t r = 0; r < runs.size(); ++r) {
                QVERIFY(r == 0 || runs[r - 1].to < runs[r].from || runs[r - 1].colour != runs[r].colour);
                covered += runs[r].to - runs[r].from;
            }
            QCOMPARE(covered, qsizetype(std::count_if(each.begin(), each.begin() + 60, [](int c) { return c != 0; })));
        }
    }

    // Positions past 2^31 characters (716 MB of hex input) keep working:
    // the arithmetic itself, without filling the memory.
    void positionsPastTwoToThe31()
    {
        const qsizetype big = qsizetype(5) << 30;
        PaneColours colours;
        colours.colour(big, big + 10, Qt::red);
        colours.colour(big + 5, big + 20, Qt::blue);
        QCOMPARE(colours.at(big - 1), QColor());
        QCOMPARE(colours.at(big + 4), QColor(Qt::red));
        QCOMPARE(colours.at(big + 19), QColor(Qt::blue));
        colours.replaced(3, 0, qsizetype(3) << 30);
        QCOMPARE(colours.at(big + (qsizetype(3) << 30) + 4), QColor(Qt::red));
        const std::vector<PaneColours::Run> runs = colours.runs(0, qsizetype(1) << 40);
        QCOMPARE(runs.size(), size_t(2));
        QCOMPARE(runs[1].to, big + (qsizetype(3) << 30) + 20);

        // A scroll bar counts in int: a pane of 2^34 lines takes 17 lines a step.
        const qsizetype lines = qsizetype(1) << 34;
        QCOMPARE(PaneLines::scrollStep(lines - 1, lines), int(((lines - 1)) / 17));
        QCOMPARE(PaneLines::lineOfScrollStep(PaneLines::scrollStep(lines / 2, lines), lines) / 17,
                 (lines / 2) / 17);
        QCOMPARE(PaneLines::scrollStep(1000, 5000), 1000);
        QCOMPARE(PaneLines::lineOfScrollStep(1000, 5000), qsizetype(1000));
        QVERIFY(PaneLines::scrollStep(lines, lines) > 0);
    }
};

QTEST_MAIN(ReceivePaneTest)
#include "tst_receivepane.moc"
