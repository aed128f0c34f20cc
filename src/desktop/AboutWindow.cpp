// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/AboutWindow.h"

#include "core/Widgets.h"
#include "desktop/Artwork.h"

#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

AboutWindow::AboutWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmabout"));
    setWindowTitle(QStringLiteral("关于程序"));
    auto *mark = new QLabel(this);
    mark->setPixmap(ProgramIcon().pixmap(64, 64));
    auto *product = new QLabel(QStringLiteral("<b>Kestrel 串口调试终端</b>"), this);
    auto *version =
        new QLabel(QStringLiteral("版本 %1").arg(QApplication::applicationVersion()), this);
    auto *about = new QLabel(QStringLiteral("为在串口线上测试、调试设备及其前端调制解调器的工程师而作："
                                            "文本与十六进制、十进制、八进制字节的收发，校验码，"
                                            "AT 命令拨号、应答与自动巡拨，命令库与报文记录，"
                                            "关键字着色与数据文件。"),
                             this);
    about->setWordWrap(true);
    auto *ok = Named(new QPushButton(QStringLiteral("确定"), this), "cmdOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);

    auto *text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(version);
    text->addWidget(about);
    auto *top = new QHBoxLayout;
    top->addWidget(mark, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}
