// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Lifecycle.h"

#include "core/Crc.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "serial/SerialPort.h"
#include "settings/SettingsStore.h"
#include "terminal/CheckCodes.h"
#include "terminal/FormatSwitch.h"
#include "terminal/LineEndingChoice.h"
#include "terminal/PortPanel.h"
#include "terminal/ReceivePane.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPacing.h"
#include "terminal/SendPath.h"
#include "terminal/StampChoice.h"
#include "terminal/StatusBar.h"
#include "terminal/TerminalFlags.h"

#include <QAction>
#include <QComboBox>

Lifecycle::Lifecycle(const Parts &parts, Hooks hooks, QObject *parent)
    : QObject(parent), m_p(parts), m_hooks(std::move(hooks))
{
}

void Lifecycle::StartUp()
{
    m_p.send.setSendText(QString());
    m_p.receive.Text2()->setText(QString());
    const QString savedSendText = LoadSettings(m_p.store, m_p.values, settingsWidgets());
    m_portAwaitingSetUp = PortValues{m_p.portPanel.comba()->currentText().trimmed(),
                                     m_p.portPanel.text4()->currentText().trimmed()};
    // Said once, here: the window starts from the defaults, and the exit
    // leaves the stored settings alone rather than replace them with these.
    if (const QString unreadable = m_p.store.readError(); !unreadable.isEmpty())
        m_p.dialogs.message(QStringLiteral("设置文件无法读取，本次使用默认设置，退出时不保存设置：\n")
                                + unreadable,
                            QStringLiteral("警告"), MsgIcon::Exclamation);
    m_p.checks.fnCheck(m_p.values.checkKind);
    if (const auto crc = CrcModelIndex(m_p.values.crcModel))
        m_p.checks.fnCheck(CheckCodes::FirstCrcModel + *crc);
    m_p.portPanel.autoReconnectItem()->setChecked(m_p.values.autoReconnect);
    m_p.portPanel.setNetworkPorts(m_p.values.networkPorts);
    m_p.send.lineEnding()->setValue(m_p.values.lineEnding);
    m_p.send.pacing()->setValue({m_p.values.byteDelayMs, m_p.values.lineEndDelayMs});
    m_p.receive.showSentItem()->setChecked(m_p.values.showSent);
    m_p.receive.stamps()->setKind(m_p.values.stampKind);
    m_p.receive.stamps()->setGapMs(m_p.values.stampGapMs);
    if (m_hooks.loadCommands)
        m_hooks.loadCommands();
    m_p.send.setSendText(savedSendText);
    m_p.status.setMessage(QStringLiteral(" 程式在待命...  "));
    if (m_hooks.closeSplash)
        m_hooks.closeSplash();
    // The window may have been closed during the splash window's pause.
    if (m_p.scheduler.isShuttingDown())
        return;
    m_portAwaitingSetUp.reset();
    m_p.portPanel.Apply();
    m_p.receive.StartPolling();
}

SettingsWidgets Lifecycle::settingsWidgets()
{
    return {m_p.portPanel.comba(), m_p.portPanel.text4(), m_p.portPanel.numtext(),
            PortPanel::DesignParameterBook(),
            [this](DataFormat f) { m_p.formats.SetDataFormat(int(f), FormatSwitch::Both); }};
}

void Lifecycle::saveSettings()
{
    // Earlier versions know the two classic modes only: a real CRC mode is
    // kept as the CRC word mode there, and by its model name here.
    const CrcModel *crc = m_p.checks.crcModel();
    m_p.values.checkKind = quint8(crc ? int(CheckCodes::CrcWord) : m_p.checks.mode());
    m_p.values.crcModel = crc ? QString::fromLatin1(crc->name) : QString();
    m_p.values.autoReconnect = m_p.portPanel.autoReconnectItem()->isChecked();
    m_p.values.networkPorts = m_p.portPanel.networkPorts();
    m_p.values.lineEnding = m_p.send.lineEnding()->value();
    m_p.values.byteDelayMs = m_p.send.pacing()->value().byteDelayMs;
    m_p.values.lineEndDelayMs = m_p.send.pacing()->value().lineEndDelayMs;
    m_p.values.showSent = m_p.receive.showSentItem()->isChecked();
    m_p.values.stampKind = m_p.receive.stamps()->kind();
    m_p.values.stampGapMs = m_p.receive.stamps()->gapMs();
    // Until the port set-up has run the port holds none of the user's values:
    // a close during the splash pause saves the ones loaded.
    const PortValues port = m_portAwaitingSetUp.value_or(
        PortValues{m_p.port.portName(), m_p.port.settings()});
    const bool saved = SaveSettings(
        m_p.store, m_p.values, settingsWidgets(),
        {port.settings, port.name, m_p.send.sendText(), m_p.formats.sendFormat()});
    if (!saved)
        m_p.dialogs.message(QStringLiteral("设置未能保存，本次的设置修改将丢失！"), QStringLiteral("警告"),
                            MsgIcon::Exclamation);
}

bool Lifecycle::confirm(const QString &text, const QString &title)
{
    return m_p.dialogs.message(text, title, MsgIcon::Exclamation, MsgButtons::YesNo) == MsgAnswer::Yes;
}

bool Lifecycle::Exit()
{
    if (m_p.send.isAutoSending()) {
        if (!confirm(QStringLiteral("自动发送未停止,确定退出吗?"), QStringLiteral("警告")))
            return false;
        m_p.send.HaltAutoSend();
    }
    if (m_p.flags.commandRun) {
        if (!confirm(QStringLiteral("自定义命令尚未完全执行,确定退出吗?"), QStringLiteral("警告")))
            return false;
        m_p.flags.commandRun = false;
    }
    if (!confirm(QStringLiteral("确定退出本程序？"), QStringLiteral("提示")))
        return false;

    m_p.status.setMessage(QStringLiteral(" 正在退出系统 ..."));
    if (m_p.store.readError().isEmpty())
        saveSettings();
    m_p.receive.StopPolling();
    m_p.send.HaltAutoSend();
    if (m_hooks.stopCountdown)
        m_hooks.stopCountdown();
    if (m_hooks.callIsUp && m_hooks.callIsUp() && m_hooks.hangUp)
        m_hooks.hangUp();
    m_p.port.close();
    if (m_hooks.releaseDesktop)
        m_hooks.releaseDesktop();
    // Every wait still running returns, and long operations end at their
    // next check without touching the closing window.
    m_p.scheduler.shutDown();
    return true;
}
