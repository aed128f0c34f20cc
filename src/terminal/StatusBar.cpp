// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/StatusBar.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>

StatusBar::StatusBar(QWidget *parent) : QStatusBar(parent)
{
    setObjectName(QStringLiteral("Bar"));
    setSizeGripEnabled(false);
    const int widths[6] = {80, 64, 36, 40, 40, 0};
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("Bar_panel%1").arg(i + 1));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (widths[i] > 0)
            label->setMinimumWidth(widths[i]);
        m_panels[i] = label;
        addPermanentWidget(label, i == 5 ? 1 : 0);
    }
    m_panels[2]->setText(QStringLiteral("NUM"));
    m_panels[3]->setText(QStringLiteral("CAPS"));
    m_panels[4]->setText(QStringLiteral("手动"));
    refreshClock();
    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &StatusBar::refreshClock);
    clock->start(1000);
}

QString StatusBar::panel(int index) const
{
    return index >= 1 && index <= 6 ? m_panels[index - 1]->text() : QString();
}

void StatusBar::setPanel(int index, const QString &text)
{
    if (index >= 1 && index <= 6)
        m_panels[index - 1]->setText(text);
}

void StatusBar::refreshClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_panels[0]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_panels[1]->setText(locale.toString(now.time(), QLocale::ShortFormat));
}
