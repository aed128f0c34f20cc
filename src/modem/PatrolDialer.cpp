// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/PatrolDialer.h"

#include "core/AppFiles.h"
#include "core/Dialogs.h"
#include "core/NumberText.h"
#include "core/Scheduler.h"
#include "core/TextCodec.h"
#include "core/Widgets.h"
#include "modem/CallAnswer.h"
#include "modem/PatrolRecord.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/PaneTextStream.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPath.h"
#include "terminal/StatusBar.h"

#include <QAction>
#include <QComboBox>
#include <algorithm>
#include <limits>

namespace {

const QString kStart = QStringLiteral("自动巡拨");
const QString kStop = QStringLiteral("停止巡拨");
const QString kCrLf = QStringLiteral("\r\n");

// The marks of an attempt, in the phone list (after the number) and in the pane.
const QString kListConnected = QStringLiteral("      ->通<-");
const QString kListNotConnected = QStringLiteral("         ->不通<-");
const QString kPaneConnected = QStringLiteral("   ->通<-  ");
const QString kPaneNotConnected = QStringLiteral("   ->不通<-  ");

// A phone-list entry is the number's own when it is the number, bare or
// followed by one of the marks; "1030" is not the entry of "103".
bool IsEntryOf(const QString &listed, const QString &number)
{
    return listed == number || listed == number + kListConnected || listed == number + kListNotConnected;
}

// The entry box's prompt with n numbers entered so far.
QString EntryPrompt(int n)
{
    const QString have = QStringLiteral("    当前已有号码：") + QString::number(n) + QStringLiteral(" 个");
    const QString next = QStringLiteral("    加入巡测号码：") + QString::number(n + 1) + QStringLiteral(" ？");
    if (n == 0)
        return have + kCrLf + kCrLf + kCrLf + next;
    return have + kCrLf + kCrLf + next + kCrLf + kCrLf + kCrLf
           + QStringLiteral("     —— [ 取消 ] 后进入预巡测状态 ...");
}

} // namespace

QString PassCountText(const QString &answer)
{
    const double value = LenientNumber(answer);
    const auto passes = value >= 1 ? ToIntegerWidth(value, 1, std::numeric_limits<qint32>::max())
                                   : std::nullopt;
    return passes ? QString::number(*passes) : QStringLiteral("2");
}

int PassCountNumber(const QString &passCount)
{
    return int(ToIntegerWidth(LenientNumber(passCount), std::numeric_limits<qint32>::min(),
                              std::numeric_limits<qint32>::max())
                   .value_or(0));
}

PatrolDialer::PatrolDialer(const Services &services, QObject *parent)
    : QObject(parent),
      m_s(services),
      m_mAutoDial(new QAction(kStart, this)),
      m_passCountItem(new QAction(QStringLiteral("巡测次数"), this))
{
    m_mAutoDial->setObjectName(QStringLiteral("mAutoDial"));
    m_passCountItem->setObjectName(QStringLiteral("巡测次数"));
    connect(m_mAutoDial, &QAction::triggered, this, &PatrolDialer::AutoDial);
    connect(m_passCountItem, &QAction::triggered, this, &PatrolDialer::AskPassCount);
}

void PatrolDialer::AskPassCount()
{
    m_s.passCount = PassCountText(m_s.dialogs.input(QStringLiteral(" 自动重拔次数 ... "),
                                                    QStringLiteral("请输入巡测次数"), m_s.passCount));
}

void PatrolDialer::AutoDial()
{
    if (m_running) {
        // Read only once the attempt in progress is over. Until then the
        // item is greyed: choosing it again could neither stop nor start.
        m_stopRequested = true;
        m_mAutoDial->setText(kStart);
        m_mAutoDial->setEnabled(false);
        return;
    }
    m_running = true;
    m_stopRequested = false;
    m_mAutoDial->setText(kStop);
    patrol();
    m_running = false;
    m_mAutoDial->setText(kStart);
    m_mAutoDial->setEnabled(true);
}

bool PatrolDialer::closing() const
{
    return m_s.scheduler.isShuttingDown();
}

bool PatrolDialer::pause(int ms)
{
    m_s.scheduler.wait(ms);
    return !closing();
}

bool PatrolDialer::ask(const QString &text, bool exclamation)
{
    const MsgAnswer answer = m_s.dialogs.message(text, QStringLiteral("提示"),
                                                 exclamation ? MsgIcon::Exclamation : MsgIcon::None,
                                                 MsgButtons::YesNo);
    return answer == MsgAnswer::Yes && !closing();
}

void PatrolDialer::patrol()
{
    QList<Entry> entries = enterNumbers();
    if (entries.isEmpty() || !ask(QStringLiteral(" 立即启动自动巡测吗？"), true))
        return;
    const bool sendCommands = ask(QStringLiteral("拨通后发预定义命令吗?"), false);
    if (!pause(1000))
        return;
    // A call still up from before would take the first number's dial as data.
    if (m_s.port.cdHolding())
        m_s.call.HangUpAction();
    if (!pause(500) || !dialPasses(entries, sendCommands))
        return;

    // A pane whose start is kept on disk (read-only) cannot take the header
    // in front: then it goes in front of the record file only.
    const QString header = PatrolRecordHeader(QDateTime::currentDateTime());
    const bool inPane = m_s.receive.Text2()->prepend(header);
    if (!inPane)
        m_s.status.setMessage(QStringLiteral("接收区较早的内容已存入缓存文件（只读），巡测记录的标题只写入记录文件"));
    if (ask(QStringLiteral("保存巡测记录吗？"), false))
        saveRecord(inPane ? QString() : header);
}

