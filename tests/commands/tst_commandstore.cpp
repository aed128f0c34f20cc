// SPDX-License-Identifier: GPL-3.0-or-later
// The command store over temporary SQLite files: opening, loading into
// CommandTable and the submenu, lookup, the table name question, and the
// cursor's pending edits and batch writes.

#include "commands/CommandMenu.h"
#include "commands/CommandStore.h"
#include "core/AppFiles.h"

#include "CommandTableFile.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

namespace {

CommandRow command(const QString &name, const QString &valid = "Y")
{
    return {name, "01 02 " + name, 100, 16, valid};
}

QList<CommandRow> commands(int count)
{
    QList<CommandRow> rows;
    for (int i = 1; i <= count; ++i)
        rows << command(QString("c%1").arg(i));
    return rows;
}

QStringList captions(const QMenu &menu)
{
    QStringList texts;
    for (const QAction *a : menu.actions())
        texts << a->text();
    return texts;
}

} // namespace

class TestCommandStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    QString m_tableName;
    ScriptedDialogs m_dialogs;

    // Opens, loads and closes as the start-up does.
    static bool startUp(CommandStore &store)
    {
        if (!store.OpenCommandStore())
            return false;
        store.LoadCommands();
        store.CloseCommandStore();
        return true;
    }

