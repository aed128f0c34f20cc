// The phone book and the parameter book edited through the pop-up menu of
// their labels, on the main window with scripted input boxes.

#include "WindowRig.h"
#include "serial/SerialPort.h"
#include "settings/Books.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

namespace {

QStringList entries(const QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

void setEntries(QComboBox *box, const QStringList &list, const QString &shown)
{
    box->clear();
    box->addItems(list);
    box->setEditText(shown);
}

} // namespace

class BooksTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowRig> rig;

    QComboBox *text4() const { return rig->control<QComboBox>("text4"); }
    QComboBox *numtext() const { return rig->control<QComboBox>("numtext"); }
    QWidget *label(const char *name) const { return rig->control<QWidget>(name); }
    // The mouse moves over a widget as the user's does: the move goes to the
    // widget and on to its parents while nobody takes it.
    void moveOver(const char *name) const
    {
        QWidget *w = label(name);
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    QColor textColor(const char *name) const { return label(name)->palette().color(QPalette::WindowText); }
    void choose(const char *item) const { rig->control<QAction>(item)->trigger(); }

private slots:
    void init()
    {
        rig = std::make_unique<WindowRig>();
        rig->build();
    }
    void cleanup() { rig.reset(); }

    void hoverMarksTheLabelAndItsBook()
    {
        QCOMPARE(label("Lref")->toolTip(), QString(" 添加临时通讯参数 "));
        QCOMPARE(label("Ltel")->toolTip(), QString(" 添加临时电话簿 "));
        QCOMPARE(rig->window->books().activeBook(), Books::Book::None);

        moveOver("Lref");
        QCOMPARE(textColor("Lref"), QColor(255, 0, 0));
        QCOMPARE(label("Lref")->toolTip(), QString(" 可编辑参数簿 "));
        QCOMPARE(rig->window->books().activeBook(), Books::Book::Parameters);
        moveOver("Ltel");
        QCOMPARE(textColor("Ltel"), QColor(255, 0, 0));
        QCOMPARE(label("Ltel")->toolTip(), QString(" 可编辑电话簿 "));
        QCOMPARE(rig->window->books().activeBook(), Books::Book::Phones);

        // Over the frame around them, both turn black again; the book stays.
        moveOver("portFrame");
        QCOMPARE(textColor("Lref"), QColor(0, 0, 0));
        QCOMPARE(textColor("Ltel"), QColor(0, 0, 0));
        QCOMPARE(rig->window->books().activeBook(), Books::Book::Phones);

        // Any button released over a label opens the pop-up for its book.
        QMenu *bianji = rig->window->books().bianji();
        QCOMPARE(bianji->objectName(), QString("bianji"));
        QTest::mouseRelease(label("Lref"), Qt::RightButton);
        QVERIFY(bianji->isVisible());
        QCOMPARE(rig->window->books().activeBook(), Books::Book::Parameters);
        bianji->hide();
        QStringList captions;
        for (QAction *item : bianji->actions())
            captions << item->objectName() + ':' + item->text();
        QCOMPARE(captions, (QStringList{"Madd:添加", "Mdel:删除", "Mqingchu:清除"}));
    }

    void addLoops_data()
    {
        QTest::addColumn<QString>("labelName");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("defaults");
        QTest::addColumn<QStringList>("added");
        // The parameter book holds its design entry; blanks end the loop.
        QTest::newRow("parameters") << "Lref" << QStringList{"4800,n,8,1", "19200,e,7,1", "   "}
                                    << QStringList{"9600,n,8,1", "9600,n,8,1", "9600,n,8,1"}
                                    << QStringList{"2400,n,8,1", "4800,n,8,1", "19200,e,7,1"};
        // In the phone book only an empty answer ends it.
        QTest::newRow("phones") << "Ltel" << QStringList{"777", "0755-123", "   ", ""}
                                << QStringList{"777", "778", "756", "1"}
                                << QStringList{"777", "0755-123", "   "};
    }
    void addLoops()
    {
        QFETCH(QString, labelName);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, defaults);
        QFETCH(QStringList, added);
        const bool parameters = labelName == "Lref";
        QComboBox *book = parameters ? text4() : numtext();
        const QString shown = book->currentText();
        rig->dialogs.inputs.append(typed);
        moveOver(labelName.toLatin1());
        choose("Madd");

        QCOMPARE(entries(book), added);
        QCOMPARE(book->currentText(), shown);
        QCOMPARE(rig->dialogs.shown.size(), typed.size());
        const int before = int(added.size() - typed.size()) + 1;
        for (int i = 0; i < typed.size(); ++i) {
            const ShownDialog &box = rig->dialogs.shown[i];
            QCOMPARE(box.title, QString("设置"));
            QCOMPARE(box.defaultText, defaults[i]);
            const QString expected = parameters
                ? QString("             *** 编辑参数簿 ***   \r\n\r\n\r\n已有 %1 种参数.\r\n\r\n设输入通讯参数：")
                : QString("             *** 编辑号码簿 ***   \r\n\r\n\r\n已有 %1 个号码.\r\n\r\n设输入电话号码：");
            QCOMPARE(box.text, expected.arg(before + i));
        }
        // The other book is left alone.
        QCOMPARE(entries(parameters ? numtext() : text4()),
                 parameters ? QStringList{} : QStringList{"2400,n,8,1"});
        QVERIFY(rig->dialogs.messages().isEmpty());
    }

    void deleteAndClearActOnTheActiveBook_data()
    {
        QTest::addColumn<QStringList>("hovered");  // labels the mouse went over, in order
        QTest::addColumn<QString>("releasedOver"); // where the pop-up was opened, if anywhere
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<QStringList>("phones");
        const QStringList abc{"A", "B", "C"};
        QTest::newRow("delete parameters") << QStringList{"Lref"} << QString() << "Mdel"
                                           << QStringList{"A", "B"} << abc;
        QTest::newRow("clear phones") << QStringList{"Ltel"} << QString() << "Mqingchu" << abc
                                      << QStringList{};
        QTest::newRow("last hovered") << QStringList{"Ltel", "Lref"} << QString() << "Mqingchu"
                                      << QStringList{} << abc;
        QTest::newRow("pop-up over phones") << QStringList{"Lref"} << "Ltel" << "Mdel" << abc
                                            << QStringList{"A", "B"};
        QTest::newRow("no book yet") << QStringList{} << QString() << "Mqingchu" << abc << abc;
    }
    void deleteAndClearActOnTheActiveBook()
    {
        QFETCH(QStringList, hovered);
        QFETCH(QString, releasedOver);
        QFETCH(QString, item);
        QFETCH(QStringList, parameters);
        QFETCH(QStringList, phones);
        setEntries(text4(), {"A", "B", "C"}, "C");
        setEntries(numtext(), {"A", "B", "C"}, "C");
        for (const QString &name : hovered)
            moveOver(name.toLatin1());
        if (!releasedOver.isEmpty())
            QTest::mouseRelease(label(releasedOver.toLatin1()), Qt::LeftButton);
        choose(item.toLatin1());

        QCOMPARE(entries(text4()), parameters);
        QCOMPARE(entries(numtext()), phones);
        // The boxes go on showing their current values.
        QCOMPARE(text4()->currentText(), QString("C"));
        QCOMPARE(numtext()->currentText(), QString("C"));

        // Deleting from an empty book changes nothing and says nothing.
        numtext()->clear();
        moveOver("Ltel");
        choose("Mdel");
        QCOMPARE(numtext()->count(), 0);
        QVERIFY(rig->dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(BooksTest)
#include "tst_books.moc"