QList<PatrolDialer::Entry> PatrolDialer::enterNumbers()
{
    QList<Entry> entries;
    for (;;) {
        const int n = int(entries.size());
        const QString answer = m_s.dialogs.input(
            EntryPrompt(n), QStringLiteral("输入巡测号码"),
            n == 0 ? QStringLiteral("1031") : NextNumberText(entries.last().number));
        if (closing())
            return {};
        // A number of blanks only is no number: dialing it would stop the
        // patrol at a message box.
        if (answer.trimmed().isEmpty())
            return entries;
        m_s.numtext.addItem(answer);
        entries.append({answer, m_s.numtext.count() - 1});
        m_s.numtext.setEditText(QStringLiteral("已有 ") + QString::number(entries.size())
                                + QStringLiteral(" 个号码 ..."));
        m_s.scheduler.processEvents();
    }
}

bool PatrolDialer::dialPasses(QList<Entry> &entries, bool sendCommands)
{
    const auto answered = [](const Entry &e) { return e.connected; };
    const int passes = PassCountNumber(m_s.passCount);
    // Once every number has answered, the passes left would dial nothing.
    for (int pass = 1; pass <= passes && !std::all_of(entries.cbegin(), entries.cend(), answered); ++pass) {
        for (Entry &entry : entries) {
            m_s.scheduler.processEvents();
            if (closing())
                return false;
            if (m_stopRequested)
                return true;
            m_s.receive.Text2()->setFocus();
            if (entry.connected)
                continue;
            if (!m_s.port.dsrHolding()) {
                m_s.dialogs.message(QStringLiteral("请检查外设是否正常！"), QStringLiteral("错误"),
                                    MsgIcon::Exclamation);
                return false;
            }
            m_s.numtext.setEditText(entry.number);
            m_s.status.setMessage(QStringLiteral("第 ") + QString::number(pass)
                                  + QStringLiteral(" 次巡测： ") + entry.number + QStringLiteral(" ..."));
            if (!pause(2000))
                return false;
            if (m_stopRequested)
                return true;
            m_s.receive.Text2()->append(kCrLf + QStringLiteral("[ 第 ") + QString::number(pass)
                                        + QStringLiteral(" 次拨 ") + entry.number + QStringLiteral(" ]"));
            m_s.call.Call();
            if (!pause(500))
                return false;
            entry.connected = m_s.port.cdHolding();
            mark(entry);
            if (entry.connected) {
                serveCall(sendCommands);
                if (closing())
                    return false;
            }
        }
    }
    return true;
}

void PatrolDialer::mark(const Entry &entry)
{
    {
        // The entry made for this number, unless the user has edited the
        // phone book meanwhile and it is gone; the box goes on showing the
        // number just dialed.
        KeepShownText keep(&m_s.numtext);
        if (entry.listIndex < m_s.numtext.count()
            && IsEntryOf(m_s.numtext.itemText(entry.listIndex), entry.number))
            m_s.numtext.setItemText(entry.listIndex,
                                    entry.number + (entry.connected ? kListConnected : kListNotConnected));
    }
    m_s.receive.Text2()->append(entry.connected ? kPaneConnected : kPaneNotConnected);
}

void PatrolDialer::serveCall(bool sendCommands)
{
    // The send box is sent when the user had put text there. A command run
    // leaves its last command in the box and that command's format in
    // force: the user's text goes back in, in the format it was typed in,
    // else the last command would go out a second time.
    const QString userText = m_s.send.sendText();
    const DataFormat userFormat = m_s.formats.sendFormat();
    // A stop asked for meanwhile skips straight to the hang-up.
    if (sendCommands && !m_stopRequested) {
        m_s.runAllCommands();
        if (closing())
            return;
        if (!userText.isEmpty()) {
            m_s.send.setSendText(userText);
            m_s.formats.SetDataFormat(int(userFormat), FormatSwitch::SendOnly);
        }
    }
    if (!m_stopRequested && !userText.isEmpty()) {
        m_s.receive.Receive();
        m_s.send.Send();
        // The hang-up writes to the port: a paced send is over first, so
        // that the modem commands do not land among its bytes.
        m_s.send.waitUntilSent();
        if (closing())
            return;
    }
    if (!m_stopRequested && !pause(2000))
        return;
    m_s.call.HangUpAction();
}

void PatrolDialer::saveRecord(const QString &header)
{
    const TextPane &pane = *m_s.receive.Text2();
    const SavedRecord saved = SavePatrolRecord(AppFolder(), ShortDateText(), [&](const TextWriter &write) {
        return (header.isEmpty() || write(header))
               && PaneTextStream::wholePane(pane, write);
    });
    if (!saved.error.isEmpty())
        m_s.dialogs.message(QStringLiteral("巡测记录未能保存！\r\n") + saved.path + kCrLf + saved.error,
                            QStringLiteral("错误"), MsgIcon::Exclamation);
    else if (saved.replaced > 0)
        m_s.status.setMessage(QStringLiteral("巡测记录已保存到 %1").arg(saved.path)
                              + ReplacedCharactersText(saved.replaced));
}
