// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/Toolbar.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

Toolbar::Toolbar(QWidget *parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("Toolbar1"));
    setMovable(false);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    const char *texts[6] = {"发送 ", "接收 ", "停止 ", "转换 ", "校验", "帮助 "};
    const char *keys[6] = {"send", "reseive", "stopb", "change", "jiaoyan", "help"};
    for (int i = 0; i < 6; ++i) {
        QAction *a = addAction(QString::fromUtf8(texts[i]));
        a->setObjectName(QString::fromLatin1(keys[i]));
        a->setCheckable(i < 3);
        m_buttons[i] = a;
        connect(a, &QAction::triggered, this, [this, i] {
            emit buttonClicked(i + 1);
            // Undo the toggle of the click: the pressed look is the program's.
            if (m_buttons[i]->isCheckable())
                m_buttons[i]->setChecked(m_pressed[i]);
        });
    }
    auto *menu = new QMenu(this);
    m_tmcT = menu->addAction(QStringLiteral("转换发送区"));
    m_tmcT->setObjectName(QStringLiteral("tmcT"));
    menu->addSeparator();
    m_tmcR = menu->addAction(QStringLiteral("转换接收区"));
    m_tmcR->setObjectName(QStringLiteral("tmcR"));
    m_buttons[3]->setMenu(menu);
    if (auto *tb = qobject_cast<QToolButton *>(widgetForAction(m_buttons[3])))
        tb->setPopupMode(QToolButton::MenuButtonPopup);
}

QAction *Toolbar::button(int index) const
{
    return m_buttons[index - 1];
}

void Toolbar::setPressed(int index, bool pressed)
{
    m_pressed[index - 1] = pressed;
    m_buttons[index - 1]->setChecked(pressed);
}

bool Toolbar::isPressed(int index) const
{
    return m_pressed[index - 1];
}
