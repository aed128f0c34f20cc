// SPDX-License-Identifier: GPL-3.0-or-later
// Keyword highlighting: the keyword window driven as its user drives it, the
// colouring rule on the Part's cases, and the incremental colouring against
// a full scan of the final text.

#include "WindowRig.h"
#include "desktop/KeywordHighlighting.h"
#include "desktop/KeywordWindow.h"
#include "terminal/KeywordHighlighter.h"
#include "terminal/FormatSwitch.h"
#include "terminal/SendPath.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QToolButton>

namespace {

const QColor kColours[3] = {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue)};

// The colouring as text: per character '.' for none, else the keyword's number.
// A note's colour, shown as 4 by ColouringOf.
const QColor kNoteColour(0, 0, 139);

QString ColouringOf(const TextPane &pane)
{
    QString out;
    for (qsizetype i = 0; i < pane.length(); ++i) {
        const QColor c = pane.colourAt(i);
        out += !c.isValid() ? u'.' : QChar(u'1' + int(std::find(kColours, kColours + 3, c) - kColours));
    }
    return out;
}

// The rule stated plainly: each keyword in turn over the whole text, each
// search one character after the last match's end, the last colour winning.
std::vector<int> FullScan(const QString &text, const std::vector<QString> &keywords)
{
    std::vector<int> colours(text.size(), 0);
    for (size_t k = 0; k < keywords.size(); ++k) {
        const QString &key = keywords[k];
        if (key.isEmpty())
            continue;
        for (qsizetype at = text.indexOf(key, 0, Qt::CaseInsensitive); at >= 0;
             at = text.indexOf(key, at + key.size() + 1, Qt::CaseInsensitive))
            std::fill(colours.begin() + at, colours.begin() + at + key.size(), int(k) + 1);
    }
    return colours;
}

} // namespace

class KeywordsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowRig> rig;

    MainWindow &window() { return *rig->window; }
    TextPane &pane() { return *window().receivePath().Text2(); }
    KeywordWindow *keyWindow() { return window().keywords().window(); }
    void openKeywordWindow() { window().menuItem("msetkey")->trigger(); }
    template <typename T>
    T *inWindow(const char *name, int index)
    {
        for (T *w : keyWindow()->findChildren<T *>(QString::fromUtf8(name)))
            if (w->property("index").toInt() == index)
                return w;
        qFatal("no %s %d", name, index);
    }
    // Fills row k with the boxes given, ticks it as asked and picks its colour
    // through the colour button.
    void enterKeyword(int k, const QStringList &boxes, bool ticked = true)
    {
        for (int b = 0; b < 5; ++b)
            inWindow<QLineEdit>("Text1", 5 * k + b)->setText(b < boxes.size() ? boxes[b] : QString());
        rig->dialogs.colors.enqueue(kColours[k]);
        inWindow<QToolButton>("DlgCOL", k)->click();
        inWindow<QCheckBox>("Check1", k)->setChecked(ticked);
    }

