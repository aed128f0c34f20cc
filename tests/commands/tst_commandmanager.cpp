// SPDX-License-Identifier: GPL-3.0-or-later
// The command manager window driven through its controls over a temporary
// SQLite file, with scripted dialogs and virtual time.

#include "commands/CommandManager.h"
#include "commands/CommandStore.h"
#include "commands/Topmost.h"

#include "CommandTableFile.h"
#include "ScriptedDialogs.h"
#include "VirtualScheduler.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

const QList<CommandRow> kFive{{"Ping", "01 03 00 00", 500, 16, "Y"},
                       {"Read", "02 04", 1000, 10, "N"},
                       {"Odd", "17", 20, 12, "?"},
                       {"Text", "AT", 300, 5, "Y"},
                       {"Oct", "017", 40, 8, "N"}};

} // namespace

class TestCommandManager : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    QString m_tableName = "mm";
    ScriptedDialogs m_dialogs;
    VirtualScheduler m_scheduler;
    std::unique_ptr<CommandStore> m_store;
    QPointer<CommandManager> m_window;

    CommandManager &open()
    {
        m_window = new CommandManager(*m_store, m_dialogs, m_scheduler);
        m_window->ShowManager();
        return *m_window;
    }

    template <typename T>
    T *child(const char *name) { return m_window->findChild<T *>(name); }

    void click(int index)
    {
        for (QPushButton *b : m_window->findChildren<QPushButton *>("Mdbctrl"))
            if (b->property("index").toInt() == index)
                return b->click();
        QFAIL("no such button");
    }
    QPushButton *button(int index)
    {
        return m_window->findChildren<QPushButton *>("Mdbctrl").at(index);
    }

    QString status() { return child<QStatusBar>("sbar")->currentMessage(); }
    QString name() { return child<QLineEdit>("Mname")->text(); }
    QStringList ticked()
    {
        QStringList names;
        for (QRadioButton *r : m_window->findChildren<QRadioButton *>())
            if (r->isChecked())
                names << r->objectName();
        return names;
    }
    void fillForm(const QString &name, const QString &content, const QString &delay)
    {
        child<QLineEdit>("Mname")->setText(name);
        child<QPlainTextEdit>("Mcon")->setPlainText(content);
        child<QLineEdit>("Mdelay")->setText(delay);
    }
    QTableWidget *list() { return child<QTableWidget>("lvorder"); }

    void loadCommands()
    {
        QVERIFY(m_store->OpenCommandStore());
        m_store->LoadCommands();
        m_store->CloseCommandStore();
    }

