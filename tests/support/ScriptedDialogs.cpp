// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogs.h"

void ScriptedDialogs::record(const ShownDialog &d)
{
    shown.append(d);
    if (onShow)
        onShow(d);
}

MsgAnswer ScriptedDialogs::message(const QString &text, const QString &title, MsgIcon icon,
                                   MsgButtons buttons)
{
    record({ShownDialog::Message, text, title, icon, buttons, {}});
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return answers.isEmpty() ? MsgAnswer::Yes : answers.dequeue();
}

QString ScriptedDialogs::input(const QString &prompt, const QString &title,
                               const QString &defaultText)
{
    record({ShownDialog::Input, prompt, title, MsgIcon::None, MsgButtons::Ok, defaultText});
    return inputs.isEmpty() ? QString() : inputs.dequeue();
}

QString ScriptedDialogs::openFileName(const QString &title, const QString &filter,
                                      const QString &preset)
{
    record({ShownDialog::OpenFile, filter, title, MsgIcon::None, MsgButtons::Ok, preset});
    return files.isEmpty() ? QString() : files.dequeue();
}

QString ScriptedDialogs::saveFileName(const QString &title, const QString &filter,
                                      const QString &preset)
{
    record({ShownDialog::SaveFile, filter, title, MsgIcon::None, MsgButtons::Ok, preset});
    return files.isEmpty() ? QString() : files.dequeue();
}

QString ScriptedDialogs::folderName(const QString &title, const QString &preset)
{
    record({ShownDialog::Folder, {}, title, MsgIcon::None, MsgButtons::Ok, preset});
    return files.isEmpty() ? QString() : files.dequeue();
}

QString ScriptedDialogs::choice(const QString &prompt, const QString &title, const QStringList &items,
                                int current)
{
    record({ShownDialog::Choice, prompt, title, MsgIcon::None, MsgButtons::Ok, items.value(current)});
    return inputs.isEmpty() ? QString() : inputs.dequeue();
}

std::optional<QColor> ScriptedDialogs::color(const QColor &initial)
{
    record({ShownDialog::Color, initial.name(), {}, MsgIcon::None, MsgButtons::Ok, {}});
    return colors.isEmpty() ? std::nullopt : colors.dequeue();
}

QStringList ScriptedDialogs::messages() const
{
    QStringList texts;
    for (const auto &d : shown)
        if (d.kind == ShownDialog::Message)
            texts << d.text;
    return texts;
}
