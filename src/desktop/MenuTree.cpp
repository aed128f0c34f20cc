// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/MenuTree.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

const QList<MenuTree::Row> &MenuTree::table()
{
    static const QList<Row> rows = {
        {0, Menu, "wen", "文件(&F)"},
        {1, Item, "da", "打开(&O)", "F3"},
        {1, Item, "mopendaytext", "打开日报文", "Ctrl+B"},
        {1, Separator},
        {1, Item, "mSendFile", "发送文件..."},
        {1, Item, "mReceiveFile", "接收文件..."},
        {1, Separator},
        {1, Menu, "save", "保存(&S)"},
        {2, Item, "chufa", "保存发送数据(&F)", "Ctrl+F"},
        {2, Item, "cuns1", "保存接收数据(&S)", "Ctrl+S"},
        {1, Separator},
        {1, Item, "exit", "退出(X)", "Ctrl+Q"},

        {0, Menu, "控制", "控制(&K)"},
        {1, Item, "发送", "发送", "F1"},
        {1, Item, "mAutoT", "自动发送", "Shift+F1"},
        {1, Item, "接收", "接收", "F2"},
        {1, Item, "停止", "停止"},
        {1, Separator},
        {1, Item, "checksum", "校验和", "F5"},
        {1, Separator},
        {1, Item, "呼叫", "呼叫", "F6"},
        {1, Item, "挂机", "挂机", "F7"},
        {1, Item, "mBreak", "发送中断信号(Break)", "Ctrl+Shift+B"},
        {1, Separator},
        {1, Item, "mAutoDial", "自动巡拨", "Ctrl+D"},
        {1, Separator},
        {1, Item, "清除发送", "清除发送", "F8"},
        {1, Item, "料", "清除接收", "F9"},
        {1, Separator},
        {1, Item, "转串口1", "转串口 1", "Ctrl+F1"},
        {1, Item, "转串口2", "转串口 2", "Ctrl+F2"},
        {1, Item, "转串口3", "转串口 3", "Ctrl+F3"},

        // The items of 自定义命令 are the stored commands, added at run time.
        {0, Menu, "ming", "命令(&M)"},
        {1, Menu, "mDiyOrder", "自定义命令"},
        {1, Separator},
        {1, Item, "mOnOrder", "全部发送", "Ctrl+F5"},
        {1, Separator},
        {1, Item, "mCollectfrmsend", "提取命令", "Ctrl+R"},

        {0, Menu, "MOption1", "选项(&O)"},
        {1, Item, "设置握手等待时间", "设置握手时间"},
        {1, Item, "巡测次数", "巡测次数"},
        {1, Item, "mBreakLength", "设置Break时长"},
        {1, Separator},
        {1, Item, "msettablename", "指定命令表名"},
        {1, Separator},
        {1, Item, "RecSave", "接收自动保存"},
        {1, Separator},
        {1, Item, "mOrderSave", "收发命令存储[报文]"},
        {1, Separator},
        {1, Menu, "mcheckmod", "校验方式"},
        {2, Item, "mCheckSum", "校验和(字节)"},
        {2, Item, "mCRC", "CRC校验(字)"},
        {2, Item, "mCrcModbus", "CRC-16/MODBUS"},
        {2, Item, "mCrcXmodem", "CRC-16/XMODEM"},
        {2, Item, "mCrcCcittFalse", "CRC-16/CCITT-FALSE"},
        {2, Item, "mCrc32", "CRC-32"},
        {2, Item, "mCrc8", "CRC-8"},
        {1, Separator},
        {1, Item, "msetkey", "设置关键字", "Ctrl+G"},
        {1, HiddenMenu, "xiyi", "协议"},
        {2, Item, "xieyia", "协议一"},
        {2, Item, "xieyib", "协议二"},
        {1, Separator},
        {1, Item, "mAutoReconnect", "断线自动重连"},
        {1, Menu, "mLineEnd", "发送行尾"},
        {2, Item, "mEndCrLf", "CR LF"},
        {2, Item, "mEndLf", "LF"},
        {2, Item, "mEndCr", "CR"},
        {2, Item, "mEndNone", "无"},
        {1, Item, "mSendPacing", "发送节奏"},
        {1, Item, "mShowSent", "显示发送数据"},
        {1, Item, "mZmodemAutoStart", "ZMODEM自动接收"},
        {1, Menu, "mStamps", "时间戳"},
        {2, Item, "mStampNone", "无"},
        {2, Item, "mStampTime", "时刻"},
        {2, Item, "mStampRelative", "相对"},
        {2, Item, "mStampDateTime", "日期时刻"},
        {2, Separator},
        {2, Item, "mStampGap", "设置分帧间隔"},

        {0, Menu, "工具", "工具(&T)"},
        {1, Item, "计算器", "计算器(&J)", "Ctrl+J"},
        {1, Separator},
        {1, Item, "计事本", "计事本(&P)", "Ctrl+P"},

        {0, Menu, "help", "帮助(&H)"},
        {1, Item, "guanyu", "使用说明..."},
        {1, Separator},
        {1, Item, "guangty", "关于本程序..."},

        {0, HiddenMenu, "popmenu", "PopMenu"},
        {1, Item, "pmshow", "显示窗体"},
        {1, Item, "pmhide", "隐藏窗体"},
        {1, Item, "pmexit", "退出程序"},

        {0, HiddenMenu, "bianji", "bianji"},
        {1, Item, "Madd", "添加"},
        {1, Item, "Mdel", "删除"},
        {1, Item, "Mqingchu", "清除"},
    };
    return rows;
}

