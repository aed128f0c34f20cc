// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The complete menu tree of the main window, built in one place from one
// table: every menu and item with its object name, caption and shortcut, the
// separators, the submenus, and the hidden menus that serve as pop-up menus
// (`popmenu` of the tray, `bianji` of the books).
//
// Every item of the tree is a QAction named after its row. The part that
// carries out an item supplies its own QAction (named so) when the tree is
// built, and keeps it: it connects it, checks it, changes its caption while
// it runs. The tree gives each item the caption and shortcut of its row. An
// item whose part has not been built yet is made by the tree and does
// nothing.

#include <QHash>
#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

class MenuTree : public QObject
{
    Q_OBJECT
public:
    // One row of the table. Level 0 is a menu of the menu bar, level 1 an
    // entry of it, level 2 an entry of a submenu; the rows after a menu row
    // that are one level deeper are its entries.
    enum Kind {
        Item,
        Menu,
        HiddenMenu, // not shown: a pop-up menu (level 0) or a hidden submenu
        Separator,
    };
    struct Row
    {
        int level;
        Kind kind;
        const char *name = "";
        const char *caption = "";
        const char *shortcut = ""; // QKeySequence text, "" for none
    };
    static const QList<Row> &table();

    // Builds the tree into the window's menu bar; the hidden top menus
    // become pop-up menus owned by the window.
    MenuTree(QMenuBar *bar, QWidget *window, const QList<QAction *> &supplied);

    // The item or menu of the tree with this object name; null when there
    // is none.
    QAction *item(const QString &name) const;
    QMenu *menu(const QString &name) const;

    // The items the tree made because no part supplied them: they do nothing yet.
    QStringList unwired() const;

private:
    QHash<QString, QAction *> m_items;
    QHash<QString, QMenu *> m_menus;
    QStringList m_unwired;
};
