// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/SplashWindow.h"

#include "core/Scheduler.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <QVersionNumber>

SplashWindow::SplashWindow(Scheduler &scheduler)
    : QWidget(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint), m_scheduler(scheduler)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QVersionNumber version = QVersionNumber::fromString(QApplication::applicationVersion());
    auto *layout = new QVBoxLayout(this);
    auto *product = new QLabel(QStringLiteral("Kestrel 串口调试终端"), this);
    QFont big = product->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    product->setFont(big);
    auto *versionLabel = new QLabel(QStringLiteral("版本： %1.%2.%3")
                                        .arg(version.majorVersion())
                                        .arg(version.minorVersion())
                                        .arg(version.microVersion()),
                                    this);
    versionLabel->setObjectName(QStringLiteral("lblVersion"));
    // Built for Linux only: X11 desktops, and Wayland ones (through XWayland
    // or Qt's Wayland platform).
    auto *systems = new QLabel(QStringLiteral("适用系统： Linux（X11、Wayland 桌面）"), this);
    systems->setObjectName(QStringLiteral("lblSystems"));
    for (QLabel *label : {product, versionLabel, systems}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    setFixedSize(420, 200);
}

void SplashWindow::Finish()
{
    // A key or click during the pause may have closed (and deleted) it.
    QPointer<SplashWindow> self(this);
    m_scheduler.wait(1000);
    if (self)
        self->close();
}

void SplashWindow::keyPressEvent(QKeyEvent *)
{
    close();
}

void SplashWindow::mousePressEvent(QMouseEvent *)
{
    close();
}
