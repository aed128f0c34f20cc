// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Patrol dialing (自动巡拨): the user enters a list of telephone numbers; the
// program calls each in turn through the call action, marks in the phone
// list and in the receive pane whether it answered, optionally sends the
// command library or the send box to each peer that answered, hangs up, and
// calls the numbers that did not answer again, for as many passes as the
// pass count (巡测次数) says. At the end the pane, headed by the date and
// time, can be kept as the day's patrol record.
//
// The whole patrol runs inside the menu item's handler, keeping the window
// alive through the scheduler's waits. Choosing the item again while it
// reads "停止巡拨" stops the patrol after the attempt in progress. When the
// program closes, the patrol ends at its next check without touching the
// window.

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QComboBox;
class CallAnswer;
class Dialogs;
class FormatSwitch;
class ReceivePath;
class Scheduler;
class SendPath;
class SerialPort;
class StatusBar;

// The pass count the 巡测次数 box makes of an answer: its leading number
// written as an integer; below 1 (also no number, Cancel) it is "2".
QString PassCountText(const QString &answer);

// The number of passes a pass count text stands for (nearest integer,
// halves to even; 0 when it is no number that fits).
int PassCountNumber(const QString &passCount);

class PatrolDialer : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        StatusBar &status;
        CallAnswer &call;
        SendPath &send;
        ReceivePath &receive;
        FormatSwitch &formats;
        QComboBox &numtext;  // the phone box: its text is dialed, its list is the phone book
        QString &passCount;  // the settings value "Options"/"LoopTimes"
        // The command sequencer's 全部发送; returns when the run has ended.
        std::function<void()> runAllCommands;
    };

    PatrolDialer(const Services &services, QObject *parent);

    // The menu items mAutoDial "自动巡拨" (Ctrl+D) and 巡测次数.
    QAction *mAutoDial() const { return m_mAutoDial; }
    QAction *passCountItem() const { return m_passCountItem; }

    // The handler of mAutoDial: a patrol, or the stop of the running one.
    void AutoDial();
    // The handler of 巡测次数.
    void AskPassCount();

    bool isRunning() const { return m_running; }

private:
    // A number entered for this patrol and the phone-list entry made for it.
    struct Entry
    {
        QString number;
        int listIndex;
        bool connected = false;
    };

    void patrol();
    QList<Entry> enterNumbers();
    // Dials the passes; false when the patrol ends where it is (no
    // peripheral, or the program is closing).
    bool dialPasses(QList<Entry> &entries, bool sendCommands);
    void mark(const Entry &entry);
    // A call is up: send what the user asked for, hold it, hang up.
    void serveCall(bool sendCommands);
    // Saves the pane as a record; a header that the pane could not take
    // goes in front of it.
    void saveRecord(const QString &header);
    // A pause; false when the program is closing.
    bool pause(int ms);
    bool closing() const;
    bool ask(const QString &text, bool exclamation);

    Services m_s;
    QAction *m_mAutoDial;
    QAction *m_passCountItem;
    bool m_running = false;
    bool m_stopRequested = false;
};