private slots:
    void init()
    {
        static int n = 0;
        m_path = m_dir.filePath(QString("cmd%1.db").arg(++n));
        m_tableName = "mm";
        m_dialogs.clear();
    }

    void loadFillsTableAndMenuInQueryOrder()
    {
        CreateCommandTable(m_path, "mm",
                           {command("  Ping "), command("Read", "N"), command("Write", "y")});
        CommandStore store(m_path, m_tableName, m_dialogs);
        QMenu menu;
        CommandMenu commandMenu(&menu, store);
        QCOMPARE(captions(menu), QStringList{"◣管理器◥"});

        QVERIFY(startUp(store));
        QVERIFY(!store.cursor());
        QCOMPARE(store.commandTable().size(), 3);
        QCOMPARE(store.commandTable()[0],
                 (CommandRecord{"  Ping ", "01 02   Ping ", 100, 16, "Y"}));
        QCOMPARE(captions(menu), (QStringList{"◣管理器◥", "Ping", "Read", "Write"}));
        const QList<QAction *> items = menu.actions();
        QCOMPARE(items[0]->shortcut(), QKeySequence("Ctrl+E"));
        QCOMPARE(menu.findChildren<QAction *>("mOrderM").size(), 4);
        QVERIFY(items[1]->isChecked());
        QVERIFY(!items[2]->isChecked());
        QVERIFY(!items[3]->isChecked()); // only an exact "Y" ticks

        // Choosing an item reports its index and leaves its tick alone.
        QSignalSpy chosen(&commandMenu, &CommandMenu::itemTriggered);
        items[1]->trigger();
        items[0]->trigger();
        QCOMPARE(chosen.size(), 2);
        QCOMPARE(chosen[0][0].toInt(), 1);
        QCOMPARE(chosen[1][0].toInt(), 0);
        QVERIFY(items[1]->isChecked());
        QVERIFY(m_dialogs.shown.isEmpty());
    }

    void loadSkipsNullRecordsAndBlanksBadFields()
    {
        CreateCommandTable(m_path, "mm",
                           {command("one"), {"two", QVariant(), 5, 16, "Y"}, command("three"),
                            {"four", "x", 40000, "abc", QVariant()}});
        CommandStore store(m_path, m_tableName, m_dialogs);
        QMenu menu;
        CommandMenu commandMenu(&menu, store);
        QVERIFY(startUp(store));

        const CommandTable &table = store.commandTable();
        QCOMPARE(table.size(), 4);
        QCOMPARE(table[0].name, "one");
        QCOMPARE(table[1].name, "three");
        // A delay beyond 16 bits and a format that is no number load as 0;
        // the other fields are kept.
        QCOMPARE(table[2], (CommandRecord{"four", "x", 0, 0, ""}));
        QCOMPARE(table[3], CommandRecord{});
        QCOMPARE(captions(menu), (QStringList{"◣管理器◥", "one", "three", "four", ""}));
    }

    void loadOutsideOneToThousandKeepsPreviousCommands()
    {
        CreateCommandTable(m_path, "mm", commands(3));
        CreateCommandTable(m_path, "empty", {});
        CreateCommandTable(m_path, "big", commands(1001));
        CreateCommandTable(m_path, "full", commands(1000));
        CommandStore store(m_path, m_tableName, m_dialogs);
        QMenu menu;
        CommandMenu commandMenu(&menu, store);
        QSignalSpy loaded(&store, &CommandStore::commandsLoaded);
        QVERIFY(startUp(store));
        const CommandTable three = store.commandTable();

        for (const QString table : {"empty", "big"}) {
            m_tableName = table;
            QVERIFY(startUp(store));
            QCOMPARE(store.commandTable(), three);
            QCOMPARE(menu.actions().size(), 4);
        }
        QCOMPARE(loaded.size(), 1);

        m_tableName = "full";
        QVERIFY(startUp(store));
        QCOMPARE(store.commandTable().size(), 1000);
        QCOMPARE(menu.actions().size(), 1001);
    }

    void findCommandTakesFirstExactName()
    {
        CreateCommandTable(m_path, "mm",
                           {{"A", "first", 1, 10, "N"}, {"A", "second", 1, 16, "Y"},
                            command(" Lead")});
        CommandStore store(m_path, m_tableName, m_dialogs);
        QMenu menu;
        CommandMenu commandMenu(&menu, store);
        QVERIFY(startUp(store));

        const auto found = store.FindCommand("A");
        QVERIFY(found);
        QCOMPARE(found->content, "first");
        QCOMPARE(found->format, 10);
        QVERIFY(m_dialogs.shown.isEmpty());

        // Listed without its blank, but not found under that caption.
        QCOMPARE(menu.actions()[3]->text(), "Lead");
        QVERIFY(!store.FindCommand(menu.actions()[3]->text()));
        QCOMPARE(m_dialogs.shown.size(), 1);
        QCOMPARE(m_dialogs.shown[0].text, "未找到指定命令!!!");
        QCOMPARE(m_dialogs.shown[0].title, "警告");
        QCOMPARE(m_dialogs.shown[0].icon, MsgIcon::Exclamation);
        QVERIFY(store.FindCommand(" Lead"));
    }

    void openRejectsBadLocations()
    {
        CommandStore store(m_path, m_tableName, m_dialogs);
        const QString dir = m_dir.path() + "/";

        // Over 100 characters after trimming; the blanks do not count.
        m_path = "  " + dir + QString(101 - dir.size(), 'x') + " ";
        QVERIFY(!store.OpenCommandStore());
        m_path = "   ";
        QVERIFY(!store.OpenCommandStore());
        QCOMPARE(m_dialogs.messages(), (QStringList{"无法连接数据库!", "无法连接数据库!"}));
        QCOMPARE(m_dialogs.shown[0].title, "警告");
        QCOMPARE(m_dialogs.shown[0].icon, MsgIcon::Exclamation);
        m_dialogs.clear();

        // A missing file is neither reported nor created; 100 characters pass.
        m_path = dir + QString(100 - dir.size(), 'x');
        QVERIFY(!store.OpenCommandStore());
        QVERIFY(!QFile::exists(m_path));
        QVERIFY(m_dialogs.shown.isEmpty());

        // A file that is no database, and a missing table: no message.
        QFile junk(m_path);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("Standard Jet DB, not SQLite at all");
        junk.close();
        QVERIFY(!store.OpenCommandStore());
        m_path = dir + "real.db";
        CreateCommandTable(m_path, "other", {});
        QVERIFY(!store.OpenCommandStore());
        QVERIFY(!store.cursor());
        QVERIFY(m_dialogs.shown.isEmpty());

        m_tableName = "  ";
        QVERIFY(!store.OpenCommandStore());
        QCOMPARE(m_dialogs.messages(), QStringList{"数据表名有误!"});
        QVERIFY(!store.cursor());
    }

    void defaultDatabaseIsCreatedEmpty()
    {
        m_path = DefaultCommandDatabasePath();
        QFile::remove(m_path);
        m_tableName = "my cmds";
        CommandStore store(m_path, m_tableName, m_dialogs);
        QMenu menu;
        CommandMenu commandMenu(&menu, store);
        QVERIFY(store.OpenCommandStore());
        QCOMPARE(store.cursor()->recordCount(), 0);
        store.LoadCommands();
        store.CloseCommandStore();
        QCOMPARE(captions(menu), QStringList{"◣管理器◥"});
        QVERIFY(m_dialogs.shown.isEmpty());

        ExecSql(m_path, {"insert into \"my cmds\" values (null, 'n', 'c', 7, 5, 'Y')"});
        QVERIFY(startUp(store));
        QCOMPARE(store.commandTable(), (CommandTable{{"n", "c", 7, 5, "Y"}}));
    }

    void tableNamesAreQuotedIdentifiers()
    {
        CreateCommandTable(m_path, "my table", {command("blank")});
        CreateCommandTable(m_path, "it\"s", {command("quote")});
        CreateCommandTable(m_path, "mm", {command("plain")});
        CommandStore store(m_path, m_tableName, m_dialogs);

        m_tableName = " my table ";
        QVERIFY(startUp(store));
        QCOMPARE(store.commandTable()[0].name, "blank");
        m_tableName = "it\"s";
        QVERIFY(startUp(store));
        QCOMPARE(store.commandTable()[0].name, "quote");

        // A name is only ever a name: this one names no table.
        m_tableName = "mm; drop table mm";
        QVERIFY(!store.OpenCommandStore());
        QCOMPARE(ReadCommandTable(m_path, "mm").size(), 1);
    }

    void tableNameQuestion_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("name");
        QTest::newRow("trimmed") << "  cmds  " << "cmds";
        QTest::newRow("cancel") << "" << "mm";
        QTest::newRow("blanks only") << "    " << "mm";
        QTest::newRow("199 characters") << QString(199, 't') << QString(199, 't');
        QTest::newRow("200 characters") << QString(200, 't') << "mm";
        QTest::newRow("198 and blanks") << " " + QString(198, 't') + " " << "mm";
    }

    void tableNameQuestion()
    {
        QFETCH(QString, answer);
        QFETCH(QString, name);
        CommandStore store(m_path, m_tableName, m_dialogs);
        QObject owner;
        QAction *item = store.createTableNameAction(&owner);
        QCOMPARE(item->objectName(), "msettablename");
        QCOMPARE(item->text(), "指定命令表名");
        m_dialogs.inputs.enqueue(answer);
        item->trigger();
        QCOMPARE(m_tableName, name);
        QCOMPARE(m_dialogs.shown.size(), 1);
        QCOMPARE(m_dialogs.shown[0].text, "输入数据库内自建命令表的名称:");
        QCOMPARE(m_dialogs.shown[0].title, "指定命令表");
        QCOMPARE(m_dialogs.shown[0].defaultText, "Table");
    }

    void cursorNavigatesBetweenBeginAndEnd()
    {
        CreateCommandTable(m_path, "mm", commands(2));
        CreateCommandTable(m_path, "none", {});
        CommandStore store(m_path, m_tableName, m_dialogs);
        QVERIFY(store.OpenCommandStore());
        CommandCursor &c = *store.cursor();
        QCOMPARE(c.recordCount(), 2);
        QCOMPARE(c.field(1).toString(), "c1");
        c.movePrevious();
        QVERIFY(c.isBOF() && !c.isEOF());
        QVERIFY(c.field(1).isNull());
        c.moveLast();
        QCOMPARE(c.field(1).toString(), "c2");
        QCOMPARE(c.field(3).toInt(), 100);
        QVERIFY(c.field(6).isNull());
        c.moveNext();
        QVERIFY(c.isEOF() && !c.isBOF());

        m_tableName = "none";
        QVERIFY(store.OpenCommandStore());
        CommandCursor &empty = *store.cursor();
        empty.moveFirst();
        QVERIFY(empty.isBOF() && empty.isEOF());
        QVERIFY(!empty.setField(1, "x"));
    }

    void batchUpdateWritesAllPendingEditsTogether()
    {
        CreateCommandTable(m_path, "mm", commands(3));
        CommandStore store(m_path, m_tableName, m_dialogs);
        QVERIFY(store.OpenCommandStore());
        CommandCursor &c = *store.cursor();

        c.moveFirst();
        c.setField(1, "renamed");
        c.setField(3, "2500"); // the column converts the text
        c.moveNext();
        c.deleteCurrent();
        QCOMPARE(c.field(1).toString(), "c3");
        c.addNew();
        for (const auto &[pos, value] : {std::pair{1, QVariant("new")}, {2, "AA"}, {3, "1e3"},
                                         {4, 5}, {5, "N"}})
            c.setField(pos, value);
        QCOMPARE(c.recordCount(), 3);
        QCOMPARE(ReadCommandTable(m_path, "mm"), commands(3)); // nothing written yet

        QVERIFY(c.updateBatch());
        QVERIFY(!c.hasPendingChanges());
        const QList<CommandRow> expected{{"renamed", "01 02 c1", 2500, 16, "Y"}, command("c3"),
                                  {"new", "AA", 1000, 5, "N"}};
        QCOMPARE(ReadCommandTable(m_path, "mm"), expected);
        QCOMPARE(c.field(3), QVariant(qlonglong(1000))); // shows what was stored
        QVERIFY(c.requery());
        QCOMPARE(c.recordCount(), 3);
        QCOMPARE(c.field(1).toString(), "renamed");
    }

    void failedBatchUpdateLeavesFileUnchanged()
    {
        CreateCommandTable(m_path, "mm", commands(2), ", check (length(name) < 8)");
        CommandStore store(m_path, m_tableName, m_dialogs);
        QVERIFY(store.OpenCommandStore());
        CommandCursor &c = *store.cursor();

        c.moveFirst();
        c.setField(1, "ok");
        c.moveNext();
        c.deleteCurrent();
        c.addNew();
        c.setField(1, "far too long");
        QVERIFY(!c.updateBatch());
        QVERIFY(!c.lastError().isEmpty());
        QCOMPARE(ReadCommandTable(m_path, "mm"), commands(2));
        QVERIFY(c.hasPendingChanges());

        // Dropping the refused edits shows the table as it is again.
        c.cancelBatch();
        QVERIFY(!c.hasPendingChanges());
        QCOMPARE(c.recordCount(), 2);
        c.moveFirst();
        QCOMPARE(c.field(1).toString(), "c1");
        QVERIFY(c.updateBatch());
        QCOMPARE(ReadCommandTable(m_path, "mm"), commands(2));
    }
};

QTEST_MAIN(TestCommandStore)
#include "tst_commandstore.moc"
