// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/LineSwitches.h"

#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "serial/SerialPort.h"

#include <QAction>

LineSwitches::LineSwitches(const Services &services, Lamp &dtr, Lamp &rts, QObject *parent)
    : QObject(parent), m_s(services), m_dtr(dtr), m_rts(rts)
{
    m_breakItem = Named(new QAction(QStringLiteral("发送中断信号(Break)"), this), "mBreak");
    connect(m_breakItem, &QAction::triggered, this, &LineSwitches::SendBreak);
    m_lengthItem = Named(new QAction(QStringLiteral("设置Break时长"), this), "mBreakLength");
    connect(m_lengthItem, &QAction::triggered, this, &LineSwitches::SetBreakLength);
    m_breakHold = m_s.scheduler.createTimer(this, QStringLiteral("breakHold"));
    connect(m_breakHold, &Timer::timeout, this, &LineSwitches::endBreak);
    connect(&m_dtr, &Lamp::clicked, this, [this] { toggle(true); });
    connect(&m_rts, &Lamp::clicked, this, [this] { toggle(false); });
    m_dtr.setToolTip(QStringLiteral("单击切换 DTR；呼叫、应答等待、巡拨或命令发送期间不可用"));
    Refresh();
}

bool LineSwitches::isInBreak() const
{
    return m_breakHold->isActive();
}

void LineSwitches::SendBreak()
{
    if (!m_s.port.isOpen() || isInBreak())
        return;
    m_s.port.setBreak(true);
    m_breakHold->setInterval(m_s.breakMs);
    m_breakHold->start();
    Refresh();
}

void LineSwitches::endBreak()
{
    m_breakHold->stop();
    // The port may have closed meanwhile; releasing a closed one is harmless.
    m_s.port.setBreak(false);
    Refresh();
}

void LineSwitches::toggle(bool dtr)
{
    // The click may come in the same pass of events as the start of a call.
    Refresh();
    if (!(dtr ? m_dtr : m_rts).isEnabled())
        return;
    SerialPort &port = m_s.port;
    if (dtr)
        port.setDtrEnable(!port.dtrEnable());
    else
        port.setRtsEnable(!port.rtsEnable());
    const LineStates lines = port.lineStates();
    m_dtr.setOn(lines.dtr);
    m_rts.setOn(lines.rts);
}

void LineSwitches::Refresh()
{
    SerialPort &port = m_s.port;
    const bool open = port.isOpen();
    m_breakItem->setEnabled(open && !isInBreak());
    const bool free = open && !(m_linesInUse && m_linesInUse());
    const bool driverHoldsRts = port.portSettings().hardwareFlow();
    m_dtr.setEnabled(free);
    m_rts.setEnabled(free && !driverHoldsRts);
    const QString rtsTip = driverHoldsRts
                               ? QStringLiteral("RTS 由硬件流控(RTS/CTS)控制，灯显示线路的实际状态")
                               : QStringLiteral("单击切换 RTS；呼叫、应答等待、巡拨或命令发送期间不可用");
    // Run on every poll tick: a tip set anew each time would notify each time.
    if (m_rts.toolTip() != rtsTip)
        m_rts.setToolTip(rtsTip);
}

void LineSwitches::SetBreakLength()
{
    const auto ms = AskNumberInRange(
        m_s.dialogs, {QStringLiteral("请输入中断信号(Break)的时长( 单位：毫秒 )"), QStringLiteral("设置Break时长"),
                      m_s.breakMs, BreakLength::MinMs, BreakLength::MaxMs,
                      QStringLiteral("时长须在 %1 到 %2 毫秒之间！").arg(BreakLength::MinMs).arg(BreakLength::MaxMs)});
    if (ms)
        m_s.breakMs = *ms;
}
