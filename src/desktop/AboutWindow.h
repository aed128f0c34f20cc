// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The about window `frmabout` "关于程序": the product, its version and what
// it is for; `cmdOK` "确定" closes it.

#include <QDialog>

class AboutWindow : public QDialog
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);
};
