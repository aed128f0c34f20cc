// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ProgressWindow.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ProgressWindow::ProgressWindow(const QString &title, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("transferProgress"));
    setWindowTitle(title);
    setModal(false);
    m_file = new QLabel(this);
    m_bytes = new QLabel(this);
    m_rate = new QLabel(this);
    m_left = new QLabel(this);
    m_bar = new QProgressBar(this);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("transferCancel"));
    // An Enter meant for the file dialog just closed must not end the
    // transfer: 取消 takes a click, or Esc.
    m_cancel->setAutoDefault(false);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("文件："), m_file);
    form->addRow(QStringLiteral("已传："), m_bytes);
    form->addRow(QStringLiteral("速率："), m_rate);
    form->addRow(QStringLiteral("剩余时间："), m_left);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_bar);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::cancelled);
    setMinimumWidth(360);
    m_clock.start();
    setProgress(0, -1);
}

void ProgressWindow::setFileName(const QString &name)
{
    m_file->setText(name);
}

void ProgressWindow::setProgress(qint64 done, qint64 total)
{
    const qint64 now = m_clock.elapsed();
    if (m_shownAt >= 0 && now - m_shownAt < 100 && done > 0 && done != total)
        return;
    m_shownAt = now;
    m_bytes->setText(total >= 0 ? QStringLiteral("%1 / %2 字节").arg(done).arg(total)
                                : QStringLiteral("%1 字节").arg(done));
    const double seconds = now / 1000.0;
    const double rate = seconds > 0 ? done / seconds : 0;
    m_rate->setText(QStringLiteral("%1 字节/秒").arg(qint64(rate)));
    if (total >= 0 && rate > 0) {
        const qint64 left = qint64((total - std::min(done, total)) / rate + 0.5);
        m_left->setText(QStringLiteral("%1:%2").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0')));
    } else {
        m_left->setText(QStringLiteral("--:--"));
    }
    // An unknown size shows a busy bar; an empty file is done at once.
    m_bar->setRange(0, total >= 0 ? 1000 : 0);
    if (total >= 0)
        m_bar->setValue(total > 0 ? int(1000 * std::min(done, total) / total) : 1000);
}

QString ProgressWindow::fileText() const
{
    return m_file->text();
}

QString ProgressWindow::bytesText() const
{
    return m_bytes->text();
}

void ProgressWindow::reject()
{
    // Escape and the window's close button cancel the transfer; the
    // transfer closes the window when it has ended.
    emit cancelled();
}
