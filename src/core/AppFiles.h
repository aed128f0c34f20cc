// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the program keeps the files it writes: the per-user data folder
// (created on demand), and the day files named by a prefix and today's date.

#include <QDateTime>
#include <QString>
#include <functional>
#include <initializer_list>

class QFileDevice;

QString AppFolder();

// The command database used when none is stored: OrderDB.db in AppFolder().
QString DefaultCommandDatabasePath();

// A date (today's unless given) as the short date, without characters that
// file names cannot hold ("2026-12-8").
QString ShortDateText(const QDate &date = QDate::currentDate());

// A moment as the short date and the time of day ("2026-12-8 14:03:22"),
// the same whatever the locale, as the day files' names are.
QString DateTimeText(const QDateTime &moment);

// AppFolder() + "/" + prefix + ShortDateText() + ".txt".
QString DayFilePath(const QString &prefix);

// Writes all the bytes. A write that stops short is taken up where it
// stopped, so that a failure is the device's own (a full disk), with its
// reason in the file's errorString().
bool WriteWhole(QFileDevice &file, QByteArrayView bytes);

// Appends the texts, one after the other, to a file as GBK bytes, creating
// the file when missing. All or nothing: when they cannot be written whole
// (or there is no GBK encoder), the file keeps its former length, the answer
// is false and `error` (if given) says why. `replaced` (if given) is the
// number of characters written as "?" (GbkEncoder).
bool AppendGbk(const QString &path, std::initializer_list<QStringView> texts, QString *error = nullptr,
               qsizetype *replaced = nullptr);
// A text handed over in pieces (a long one is never held whole): the source
// gives each piece to the writer in turn, and is false as soon as the
// writer is (a write failed).
using TextWriter = std::function<bool(QStringView)>;
using TextSource = std::function<bool(const TextWriter &)>;
// The same, for a text that comes in pieces.
bool AppendGbk(const QString &path, const TextSource &texts, QString *error = nullptr,
               qsizetype *replaced = nullptr);
