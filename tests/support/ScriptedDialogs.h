// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scripted dialogs for tests: every box shown is recorded, and answers come
// from queues. An unscripted message box answers Ok or Yes; an unscripted
// input or file box answers an empty text (Cancel).

#include "core/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>
#include <functional>

struct ShownDialog
{
    enum Kind { Message, Input, OpenFile, SaveFile, Folder, Choice, Color } kind = Message;
    QString text; // message text, or input prompt
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    QString defaultText; // input box default, or file picker preset
};

class ScriptedDialogs : public Dialogs
{
public:
    QList<ShownDialog> shown;
    int beeps = 0;

    QQueue<MsgAnswer> answers;
    QQueue<QString> inputs;
    QQueue<QString> files;
    QQueue<std::optional<QColor>> colors;
    // Runs while a box is "open", as a user acting meanwhile would.
    std::function<void(const ShownDialog &)> onShow;

    MsgAnswer message(const QString &text, const QString &title, MsgIcon icon,
                      MsgButtons buttons) override;
    QString input(const QString &prompt, const QString &title,
                  const QString &defaultText) override;
    QString openFileName(const QString &title, const QString &filter,
                         const QString &preset = {}) override;
    QString saveFileName(const QString &title, const QString &filter,
                         const QString &preset = {}) override;
    // A folder comes from files, a choice (the item's text) from inputs.
    QString folderName(const QString &title, const QString &preset = {}) override;
    QString choice(const QString &prompt, const QString &title, const QStringList &items,
                   int current = 0) override;
    std::optional<QColor> color(const QColor &initial) override;
    void beep() override { ++beeps; }

    // The texts of the message boxes shown so far.
    QStringList messages() const;
    void clear() { shown.clear(); beeps = 0; }

private:
    void record(const ShownDialog &d);
};
