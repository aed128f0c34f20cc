// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/CommandMenu.h"

#include "commands/CommandStore.h"

#include <QAction>
#include <QMenu>

CommandMenu::CommandMenu(QMenu *menu, const CommandStore &store, QObject *parent)
    : QObject(parent), m_menu(menu), m_store(store)
{
    m_menu->clear();
    addItem(QStringLiteral("◣管理器◥"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    RebuildCommandMenu();
    connect(&m_store, &CommandStore::commandsLoaded, this, &CommandMenu::RebuildCommandMenu);
}

void CommandMenu::RebuildCommandMenu()
{
    if (!m_menu)
        return;
    const QList<QAction *> items = m_menu->actions();
    for (QAction *item : items.mid(1)) {
        m_menu->removeAction(item);
        delete item;
    }
    for (const CommandRecord &record : m_store.commandTable()) {
        QAction *item = addItem(record.name.trimmed());
        item->setCheckable(true);
        item->setChecked(record.valid == QLatin1String("Y"));
    }
}

QAction *CommandMenu::addItem(const QString &caption)
{
    auto *item = new QAction(caption, m_menu);
    item->setObjectName(QStringLiteral("mOrderM"));
    const int index = int(m_menu->actions().size());
    connect(item, &QAction::triggered, this, [this, item, index] {
        // The tick shows the valid flag; choosing the item must not flip it.
        if (item->isCheckable())
            item->setChecked(!item->isChecked());
        emit itemTriggered(index);
    });
    m_menu->addAction(item);
    return item;
}
