// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/CommandSequencer.h"

#include "commands/CommandStore.h"
#include "core/AppFiles.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/PaneTextStream.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPath.h"
#include "terminal/StatusBar.h"
#include "terminal/TerminalFlags.h"

#include <QAction>
#include <QFileInfo>
#include <QTime>

namespace {

const QString kRunAll = QStringLiteral("全部发送");
const QString kStop = QStringLiteral("停止命令");

QString finishedText(int count)
{
    return QStringLiteral("完成 : %1 条命令 ").arg(count);
}

} // namespace

CommandSequencer::CommandSequencer(const Services &services, QObject *parent)
    : QObject(parent),
      m_s(services),
      m_mOnOrder(new QAction(kRunAll, this)),
      m_mOrderSave(new QAction(QStringLiteral("收发命令存储[报文]"), this)),
      m_mopendaytext(new QAction(QStringLiteral("打开日报文"), this))
{
    m_mOnOrder->setObjectName(QStringLiteral("mOnOrder"));
    m_mOnOrder->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F5));
    m_mOrderSave->setObjectName(QStringLiteral("mOrderSave"));
    m_mOrderSave->setCheckable(true);
    m_mopendaytext->setObjectName(QStringLiteral("mopendaytext"));
    m_mopendaytext->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(m_mOnOrder, &QAction::triggered, this, &CommandSequencer::RunAllCommands);
    connect(m_mopendaytext, &QAction::triggered, this, [this] {
        const QString path = MessageLogPath();
        if (QFileInfo::exists(path) && m_s.openFile)
            m_s.openFile(path);
    });
}

QString CommandSequencer::MessageLogPath()
{
    return DayFilePath(QStringLiteral("报文"));
}

bool CommandSequencer::isRunning() const
{
    return m_s.flags.commandRun;
}

bool CommandSequencer::fnPreOrder()
{
    if (!m_s.port.isOpen()) {
        m_s.dialogs.message(QStringLiteral("先打开串口！！！"), QStringLiteral("提示"), MsgIcon::Question);
        return false;
    }
    m_s.port.discardOutput();
    return true;
}

void CommandSequencer::RunAllCommands()
{
    // A run whose port has been closed meanwhile can still be stopped here;
    // asking for the port first would leave the user no way to end it from
    // its own menu item.
    if (m_mOnOrder->text() == kStop && !m_s.port.isOpen()) {
        requestStop();
        return;
    }
    if (!fnPreOrder())
        return;
    if (m_s.send.isAutoSending()) {
        const auto answer = m_s.dialogs.message(
            QStringLiteral("正在自动发送,全部执行命令将停止自动发送,确定吗?"), QStringLiteral("提示"),
            MsgIcon::Exclamation, MsgButtons::YesNo);
        if (answer != MsgAnswer::Yes)
            return;
        m_s.send.StopAutoSend();
    }
    if (m_mOnOrder->text() == kStop) {
        requestStop();
        return;
    }
    // A stopped run may be followed by a new one before its last wait is
    // over; the new run then runs to its end inside that wait, and the
    // stopped one leaves quietly so that the new run's result stays shown.
    const int run = ++m_runs;
    m_s.flags.commandRun = true;
    m_mOnOrder->setText(kStop);
    if (!m_s.receive.isReceiving()) {
        const auto answer = m_s.dialogs.message(QStringLiteral("接收数据吗？"), QStringLiteral("提示"),
                                                MsgIcon::Exclamation, MsgButtons::YesNo);
        if (answer == MsgAnswer::Yes)
            m_s.receive.StartReceive();
    }
    int count = 0;
    const qsizetype slotCount = m_s.store.commandTable().size();
    for (qsizetype i = 0; i < slotCount; ++i) {
        // A paced send still going (one the user started meanwhile) keeps
        // the line until it is over, so that the command is not refused.
        m_s.send.waitUntilSent();
        m_s.scheduler.processEvents();
        // The manager may have replaced the table meanwhile: a run over a
        // shorter table ends at its end. Closing the program ends it too.
        if (i >= m_s.store.commandTable().size() || m_s.scheduler.isShuttingDown())
            break;
        const CommandRecord command = m_s.store.commandTable().at(i);
        if (command.valid != u"Y" || !m_s.flags.commandRun)
            continue;
        m_s.send.setSendText(command.content);
        m_s.formats.SetDataFormat(command.format, FormatSwitch::Both);
        m_s.send.Send();
        // The command's delay runs once a paced send has put it all out.
        m_s.send.waitUntilSent();
        m_s.scheduler.wait(command.delay);
        if (run != m_runs)
            return;
        m_s.dialogs.beep();
        ++count;
        m_s.status.setMessage(QStringLiteral("执行 : ") + command.name);
        if (m_mOrderSave->isChecked())
            LogCommandExchange(MessageLogPath(), command);
    }
    if (run != m_runs)
        return;
    m_s.flags.commandRun = false;
    m_mOnOrder->setText(kRunAll);
    m_s.status.setMessage(finishedText(count));
}

void CommandSequencer::requestStop()
{
    // The run in progress notices the cleared flag and ends by itself.
    m_s.flags.commandRun = false;
    m_mOnOrder->setText(kRunAll);
    m_s.status.setMessage(finishedText(0));
}

void CommandSequencer::SendNamedCommand(int index, const QString &caption)
{
    if (index == 0) {
        if (m_s.openManager)
            m_s.openManager();
        return;
    }
    // A paced send still going keeps the line until it is over.
    m_s.send.waitUntilSent();
    if (m_s.scheduler.isShuttingDown() || !fnPreOrder())
        return;
    const auto found = m_s.store.FindCommand(caption);
    m_s.send.setSendText(found ? found->content : QString());
    m_s.formats.SetDataFormat(found ? found->format : 0, FormatSwitch::Both);
    m_s.send.Send();
    m_s.receive.StartReceive();
}

void CommandSequencer::LogCommandExchange(const QString &path, const CommandRecord &command)
{
    const QString head = QStringLiteral("\r\n【") + command.name + QStringLiteral("】")
                         + QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))
                         + QStringLiteral("\r\nSENDING :  ") + m_s.send.sendText() + QStringLiteral("\r\nRECEIVE :  ");
    const TextPane &pane = *m_s.receive.Text2();
    const auto entry = [&head, &pane](const TextWriter &write) {
        return write(head) && PaneTextStream::wholePane(pane, write)
               && write(u"\r\n");
    };
    // The pane is emptied only once its text is in the log, so that the next
    // entry holds only what arrives after this one. A log that cannot be
    // written keeps the pane, which loses nothing: the next entry that is
    // written carries it. The user hears of it once per run.
    QString error;
    if (AppendGbk(path, entry, &error)) {
        m_s.receive.Text2()->setText(QString());
        return;
    }
    m_s.status.setMessage(QStringLiteral(" 报文记录未能写入 ... "));
    if (m_logFailureSaidIn == m_runs)
        return;
    m_logFailureSaidIn = m_runs;
    m_s.dialogs.message(QStringLiteral("报文记录未能写入！\r\n") + path + QStringLiteral("\r\n") + error,
                        QStringLiteral("错误"), MsgIcon::Exclamation);
}
