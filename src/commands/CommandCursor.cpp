// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/CommandCursor.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

QString QuotedIdentifier(const QString &name)
{
    QString inner = name;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

CommandCursor::CommandCursor(const QSqlDatabase &db, const QString &tableName)
    : m_db(db), m_table(QuotedIdentifier(tableName))
{
}

bool CommandCursor::requery()
{
    m_rows.clear();
    m_written.clear();
    m_deleted.clear();
    m_columns.clear();
    m_pos = 0;
    // The row id rides along in front of the table's own columns, so that
    // edits can be written back to exactly the record they came from.
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select rowid, * from ") + m_table))
        return fail(query.lastError().text());
    const QSqlRecord columns = query.record();
    for (int i = 1; i < columns.count(); ++i)
        m_columns << QuotedIdentifier(columns.fieldName(i));
    while (query.next()) {
        Row row{query.value(0), {}, QList<bool>(m_columns.size(), false)};
        for (int i = 1; i < columns.count(); ++i)
            row.values << query.value(i);
        m_rows << row;
    }
    m_written = m_rows;
    m_lastError.clear();
    return true;
}

QVariant CommandCursor::field(int position) const
{
    if (!hasCurrent() || position < 0 || position >= m_columns.size())
        return {};
    return m_rows[m_pos].values[position];
}

bool CommandCursor::setField(int position, const QVariant &value)
{
    if (!hasCurrent() || position < 1 || position >= m_columns.size())
        return false;
    Row &row = m_rows[m_pos];
    row.values[position] = value;
    row.changed[position] = true;
    return true;
}

void CommandCursor::addNew()
{
    m_rows << Row{QVariant(), QList<QVariant>(m_columns.size()),
                  QList<bool>(m_columns.size(), false)};
    m_pos = int(m_rows.size()) - 1;
}

void CommandCursor::deleteCurrent()
{
    if (!hasCurrent())
        return;
    const Row row = m_rows.takeAt(m_pos);
    if (!row.rowId.isNull())
        m_deleted << row.rowId;
}

bool CommandCursor::hasPendingChanges() const
{
    if (!m_deleted.isEmpty())
        return true;
    for (const Row &row : m_rows)
        if (row.rowId.isNull() || row.changed.contains(true))
            return true;
    return false;
}

bool CommandCursor::updateBatch()
{
    if (!hasPendingChanges())
        return true;
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    // The rows are written on a copy, so a failure leaves the pending state
    // exactly as it was.
    QList<Row> rows = m_rows;
    bool ok = true;
    for (const QVariant &rowId : std::as_const(m_deleted))
        ok = ok && deleteRow(rowId);
    for (Row &row : rows)
        if (row.rowId.isNull() || row.changed.contains(true))
            ok = ok && writeRow(row) && rereadRow(row);
    if (!ok || !m_db.commit()) {
        if (ok)
            fail(m_db.lastError().text());
        m_db.rollback();
        return false;
    }
    m_rows = rows;
    m_written = rows;
    m_deleted.clear();
    m_lastError.clear();
    return true;
}

void CommandCursor::cancelBatch()
{
    const QVariant currentId = hasCurrent() ? m_rows[m_pos].rowId : QVariant();
    m_rows = m_written;
    m_deleted.clear();
    m_pos = qMin(m_pos, int(m_rows.size()) - 1);
    if (!currentId.isNull()) {
        for (int i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].rowId == currentId)
                m_pos = i;
    }
    m_pos = qMax(m_pos, 0);
}

bool CommandCursor::writeRow(Row &row)
{
    QStringList columns;
    QList<QVariant> values;
    for (int i = 1; i < m_columns.size(); ++i) {
        if (row.changed[i]) {
            columns << m_columns[i];
            values << row.values[i];
        }
    }
    QSqlQuery query(m_db);
    if (row.rowId.isNull()) {
        const QString sql =
            columns.isEmpty()
                ? QStringLiteral("insert into %1 default values").arg(m_table)
                : QStringLiteral("insert into %1 (%2) values (%3)")
                      .arg(m_table, columns.join(u','),
                           QStringList(columns.size(), QStringLiteral("?")).join(u','));
        query.prepare(sql);
    } else {
        QStringList assignments;
        for (const QString &column : std::as_const(columns))
            assignments << column + QStringLiteral(" = ?");
        query.prepare(QStringLiteral("update %1 set %2 where rowid = ?")
                          .arg(m_table, assignments.join(u',')));
    }
    for (const QVariant &value : std::as_const(values))
        query.addBindValue(value);
    if (!row.rowId.isNull())
        query.addBindValue(row.rowId);
    if (!query.exec())
        return fail(query.lastError().text());
    if (row.rowId.isNull())
        row.rowId = query.lastInsertId();
    return true;
}

bool CommandCursor::deleteRow(const QVariant &rowId)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("delete from %1 where rowid = ?").arg(m_table));
    query.addBindValue(rowId);
    return query.exec() || fail(query.lastError().text());
}

// Reads a written row back, so the cursor shows what the database stored
// (a delay written as text "1000" reads back as the integer 1000).
bool CommandCursor::rereadRow(Row &row)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("select * from %1 where rowid = ?").arg(m_table));
    query.addBindValue(row.rowId);
    if (!query.exec() || !query.next())
        return fail(query.lastError().text());
    for (int i = 0; i < m_columns.size(); ++i)
        row.values[i] = query.value(i);
    row.changed.fill(false);
    return true;
}

bool CommandCursor::fail(const QString &error)
{
    m_lastError = error;
    return false;
}
