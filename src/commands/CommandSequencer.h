// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sends commands of the library over the port: one named command from the
// custom-command submenu, or all valid commands in turn with each one's
// delay ("全部发送"), optionally recording every exchange in the day's
// message log.

#include <QObject>
#include <functional>

class QAction;
class CommandRecord;
class CommandStore;
class Dialogs;
class FormatSwitch;
class ReceivePath;
class Scheduler;
class SendPath;
class SerialPort;
class StatusBar;
struct TerminalFlags;

class CommandSequencer : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        CommandStore &store;
        SerialPort &port;
        Scheduler &scheduler;
        Dialogs &dialogs;
        StatusBar &status;
        TerminalFlags &flags;
        FormatSwitch &formats;
        SendPath &send;
        ReceivePath &receive;
        // Asks the desktop to open a file (the day log).
        std::function<void(const QString &path)> openFile;
        // Opens the command manager (submenu item 0).
        std::function<void()> openManager;
    };

    CommandSequencer(const Services &services, QObject *parent);

    // The menu items: mOnOrder "全部发送", mOrderSave "收发命令存储[报文]"
    // and mopendaytext "打开日报文".
    QAction *mOnOrder() const { return m_mOnOrder; }
    QAction *mOrderSave() const { return m_mOrderSave; }
    QAction *mopendaytext() const { return m_mopendaytext; }

    // True with an open port, after discarding what waits to be sent.
    bool fnPreOrder();
    void RunAllCommands();
    void SendNamedCommand(int index, const QString &caption);
    void LogCommandExchange(const QString &path, const CommandRecord &command);

    bool isRunning() const;
    // The day's message log path.
    static QString MessageLogPath();

private:
    void requestStop();

    Services m_s;
    QAction *m_mOnOrder;
    QAction *m_mOrderSave;
    QAction *m_mopendaytext;
    // Runs started so far; tells a stopped run whether a newer one followed.
    int m_runs = 0;
    // The run that has said its log cannot be written: said once per run.
    int m_logFailureSaidIn = 0;
};
