// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and writing a whole file's bytes in tests.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// The file's bytes; empty when it cannot be read.
inline QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces the file with these bytes; a failure fails the test.
inline void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}