private slots:
    void init()
    {
        static int n = 0;
        m_path = m_dir.filePath(QString("m%1.db").arg(++n));
        m_tableName = "mm";
        m_dialogs.clear();
        m_store = std::make_unique<CommandStore>(m_path, m_tableName, m_dialogs);
    }

    void cleanup()
    {
        delete m_window;
        m_store.reset();
    }

    void loadShowsFirstRecordCountAndList()
    {
        CreateCommandTable(m_path, "mm", kFive);
        loadCommands();
        CommandManager &w = open();

        QCOMPARE(w.objectName(), "Fming");
        QCOMPARE(w.windowTitle(), "命令管理器");
        QVERIFY(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(child<QLabel>("Label1")->text(), "数据库:");
        QCOMPARE(child<QLabel>("Label3")->text(), "数据表:");
        QCOMPARE(child<QLabel>("Label2")->text(), "毫秒");
        QCOMPARE(child<QPushButton>("Mload")->text(), "装载");
        QCOMPARE(child<QPushButton>("Mexit")->text(), "退出");
        QCOMPARE(child<QCheckBox>("chGird")->text(), "网格线");
        QVERIFY(child<QToolButton>("DlgPath"));
        QCOMPARE(w.findChildren<QGroupBox *>("Fm").size(), 6);
        auto *tabs = child<QTabWidget>("SSTab1");
        QCOMPARE(tabs->tabText(0), " 管 理 ");
        QCOMPARE(tabs->tabText(1), " 浏 览 ");
        QCOMPARE(button(9)->text(), "刷 新");
        QVERIFY(!button(5)->isEnabled());

        QCOMPARE(child<QLineEdit>("TextDB")->text(), m_path);
        QCOMPARE(child<QLineEdit>("TextDB")->toolTip(), "指定数据库" + m_path);
        QCOMPARE(child<QLineEdit>("TextTable")->toolTip(), "当前数据表mm");
        QCOMPARE(status(), " 当前命令条数为:5");
        QCOMPARE(name(), "Ping");
        QCOMPARE(child<QPlainTextEdit>("Mcon")->toPlainText(), "01 03 00 00");
        QCOMPARE(child<QLineEdit>("Mdelay")->text(), "500");
        QCOMPARE(ticked(), (QStringList{"Myes", "Ophex"}));

        QCOMPARE(list()->rowCount(), 5);
        const QStringList row1{"Read", "02 04", "1000", "十进制", "无效"};
        for (int col = 0; col < 5; ++col)
            QCOMPARE(list()->item(1, col)->text(), row1[col]);
        QCOMPARE(list()->item(0, 0)->checkState(), Qt::Checked);
        QCOMPARE(list()->item(1, 0)->checkState(), Qt::Unchecked);
        QCOMPARE(list()->item(2, 3)->text(), ""); // format 12
        QCOMPARE(list()->item(2, 4)->text(), "");
        QCOMPARE(list()->horizontalHeaderItem(4)->text(), "是否有效");

        // Unknown format and flag leave the options of the record before.
        click(CommandManager::Next);
        QCOMPARE(ticked(), (QStringList{"Mno", "Opdec"}));
        click(CommandManager::Next);
        QCOMPARE(name(), "Odd");
        QCOMPARE(ticked(), (QStringList{"Mno", "Opdec"}));
    }

    void navigationStopsAtBothEnds()
    {
        CreateCommandTable(m_path, "mm", kFive);
        open();
        click(CommandManager::Previous);
        QCOMPARE(name(), "Ping");
        click(CommandManager::Last);
        QCOMPARE(name(), "Oct");
        QCOMPARE(ticked(), (QStringList{"Mno", "Opoct"}));
        click(CommandManager::Next);
        QCOMPARE(name(), "Oct");
        click(CommandManager::Previous);
        QCOMPARE(name(), "Text");
        click(CommandManager::First);
        QCOMPARE(name(), "Ping");
        QCOMPARE(status(), " 当前命令条数为:5");
    }

    void emptyTableLeavesFormEmpty()
    {
        CreateCommandTable(m_path, "mm", {});
        open();
        QCOMPARE(status(), " 当前命令条数为:0");
        child<QStatusBar>("sbar")->clearMessage();
        for (int b : {CommandManager::First, CommandManager::Previous, CommandManager::Next,
                      CommandManager::Last})
            click(b);
        QCOMPARE(status(), ""); // navigation on an empty table stops early
        QCOMPARE(name(), "");
        QVERIFY(ticked().isEmpty());
    }

    void addAndEditSaveToTheFile()
    {
        CreateCommandTable(m_path, "mm", kFive);
        loadCommands();
        CommandManager &w = open();
        QSignalSpy closed(&w, &CommandManager::closed);

        click(CommandManager::Add);
        QCOMPARE(name(), "");
        QCOMPARE(child<QLineEdit>("Mdelay")->text(), "1000");
        QCOMPARE(ticked(), (QStringList{"Myes", "Ophex"}));
        QVERIFY(button(CommandManager::Save)->isEnabled());
        QVERIFY(!button(CommandManager::Add)->isEnabled());
        QVERIFY(!child<QLineEdit>("Mname")->isReadOnly());
        fillForm(" New ", " 0A 0B ", " 1000 ");
        child<QRadioButton>("Opasi")->setChecked(true);
        click(CommandManager::Save);
        QCOMPARE(status(), " 当前命令条数为:6");
        QCOMPARE(ReadCommandTable(m_path).last(), (CommandRow{"New", "0A 0B", 1000, 5, "Y"}));
        QVERIFY(!button(CommandManager::Save)->isEnabled());
        QVERIFY(button(CommandManager::Add)->isEnabled());
        QVERIFY(child<QLineEdit>("Mname")->isReadOnly());
        QCOMPARE(list()->rowCount(), 5); // the list shows the commands as loaded

        click(CommandManager::First);
        click(CommandManager::Edit);
        QVERIFY(button(CommandManager::Save)->isEnabled());
        child<QLineEdit>("Mname")->setText("Pong");
        child<QRadioButton>("Mno")->setChecked(true);
        click(CommandManager::Save);
        QCOMPARE(status(), " 当前命令条数为:6");
        QCOMPARE(ReadCommandTable(m_path).size(), 6);
        QCOMPARE(ReadCommandTable(m_path).first(),
                 (CommandRow{"Pong", "01 03 00 00", 500, 16, "N"}));
        QVERIFY(m_dialogs.shown.isEmpty());

        // Closing reloads the commands and closes the store.
        w.close();
        QCOMPARE(closed.size(), 1);
        QVERIFY(!m_store->cursor());
        QCOMPARE(m_store->commandTable().size(), 6);
        QCOMPARE(m_store->commandTable()[0].name, "Pong");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!m_window);
        open();
        QCOMPARE(list()->rowCount(), 6);
    }

    void saveChecksDelayBeforeEmptyFields_data()
    {
        QTest::addColumn<QString>("delay");
        QTest::addColumn<bool>("number");
        for (const char *ok : {"12", " -1.5e2 ", "+3", ".5", "7.", "1E3"})
            QTest::newRow(ok) << ok << true;
        for (const char *bad : {"", "  ", "abc", "1e", "1,000", "&H10", "1 2"})
            QTest::newRow(bad) << bad << false;
    }

    void saveChecksDelayBeforeEmptyFields()
    {
        QFETCH(QString, delay);
        QFETCH(bool, number);
        CreateCommandTable(m_path, "mm", kFive);
        open();
        click(CommandManager::Add);
        fillForm("", "x", delay);
        click(CommandManager::Save);
        QCOMPARE(m_dialogs.shown.size(), 1);
        const ShownDialog shown = m_dialogs.shown[0];
        if (number) {
            QCOMPARE(shown.text, "有空数据!");
            QCOMPARE(shown.icon, MsgIcon::Exclamation);
        } else {
            QCOMPARE(shown.text, "时间格式有误！");
            QCOMPARE(shown.icon, MsgIcon::Information);
        }
        QCOMPARE(shown.title, "警告");
        QCOMPARE(ReadCommandTable(m_path).size(), 5);
        QVERIFY(button(CommandManager::Save)->isEnabled()); // still adding
    }

    void deleteAsksFirst()
    {
        CreateCommandTable(m_path, "mm", kFive.mid(0, 2));
        open();
        click(CommandManager::Next);
        child<QLineEdit>("Mname")->setText("typed");
        child<QStatusBar>("sbar")->clearMessage();
        m_dialogs.answers.enqueue(MsgAnswer::No);
        click(CommandManager::Delete);
        QCOMPARE(m_dialogs.shown[0].text, "确定要删除?");
        QCOMPARE(m_dialogs.shown[0].title, "提示");
        QCOMPARE(m_dialogs.shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(m_dialogs.shown[0].buttons, MsgButtons::YesNo);
        QCOMPARE(name(), "Read"); // shown again
        QCOMPARE(status(), " 当前命令条数为:2");
        QCOMPARE(ReadCommandTable(m_path).size(), 2);

        click(CommandManager::Delete); // unscripted: Yes
        QCOMPARE(ReadCommandTable(m_path), QList<CommandRow>{kFive[0]});
        QCOMPARE(name(), "Ping");
        QCOMPARE(status(), " 当前命令条数为:1");
        click(CommandManager::Delete);
        QCOMPARE(ReadCommandTable(m_path).size(), 0);
        QCOMPARE(name(), "");
        QVERIFY(ticked().isEmpty());
        QCOMPARE(status(), " 当前命令条数为:0");
    }

    void cancelDropsTheFormAndShowsFirstRecord()
    {
        CreateCommandTable(m_path, "mm", kFive);
        open();
        click(CommandManager::Last);
        click(CommandManager::Add);
        fillForm("new", "x", "1");
        click(CommandManager::Cancel);
        QCOMPARE(name(), "Ping");
        QVERIFY(!button(CommandManager::Save)->isEnabled());
        QVERIFY(button(CommandManager::Add)->isEnabled());
        QVERIFY(child<QLineEdit>("Mname")->isReadOnly());
        QCOMPARE(ReadCommandTable(m_path), kFive);
    }

    void refusedSaveIsReportedAndKeepsTheForm()
    {
        CreateCommandTable(m_path, "mm", kFive, ", check (length(name) < 6)");
        open();
        click(CommandManager::Add);
        fillForm("much too long", "x", "10");
        click(CommandManager::Save);
        QCOMPARE(m_dialogs.shown.size(), 1);
        QVERIFY(m_dialogs.shown[0].text.startsWith("写入数据库失败!"));
        QCOMPARE(ReadCommandTable(m_path), kFive);
        QCOMPARE(status(), " 当前命令条数为:5");
        QCOMPARE(name(), "much too long");
        QVERIFY(button(CommandManager::Save)->isEnabled());

        child<QLineEdit>("Mname")->setText("short");
        click(CommandManager::Save);
        QCOMPARE(ReadCommandTable(m_path).size(), 6);
        QCOMPARE(status(), " 当前命令条数为:6");
    }

    void loadButtonClosesTheWindowsCursor()
    {
        CreateCommandTable(m_path, "mm", kFive);
        open();
        child<QPushButton>("Mload")->click();
        QVERIFY(!m_store->cursor());
        QCOMPARE(m_store->commandTable().size(), 5);
        QCOMPARE(list()->rowCount(), 5);
        child<QStatusBar>("sbar")->clearMessage();
        click(CommandManager::Next);
        QCOMPARE(name(), "Ping");
        QCOMPARE(status(), "");

        // Closing afterwards keeps the commands loaded before.
        child<QPushButton>("Mexit")->click();
        QCOMPARE(m_store->commandTable().size(), 5);
    }

    void openForAddingTakesTheSendBoxText()
    {
        CreateCommandTable(m_path, "mm", kFive);
        open();
        m_window->OpenForAdding("  01 02 03 \r\n");
        QCOMPARE(child<QPlainTextEdit>("Mcon")->toPlainText(), "01 02 03");
        QCOMPARE(name(), "");
        QCOMPARE(child<QLineEdit>("Mdelay")->text(), "");
        QCOMPARE(ticked(), (QStringList{"Myes", "Ophex"}));
        QVERIFY(!button(CommandManager::Add)->isEnabled());
        QVERIFY(m_window->isVisible());
        child<QLineEdit>("Mname")->setText("Grab");
        click(CommandManager::Save);
        QCOMPARE(m_dialogs.messages(), QStringList{"时间格式有误！"});
        child<QLineEdit>("Mdelay")->setText("250");
        click(CommandManager::Save);
        QCOMPARE(ReadCommandTable(m_path).last(), (CommandRow{"Grab", "01 02 03", 250, 16, "Y"}));
    }

    void filePickerReloadsTheWindow()
    {
        CreateCommandTable(m_path, "mm", kFive);
        const QString other = m_dir.filePath("other.db");
        CreateCommandTable(other, "mm", kFive.mid(3));
        loadCommands();
        open();

        const QString first = m_path;
        m_dialogs.files.enqueue(other);
        child<QToolButton>("DlgPath")->click();
        QCOMPARE(m_dialogs.shown[0].kind, ShownDialog::OpenFile);
        QCOMPARE(m_dialogs.shown[0].defaultText, first);
        QVERIFY(m_dialogs.shown[0].text.contains("*.db"));
        QVERIFY(m_dialogs.shown[0].text.contains("*.mdb"));
        QCOMPARE(m_path, other);
        QCOMPARE(child<QLineEdit>("TextDB")->text(), other);
        QCOMPARE(status(), " 当前命令条数为:2");
        QCOMPARE(name(), "Text");

        // Cancelled: the same file is loaded again.
        CreateCommandTable(other, "more", {});
        child<QLineEdit>("TextTable")->setText(" more ");
        QCOMPARE(m_tableName, "more");
        QCOMPARE(child<QLineEdit>("TextTable")->toolTip(), "当前数据表 more ");
        child<QToolButton>("DlgPath")->click();
        QCOMPARE(m_path, other);
        QCOMPARE(status(), " 当前命令条数为:0");

        // A file that does not open: form empty, status and list kept.
        m_dialogs.files.enqueue(m_dir.filePath("missing.db"));
        child<QToolButton>("DlgPath")->click();
        QVERIFY(!m_store->cursor());
        QCOMPARE(status(), " 当前命令条数为:0");
        QCOMPARE(list()->rowCount(), 5);
        QCOMPARE(name(), "");
        click(CommandManager::Add); // the record buttons rest
        QVERIFY(!button(CommandManager::Save)->isEnabled());

        // No path and cancelled: nothing was chosen, nothing is said.
        m_path.clear();
        m_dialogs.clear();
        child<QToolButton>("DlgPath")->click();
        QCOMPARE(m_dialogs.shown.size(), 1);
        QCOMPARE(m_dialogs.shown[0].defaultText, QString());
        QCOMPARE(status(), " 当前命令条数为:0");
    }

    void listToolTipGridAndTimer()
    {
        CreateCommandTable(m_path, "mm", kFive);
        loadCommands();
        open();
        auto *grid = child<QCheckBox>("chGird");
        grid->setChecked(true);
        QVERIFY(list()->showGrid());
        grid->setChecked(false);
        QVERIFY(!list()->showGrid());

        auto *timer = m_window->findChild<Timer *>("lvTimer");
        QCOMPARE(timer->interval(), 50);
        QVERIFY(!timer->isActive());
        child<QTabWidget>("SSTab1")->setCurrentIndex(1);
        QVERIFY(timer->isActive());
        m_scheduler.advance(50);
        QCOMPARE(list()->toolTip(), ""); // nothing selected
        list()->selectRow(1);
        m_scheduler.advance(49);
        QCOMPARE(list()->toolTip(), "");
        m_scheduler.advance(1);
        QCOMPARE(list()->toolTip(), "02 04");
        child<QTabWidget>("SSTab1")->setCurrentIndex(0);
        QVERIFY(!timer->isActive());
    }

    void setTopmostKeepsGeometry()
    {
        QWidget window;
        window.setGeometry(100, 120, 300, 200);
        window.show();
        SetTopmost(&window, 0);
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), QRect(100, 120, 300, 200));
        SetTopmost(&window, 1);
        QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(window.geometry(), QRect(100, 120, 300, 200));
    }
};

QTEST_MAIN(TestCommandManager)
#include "tst_commandmanager.moc"
