// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command tables in SQLite files, made and read back through a connection
// of their own, independent of the store under test.

#include "commands/CommandCursor.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using CommandRow = QVariantList; // name, content, delay, format, valid

inline void ExecSql(const QString &path, const QStringList &statements,
                    const QList<QVariantList> &bindings = {})
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        db.transaction();
        QSqlQuery q(db);
        for (int i = 0; i < statements.size(); ++i) {
            q.prepare(statements[i]);
            for (const QVariant &v : bindings.value(i))
                q.addBindValue(v);
            QVERIFY2(q.exec(), qPrintable(statements[i]));
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase("fixture");
}

// A table with the six columns of a fresh database, plus extra constraints.
inline void CreateCommandTable(const QString &path, const QString &table,
                               const QList<CommandRow> &rows, const QString &extra = {})
{
    const QString name = QuotedIdentifier(table);
    QStringList statements{QString("create table %1 (id integer primary key autoincrement, "
                                   "name text, content text, delay integer, format integer, "
                                   "valid text%2)").arg(name, extra)};
    QList<QVariantList> bindings{{}};
    for (const CommandRow &row : rows) {
        statements << QString("insert into %1 (name, content, delay, format, valid) "
                              "values (?, ?, ?, ?, ?)").arg(name);
        bindings << row;
    }
    ExecSql(path, statements, bindings);
}

inline QList<CommandRow> ReadCommandTable(const QString &path, const QString &table = "mm")
{
    QList<CommandRow> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fixture");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QString("select name, content, delay, format, valid from %1 order by id")
                   .arg(QuotedIdentifier(table)));
        while (q.next())
            rows << CommandRow{q.value(0), q.value(1), q.value(2), q.value(3), q.value(4)};
    }
    QSqlDatabase::removeDatabase("fixture");
    return rows;
}