private slots:
    void init()
    {
        rig = std::make_unique<WindowRig>();
        rig->buildReceiving(DataFormat::String);
    }
    void cleanup() { rig.reset(); }

    void colouringRule_data()
    {
        // The pane's text: data, then a note (a shown send, a time stamp), then
        // data again, and so on.
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("ticks"); // per row: 'x' ticked, '-' not
        QTest::addColumn<QString>("expected");
        QTest::newRow("worked example") << QStringList{"68 65 55 AA 01 55 AA "} << QList<QStringList>{{"55", "aa"}} << "x"
                                        << "......11111....11111.";
        QTest::newRow("letters without case") << QStringList{"aa AA aA "} << QList<QStringList>{{"Aa"}} << "x" << "11.11.11.";
        QTest::newRow("inside words, one after each match") << QStringList{"15 55 5"} << QList<QStringList>{{"5"}} << "x"
                                                            << ".1.1..1";
        QTest::newRow("ABAB finds the first only") << QStringList{"ABAB"} << QList<QStringList>{{"AB"}} << "x" << "11..";
        QTest::newRow("the later keyword wins")
            << QStringList{"01 55 AA 55 "} << QList<QStringList>{{"55", "AA"}, {"55"}, {"AA", "5"}} << "xxx" << "...22133332.";
        QTest::newRow("match at the first character") << QStringList{"AA 01"} << QList<QStringList>{{"aa"}} << "x" << "11...";
        QTest::newRow("empty boxes, unticked row")
            << QStringList{"AA BB"} << QList<QStringList>{{}, {"AA"}, {"BB"}} << "x-x" << "...33";
        QTest::newRow("notes are no data")
            << QStringList{"55 ", "→ 55 \r\n", "55 ", "\r\n[12:55:01.055] ", "55"} << QList<QStringList>{{"55"}}
            << "x" << "11.444444411.4444444444444444411";
    }
    void colouringRule()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, ticks);
        QFETCH(QString, expected);
        pane().setText(QString());
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (i % 2)
                pane().appendNote(pieces[i], kNoteColour);
            else
                pane().append(pieces[i]);
        }
        openKeywordWindow();
        for (int k = 0; k < rows.size(); ++k)
            enterKeyword(k, rows[k], ticks[k] == u'x');
        rig->click("Bok");
        QVERIFY(!keyWindow()->isVisible());
        QCOMPARE(ColouringOf(pane()), expected);
        QVERIFY(window().keywords().KeyTimer()->isActive());
    }

    // The timer colours what arrives while the counter moves; a cleared pane
    // starts over; no keyword ticked switches the timer off.
    void timerColoursArrivingData()
    {
        openKeywordWindow();
        enterKeyword(0, {"55", "AA"});
        rig->click("Bok");
        rig->receive("01 55 A");
        QCOMPARE(ColouringOf(pane()), ".......");
        rig->clock.advance(KeywordHighlighting::kIntervalMs);
        rig->receive("A 02 55 AA");
        rig->clock.advance(KeywordHighlighting::kIntervalMs);
        QCOMPARE(ColouringOf(pane()), "...11111....11111");
        rig->click("Command4");
        rig->receive("55 AA");
        rig->clock.advance(KeywordHighlighting::kIntervalMs);
        QCOMPARE(ColouringOf(pane()), "11111");

        openKeywordWindow();
        inWindow<QCheckBox>("Check1", 0)->setChecked(false);
        rig->click("Bok");
        QVERIFY(!window().keywords().KeyTimer()->isActive());
    }

    // Reopening shows the accepted boxes (or a keyword of unequal pieces
    // whole in Byte1); a colour for an unticked row ticks it; Cancel keeps
    // the keywords but not the background colour chosen meanwhile; a second
    // opening while open does nothing.
    void windowKeepsWhatWasAccepted()
    {
        openKeywordWindow();
        enterKeyword(0, {" 55", "aa", "01 "});
        enterKeyword(1, {"1", "22", "3"});
        rig->click("Bok");
        const Keywords stored = window().keywords().keywords();
        QCOMPARE(stored[0].Text, "55 aa 01");
        QCOMPARE(stored[0].PieceWidth, 2);
        QCOMPARE(stored[1].Text, "1 22 3");

        openKeywordWindow();
        QWidget *opened = keyWindow();
        openKeywordWindow();
        QCOMPARE(keyWindow(), opened);
        QCOMPARE(inWindow<QLineEdit>("Text1", 0)->text(), "55");
        QCOMPARE(inWindow<QLineEdit>("Text1", 1)->text(), "aa");
        QCOMPARE(inWindow<QLineEdit>("Text1", 2)->text(), "01");
        QCOMPARE(inWindow<QLineEdit>("Text1", 5)->text(), "1 22 3");
        QCOMPARE(inWindow<QLineEdit>("Text1", 6)->text(), "");

        inWindow<QCheckBox>("Check1", 2)->setChecked(false);
        inWindow<QLineEdit>("Text1", 10)->setText("FF");
        rig->dialogs.colors.enqueue(std::nullopt);
        QTest::mouseDClick(inWindow<QLineEdit>("Text1", 10), Qt::LeftButton);
        QVERIFY(inWindow<QCheckBox>("Check1", 2)->isChecked());
        rig->dialogs.colors.enqueue(QColor(Qt::yellow));
        keyWindow()->findChild<QToolButton *>("ColorText2")->click();
        rig->click("Cancel");
        QCOMPARE(pane().backColor(), QColor(Qt::yellow));
        QCOMPARE(window().keywords().keywords()[2].Text, QString());
        QCOMPARE(window().keywords().keywords()[0].Text, stored[0].Text);
    }

    // Random streams cut at random points colour exactly as one full scan of
    // the final text does.
    void incrementalEqualsFullScan()
    {
        QRandomGenerator random(11);
        const QString alphabet = QStringLiteral("AB5 a");
        const auto randomText = [&](int length) {
            QString s;
            for (int i = 0; i < length; ++i)
                s += alphabet[random.bounded(int(alphabet.size()))];
            return s;
        };
        for (int round = 0; round < 300; ++round) {
            Keywords keywords;
            std::vector<QString> texts;
            for (int k = 0; k < 3; ++k) {
                keywords[k].Enabled = random.bounded(4) != 0;
                keywords[k].Text = TrimBlanks(randomText(1 + random.bounded(4)));
                keywords[k].Color = kColours[k];
                texts.push_back(keywords[k].Enabled ? keywords[k].Text : QString());
            }
            KeywordHighlighter highlighter;
            highlighter.setKeywords(keywords);
            QString text;
            std::vector<int> colours;
            for (int step = random.bounded(1, 12); step > 0; --step) {
                text += randomText(random.bounded(0, 9));
                colours.resize(text.size(), 0);
                for (const PaneColours::Run &r : highlighter.run(text))
                    std::fill(colours.begin() + r.from, colours.begin() + r.to,
                              int(std::find(kColours, kColours + 3, r.colour) - kColours) + 1);
            }
            QCOMPARE(colours, FullScan(text, texts));
        }
    }
};

QTEST_MAIN(KeywordsTest)
#include "tst_keywords.moc"
