// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialogs that never block: a benchmark has nobody to answer them. A
// message is printed on the error stream and answered Yes; an input box
// answers inputAnswer, the pickers and the list choice their answers
// (empty: Cancel).

#include "core/Dialogs.h"

#include <cstdio>

namespace bench {

class SilentDialogs : public Dialogs
{
public:
    MsgAnswer message(const QString &text, const QString &, MsgIcon, MsgButtons) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgAnswer::Yes;
    }
    QString inputAnswer;
    QString input(const QString &, const QString &, const QString &) override { return inputAnswer; }
    QString openAnswer;
    QString openFileName(const QString &, const QString &, const QString &) override { return openAnswer; }
    QString saveAnswer;
    QString saveFileName(const QString &, const QString &, const QString &) override { return saveAnswer; }
    QString folderAnswer;
    QString folderName(const QString &, const QString &) override { return folderAnswer; }
    QString choiceAnswer;
    QString choice(const QString &, const QString &, const QStringList &, int) override { return choiceAnswer; }
    std::optional<QColor> color(const QColor &) override { return std::nullopt; }
    void beep() override {}
};

} // namespace bench
