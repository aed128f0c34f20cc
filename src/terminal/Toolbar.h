// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The toolbar `Toolbar1`. Buttons 1 "发送 ", 2 "接收 " and 3 "停止 " show the
// terminal's state by their pressed look, which only the program sets: a
// click runs the button's action and leaves the look as the action left it.

#include <QToolBar>

class QAction;

class Toolbar : public QToolBar
{
    Q_OBJECT
public:
    explicit Toolbar(QWidget *parent = nullptr);

    // Button 1 to 6.
    QAction *button(int index) const;
    void setPressed(int index, bool pressed);
    bool isPressed(int index) const;

    // The drop-down entries of button 4.
    QAction *convertSendAction() const { return m_tmcT; }
    QAction *convertReceiveAction() const { return m_tmcR; }

signals:
    void buttonClicked(int index);

private:
    QAction *m_buttons[6] = {};
    bool m_pressed[6] = {};
    QAction *m_tmcT = nullptr;
    QAction *m_tmcR = nullptr;
};
