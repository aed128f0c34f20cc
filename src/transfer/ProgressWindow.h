// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window a transfer shows while it runs: the file's name, the bytes
// done of the total, the rate, the time left and 取消. Closing the window
// cancels too.

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

class ProgressWindow : public QDialog
{
    Q_OBJECT
public:
    ProgressWindow(const QString &title, QWidget *parent);

    void setFileName(const QString &name);
    // total is -1 while unknown (an XMODEM receive). Shown at most ten
    // times a second, and always at the start and the end.
    void setProgress(qint64 done, qint64 total);
    QPushButton *cancelButton() const { return m_cancel; }

    // The shown texts, as the window shows them.
    QString fileText() const;
    QString bytesText() const;

signals:
    void cancelled();

protected:
    void reject() override;

private:
    QLabel *m_file = nullptr;
    QLabel *m_bytes = nullptr;
    QLabel *m_rate = nullptr;
    QLabel *m_left = nullptr;
    QProgressBar *m_bar = nullptr;
    QPushButton *m_cancel = nullptr;
    QElapsedTimer m_clock;
    // When the figures were last shown: they change with every block, and
    // painting each change would cost the transfer more than it shows.
    qint64 m_shownAt = -1;
};
