// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/CommandStore.h"

#include "core/AppFiles.h"
#include "core/Dialogs.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

constexpr int kMaxPathLength = 100;
constexpr int kMaxRecords = 1000;
constexpr int kMaxTableNameAnswer = 200;

enum Position { Name = 1, Content = 2, Delay = 3, Format = 4, Valid = 5 };

} // namespace

CommandStore::CommandStore(QString &databasePath, QString &tableName, Dialogs &dialogs,
                           QObject *parent)
    : QObject(parent),
      m_databasePath(databasePath),
      m_tableName(tableName),
      m_dialogs(dialogs),
      m_connectionName(QStringLiteral("commands-%1").arg(quintptr(this)))
{
}

CommandStore::~CommandStore()
{
    CloseCommandStore();
}

bool CommandStore::OpenCommandStore()
{
    CloseCommandStore();
    const QString path = m_databasePath.trimmed();
    if (path.isEmpty() || path.size() > kMaxPathLength) {
        m_dialogs.message(QStringLiteral("无法连接数据库!"), QStringLiteral("警告"),
                          MsgIcon::Exclamation);
        return false;
    }
    if (!openConnection()) {
        CloseCommandStore();
        return false;
    }
    if (m_tableName.trimmed().isEmpty()) {
        m_dialogs.message(QStringLiteral("数据表名有误!"), QStringLiteral("警告"),
                          MsgIcon::Exclamation);
        CloseCommandStore();
        return false;
    }
    m_cursor = std::make_unique<CommandCursor>(QSqlDatabase::database(m_connectionName, false),
                                               m_tableName.trimmed());
    if (!m_cursor->requery()) {
        CloseCommandStore();
        return false;
    }
    return true;
}

// Opens the connection to an existing file; SQLite would otherwise create
// an empty file for a mistyped path. Only the default file is created.
bool CommandStore::openConnection()
{
    const QString path = m_databasePath;
    const bool isDefault =
        QFileInfo(path).absoluteFilePath() == QFileInfo(DefaultCommandDatabasePath()).absoluteFilePath();
    if (isDefault && !QFileInfo::exists(path) && !m_tableName.trimmed().isEmpty())
        createDefaultDatabase(path);
    if (!QFileInfo(path).isFile())
        return false;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(path);
    return db.open();
}

void CommandStore::createDefaultDatabase(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString name = m_connectionName + QStringLiteral("-create");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery(db).exec(
                QStringLiteral("create table %1 (id integer primary key autoincrement, "
                               "name text, content text, delay integer, format integer, "
                               "valid text)")
                    .arg(QuotedIdentifier(m_tableName.trimmed())));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
}

void CommandStore::CloseCommandStore()
{
    m_cursor.reset();
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

void CommandStore::LoadCommands()
{
    if (!m_cursor)
        return;
    const int count = m_cursor->recordCount();
    if (count < 1 || count > kMaxRecords)
        return;
    // Records without a name, content or delay take no slot; the slots they
    // would have filled stay blank at the end.
    CommandTable table(count);
    int slot = 0;
    for (m_cursor->moveFirst(); !m_cursor->isEOF() && slot < count; m_cursor->moveNext()) {
        if (m_cursor->field(Name).isNull() || m_cursor->field(Content).isNull()
            || m_cursor->field(Delay).isNull())
            continue;
        table[slot++] = readCurrentRecord();
    }
    m_table = table;
    emit commandsLoaded();
}

CommandRecord CommandStore::readCurrentRecord() const
{
    CommandRecord record;
    record.name = m_cursor->field(Name).toString();
    record.content = m_cursor->field(Content).toString();
    record.delay = qint16(StoredInteger(m_cursor->field(Delay), -32768, 32767).value_or(0));
    record.format = quint8(StoredInteger(m_cursor->field(Format), 0, 255).value_or(0));
    record.valid = m_cursor->field(Valid).toString();
    return record;
}

std::optional<CommandRecord> CommandStore::FindCommand(const QString &name) const
{
    for (const CommandRecord &record : m_table)
        if (record.name == name)
            return record;
    m_dialogs.message(QStringLiteral("未找到指定命令!!!"), QStringLiteral("警告"),
                      MsgIcon::Exclamation);
    return std::nullopt;
}

QAction *CommandStore::createTableNameAction(QObject *parent)
{
    auto *action = new QAction(QStringLiteral("指定命令表名"), parent);
    action->setObjectName(QStringLiteral("msettablename"));
    connect(action, &QAction::triggered, this, &CommandStore::AskTableName);
    return action;
}

// The new name takes effect at the next open; nothing is reloaded now.
void CommandStore::AskTableName()
{
    const QString answer = m_dialogs.input(QStringLiteral("输入数据库内自建命令表的名称:"),
                                           QStringLiteral("指定命令表"), QStringLiteral("Table"));
    if (!answer.trimmed().isEmpty() && answer.size() < kMaxTableNameAnswer)
        m_tableName = answer.trimmed();
}
