// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command library: where it lives (database path and table name, kept
// by the settings and changed here), opening and closing its table, the
// in-memory CommandTable every other part reads, and lookup by name.

#include "commands/CommandCursor.h"
#include "commands/CommandRecord.h"

#include <QObject>
#include <memory>
#include <optional>

class Dialogs;
class QAction;

class CommandStore : public QObject
{
    Q_OBJECT
public:
    // databasePath and tableName are the settings values; the store reads
    // them at every open and writes them when the user changes them.
    CommandStore(QString &databasePath, QString &tableName, Dialogs &dialogs,
                 QObject *parent = nullptr);
    ~CommandStore() override;

    // A missing file at DefaultCommandDatabasePath() (core/AppFiles.h) is
    // created with an empty command table on open.

    QString databasePath() const { return m_databasePath; }
    void setDatabasePath(const QString &path) { m_databasePath = path; }
    QString tableName() const { return m_tableName; }
    void setTableName(const QString &name) { m_tableName = name; }

    // Opens the database and the cursor, releasing any open before. True
    // when both are open. Warns about an unusable path or table name; any
    // other failure leaves the store closed without a message.
    bool OpenCommandStore();
    // Replaces CommandTable from the open cursor when it holds 1 to 1000
    // records, then announces commandsLoaded(); otherwise changes nothing.
    void LoadCommands();
    void CloseCommandStore();

    // The open cursor, or null while the store is closed.
    CommandCursor *cursor() const { return m_cursor.get(); }
    const CommandTable &commandTable() const { return m_table; }

    // The first command of exactly this name; warns when there is none.
    std::optional<CommandRecord> FindCommand(const QString &name) const;

    // The menu item msettablename "指定命令表名": asks for a new table name.
    QAction *createTableNameAction(QObject *parent);
    void AskTableName();

signals:
    void commandsLoaded();

private:
    bool openConnection();
    void createDefaultDatabase(const QString &path);
    CommandRecord readCurrentRecord() const;

    QString &m_databasePath;
    QString &m_tableName;
    Dialogs &m_dialogs;
    const QString m_connectionName;
    std::unique_ptr<CommandCursor> m_cursor;
    CommandTable m_table;
};
