// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scrollable snapshot of "select * from <table>" in query order. The rows
// are read once (and again on requery); edits and deletions stay pending in
// the snapshot until updateBatch() writes them all in one transaction.
// Fields are addressed by position, counted from 0 in the table's column
// order.

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

class CommandCursor
{
public:
    // The table name is an identifier, quoted when it goes into SQL, so any
    // name works and no name can change what the statements do.
    CommandCursor(const QSqlDatabase &db, const QString &tableName);

    // Reads the table again, dropping pending changes; the cursor moves to
    // the first record. False when the query fails (the cursor is then empty).
    bool requery();

    int recordCount() const { return int(m_rows.size()); }
    bool isBOF() const { return m_rows.isEmpty() || m_pos < 0; }
    bool isEOF() const { return m_rows.isEmpty() || m_pos >= m_rows.size(); }

    void moveFirst() { m_pos = 0; }
    void moveLast() { m_pos = int(m_rows.size()) - 1; }
    void moveNext() { m_pos = qMin(m_pos + 1, int(m_rows.size())); }
    void movePrevious() { m_pos = qMax(m_pos - 1, -1); }

    // The value at a position of the current record; null when there is no
    // current record or no such column.
    QVariant field(int position) const;
    // Changes a field of the current record (pending). Position 0, the key
    // column, is not written. False when there is nothing to change.
    bool setField(int position, const QVariant &value);
    // Appends a new, empty record and makes it current (pending).
    void addNew();
    // Removes the current record (pending); the record after it becomes
    // current.
    void deleteCurrent();

    bool hasPendingChanges() const;
    // Writes every pending change in one transaction. On failure the file is
    // left as it was, the changes stay pending and lastError() says why.
    bool updateBatch();
    // Drops the pending changes: the cursor shows the table as last read or
    // written. The position is kept where the record still exists.
    void cancelBatch();

    QString lastError() const { return m_lastError; }

private:
    struct Row
    {
        QVariant rowId; // null for a record not yet written
        QList<QVariant> values;
        QList<bool> changed;
    };

    bool hasCurrent() const { return m_pos >= 0 && m_pos < m_rows.size(); }
    bool writeRow(Row &row);
    bool deleteRow(const QVariant &rowId);
    bool rereadRow(Row &row);
    bool fail(const QString &error);

    QSqlDatabase m_db;
    QString m_table;   // quoted
    QStringList m_columns; // quoted, by position
    QList<Row> m_rows;
    QList<Row> m_written; // the rows as last read or written
    QList<QVariant> m_deleted; // row ids of pending deletions
    int m_pos = 0;
    QString m_lastError;
};

// name as an SQL identifier: in double quotes, inner quotes doubled.
QString QuotedIdentifier(const QString &name);
