// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names received files take in the folder they go to. A file never
// replaces one that is there: "name.ext" becomes "name (1).ext", then
// "name (2).ext", and so on. A file that did not arrive whole says so in
// its name.

#include <QDir>
#include <QString>

// The name of the sender's name without any folder part; a name that is
// empty or only dots becomes "接收的文件".
QString PlainName(const QString &senderName);
// name, or the first further name not taken in folder.
QString FreeName(const QDir &folder, const QString &name);
// The name a partly received file keeps: its name with ".未完成".
QString IncompleteName(const QString &name);
