// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status bar `Bar`: six panels. 1 date, 2 time, 3 Num Lock, 4 Caps
// Lock, 5 the send mode ("手动"/"自动"), 6 the one-line activity messages.

#include <QStatusBar>

class QLabel;

class StatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusBar(QWidget *parent = nullptr);

    // Panel 1 to 6.
    QString panel(int index) const;
    void setPanel(int index, const QString &text);

    // Panel 6, the activity message.
    QString message() const { return panel(6); }
    void setMessage(const QString &text) { setPanel(6, text); }

private:
    void refreshClock();
    QLabel *m_panels[6] = {};
};
