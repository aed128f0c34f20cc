// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start-up window `frmSplash`: the product name, its version and the
// systems it runs on, shown while the main window loads.

#include <QWidget>

class Scheduler;

class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SplashWindow(Scheduler &scheduler);

    // Closes the window after a pause of one second in which the program
    // keeps running. A key press or a click closes it at once.
    void Finish();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    Scheduler &m_scheduler;
};
