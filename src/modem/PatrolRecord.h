// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The patrol record: the header put in front of the receive pane when a
// patrol ends, and the record file the pane is saved to, one more for every
// save of the day, so that no record saved earlier is ever replaced.

#include "core/AppFiles.h"

#include <QDateTime>
#include <QString>

// An empty line, then the date and time between ten "=" on each side, then
// a line end.
QString PatrolRecordHeader(const QDateTime &moment);

// The file name of the n-th record saved on a date (n from 1):
// 自动巡测2026-12-8.txt, then 自动巡测2026-12-8(2).txt, 自动巡测2026-12-8(3).txt, …
QString PatrolRecordFileName(const QString &date, int n);

struct SavedRecord
{
    QString path;           // the file written, or the one that could not be
    QString error;          // empty when the record was saved, otherwise why not
    qsizetype replaced = 0; // characters GBK lacks, written as "?"
};

// Writes text, handed over in pieces, as GBK with CR LF line ends into
// folder, under the first record name of the date that no file holds yet.
// Without a GBK encoder nothing is written. No piece may end between a CR
// and its LF.
SavedRecord SavePatrolRecord(const QString &folder, const QString &date, const TextSource &text);
