#pragma once
// Where the program keeps the files it writes: the per-user data folder
// (created on demand), and the day files named by a prefix and today's date.

#include <QString>

QString AppFolder();

// The command database used when none is stored: OrderDB.db in AppFolder().
QString DefaultCommandDatabasePath();

// Today's short date, without characters that file names cannot hold
// ("2026-12-8").
QString ShortDateText();

// AppFolder() + "/" + prefix + ShortDateText() + ".txt".
QString DayFilePath(const QString &prefix);

// Appends text to a file as GBK bytes, creating the file when missing;
// false when it cannot be written.
bool AppendGbk(const QString &path, const QString &text);
