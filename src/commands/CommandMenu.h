// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The custom-command submenu mDiyOrder: item 0 "◣管理器◥" opens the
// command manager, items 1 to n mirror the slots of CommandTable. Every
// item is a QAction named mOrderM.

#include <QObject>
#include <QPointer>

class CommandStore;
class QAction;
class QMenu;

class CommandMenu : public QObject
{
    Q_OBJECT
public:
    // Fills menu with item 0 and the loaded commands, and rebuilds it after
    // every load of the store.
    CommandMenu(QMenu *menu, const CommandStore &store, QObject *parent = nullptr);

    void RebuildCommandMenu();

signals:
    // Item index chosen: 0 for the manager, k for slot k - 1.
    void itemTriggered(int index);

private:
    QAction *addItem(const QString &caption);

    QPointer<QMenu> m_menu;
    const CommandStore &m_store;
};
