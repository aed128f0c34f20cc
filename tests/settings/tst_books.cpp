// SPDX-License-Identifier: GPL-3.0-or-later
// The phone book and the parameter book edited through the pop-up menu of
// their labels, on the main window with scripted input boxes.

#include "WindowRig.h"
#include "settings/Books.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

class BooksTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowRig> rig;

    // The mouse moves over a widget as the user's does: the move goes on to
    // the parents while no widget takes it.
    void moveOver(const QString &name) const
    {
        QWidget *w = rig->control<QWidget>(name.toUtf8());
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    QString look(const char *label) const
    {
        const QWidget *w = rig->control<QWidget>(label);
        return w->palette().color(QPalette::WindowText).name() + w->toolTip();
    }
    Books::Book active() const { return rig->window->books().activeBook(); }

private slots:
    void init()
    {
        rig = std::make_unique<WindowRig>();
        rig->build();
    }
    void cleanup() { rig.reset(); }

    void hoverMarksTheLabelAndItsBook()
    {
        QCOMPARE(look("Lref") + look("Ltel"), QString("#000000 添加临时通讯参数 #000000 添加临时电话簿 "));
        QCOMPARE(active(), Books::Book::None);
        moveOver("Lref");
        QCOMPARE(look("Lref"), QString("#ff0000 可编辑参数簿 "));
        QCOMPARE(active(), Books::Book::Parameters);
        moveOver("Ltel");
        QCOMPARE(look("Ltel"), QString("#ff0000 可编辑电话簿 "));
        QCOMPARE(active(), Books::Book::Phones);
        // Over the frame around them both turn black again; the book stays.
        moveOver("portFrame");
        QCOMPARE(look("Lref") + look("Ltel"), QString("#000000 可编辑参数簿 #000000 可编辑电话簿 "));
        QCOMPARE(active(), Books::Book::Phones);

        // Any button released over a label opens the pop-up for its book.
        QMenu *bianji = rig->window->books().bianji();
        QTest::mouseRelease(rig->control<QWidget>("Lref"), Qt::RightButton);
        QVERIFY(bianji->isVisible());
        QCOMPARE(active(), Books::Book::Parameters);
        QStringList items;
        for (QAction *item : bianji->actions())
            items << item->objectName() + ':' + item->text();
        QCOMPARE(items, (QStringList{"Madd:添加", "Mdel:删除", "Mqingchu:清除"}));
    }

    void addLoops_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("defaults");
        // The parameter book holds its design entry and offers the port's
        // settings; blanks end the loop.
        QTest::newRow("parameters") << "Lref" << QStringList{"4800,n,8,1", "19200,e,7,1", "   "}
                                    << QStringList{"9600,n,8,1", "9600,n,8,1", "9600,n,8,1"};
        // In the phone book only an empty answer ends it.
        QTest::newRow("phones") << "Ltel" << QStringList{"777", "0755-123", "   ", ""}
                                << QStringList{"777", "778", "756", "1"};
    }
    void addLoops()
    {
        QFETCH(QString, label);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, defaults);
        const bool parameters = label == "Lref";
        const char *box = parameters ? "text4" : "numtext";
        const QStringList before = rig->entries(box);
        const QString shown = rig->control<QComboBox>(box)->currentText();
        rig->dialogs.inputs << typed;
        moveOver(label);
        rig->control<QAction>("Madd")->trigger();

        const QStringList added = parameters ? typed.mid(0, 2) : typed.mid(0, 3);
        QCOMPARE(rig->entries(box), before + added);
        QCOMPARE(rig->control<QComboBox>(box)->currentText(), shown);
        QCOMPARE(rig->dialogs.shown.size(), typed.size());
        const QString prompt = parameters
            ? "             *** 编辑参数簿 ***   \r\n\r\n\r\n已有 %1 种参数.\r\n\r\n设输入通讯参数："
            : "             *** 编辑号码簿 ***   \r\n\r\n\r\n已有 %1 个号码.\r\n\r\n设输入电话号码：";
        for (int i = 0; i < typed.size(); ++i) {
            const ShownDialog &d = rig->dialogs.shown[i];
            QCOMPARE(d.text + d.title + d.defaultText, prompt.arg(before.size() + i) + "设置" + defaults[i]);
        }
    }

    void deleteAndClearActOnTheActiveBook_data()
    {
        QTest::addColumn<QStringList>("hovered"); // the labels the mouse went over, in order
        QTest::addColumn<QString>("releasedOver");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<QStringList>("phones");
        const QStringList abc{"A", "B", "C"}, ab{"A", "B"};
        QTest::newRow("delete parameters") << QStringList{"Lref"} << "" << "Mdel" << ab << abc;
        QTest::newRow("clear phones") << QStringList{"Ltel"} << "" << "Mqingchu" << abc << QStringList{};
        QTest::newRow("last hovered") << QStringList{"Ltel", "Lref"} << "" << "Mqingchu" << QStringList{} << abc;
        QTest::newRow("pop-up over phones") << QStringList{"Lref"} << "Ltel" << "Mdel" << abc << ab;
        QTest::newRow("no book yet") << QStringList{} << "" << "Mqingchu" << abc << abc;
    }
    void deleteAndClearActOnTheActiveBook()
    {
        QFETCH(QStringList, hovered);
        QFETCH(QString, releasedOver);
        QFETCH(QString, item);
        QFETCH(QStringList, parameters);
        QFETCH(QStringList, phones);
        for (const char *name : {"text4", "numtext"}) {
            QComboBox *box = rig->control<QComboBox>(name);
            box->clear();
            box->addItems({"A", "B", "C"});
            box->setCurrentIndex(2);
        }
        for (const QString &name : hovered)
            moveOver(name);
        if (!releasedOver.isEmpty())
            QTest::mouseRelease(rig->control<QWidget>(releasedOver.toUtf8()), Qt::LeftButton);
        rig->control<QAction>(item.toUtf8())->trigger();

        QCOMPARE(rig->entries("text4"), parameters);
        QCOMPARE(rig->entries("numtext"), phones);
        // The boxes go on showing their current values.
        QCOMPARE(rig->control<QComboBox>("text4")->currentText() + rig->control<QComboBox>("numtext")->currentText(),
                 QString("CC"));
        // Deleting from an empty book changes nothing and says nothing.
        rig->control<QComboBox>("numtext")->clear();
        moveOver("Ltel");
        rig->control<QAction>("Mdel")->trigger();
        QVERIFY(rig->entries("numtext").isEmpty());
        QVERIFY(rig->dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(BooksTest)
#include "tst_books.moc"