MenuTree::MenuTree(QMenuBar *bar, QWidget *window, const QList<QAction *> &supplied)
    : QObject(window)
{
    QHash<QString, QAction *> byName;
    for (QAction *a : supplied)
        byName.insert(a->objectName(), a);

    // The menu that takes the entries of each level.
    QMenu *open[3] = {};
    for (const Row &row : table()) {
        const QString name = QString::fromUtf8(row.name);
        const QString caption = QString::fromUtf8(row.caption);
        QMenu *parentMenu = row.level > 0 ? open[row.level - 1] : nullptr;
        switch (row.kind) {
        case Separator:
            parentMenu->addSeparator();
            break;
        case Menu:
        case HiddenMenu: {
            QMenu *menu = nullptr;
            if (row.level == 0 && row.kind == HiddenMenu)
                menu = new QMenu(caption, window);
            else if (row.level == 0)
                menu = bar->addMenu(caption);
            else
                menu = parentMenu->addMenu(caption);
            menu->setObjectName(name);
            menu->menuAction()->setObjectName(name);
            menu->menuAction()->setVisible(row.kind == Menu);
            m_menus.insert(name, menu);
            open[row.level] = menu;
            break;
        }
        case Item: {
            QAction *a = byName.take(name);
            if (!a) {
                a = new QAction(this);
                a->setObjectName(name);
                m_unwired << name;
            }
            a->setText(caption);
            a->setShortcut(QKeySequence(QString::fromUtf8(row.shortcut)));
            parentMenu->addAction(a);
            m_items.insert(name, a);
            break;
        }
        }
    }
    // A supplied item the table does not know would be silently lost.
    for (auto it = byName.cbegin(); it != byName.cend(); ++it)
        qWarning("MenuTree: no row for the supplied item %s", qPrintable(it.key()));
}

QAction *MenuTree::item(const QString &name) const
{
    if (QAction *a = m_items.value(name))
        return a;
    const QMenu *m = m_menus.value(name);
    return m ? m->menuAction() : nullptr;
}

QMenu *MenuTree::menu(const QString &name) const
{
    return m_menus.value(name);
}

QStringList MenuTree::unwired() const
{
    return m_unwired;
}
