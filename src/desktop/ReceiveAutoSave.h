// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Auto-save of the receive pane (`RecSave` 接收自动保存): while on, a pane
// that grows past the limit is appended to the day's file 自动存储<date>.txt
// under a dated header and then emptied. The pane is emptied only once its
// text is in the file; a failed write keeps the pane and is said in status
// panel 6, and in a message box the first time that cause is met. While the
// write fails, the chunk is tried again after 1 s, then after twice as long
// each time, up to 30 s; the changes of the pane meanwhile cost nothing. The
// same pane-change handler keeps a read-only pane at its end.

#include <QObject>
#include <QString>

class Dialogs;
class QAction;
class QCheckBox;
class Scheduler;
class StatusBar;
class Timer;
class TextPane;

class ReceiveAutoSave : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLargestLimit = 32760;
    static constexpr int kStartLimit = 1000;

    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kLongestRetryMs = 30000;

    struct Services
    {
        Scheduler &scheduler;
        Dialogs &dialogs;
        StatusBar &status;
        TextPane &pane;
        QCheckBox &readOnly; // `onlyR`
    };

    ReceiveAutoSave(const Services &services, QObject *parent);

    QAction *RecSave() const { return m_recSave; }
    int limit() const { return m_limit; }
    // The file the chunks of today go to.
    static QString dayFile();

    // `RecSave`: switching on asks for the limit; switching off asks nothing.
    void SwitchAutoSave();

private:
    // `Text2_Change`.
    void paneChanged();
    void saveChunk();
    // After a failed write: the next try, later each time, and the user told.
    void retryLater(const QString &why);
    // Asks for the limit until the answer is in range; false when cancelled.
    bool askLimit();

    Services m_s;
    QAction *m_recSave;
    int m_limit = kStartLimit;
    // The pane is being emptied after a save: that change saves nothing.
    bool m_saving = false;
    // Runs the next try while writes fail; the pane's changes wait for it.
    Timer *m_retry;
    int m_retryMs = kFirstRetryMs;
    // The last failure said in a message box: when it comes back, only the
    // status bar says it.
    QString m_failureSaid;
};
