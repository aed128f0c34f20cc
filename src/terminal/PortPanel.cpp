// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/PortPanel.h"

#include "core/Dialogs.h"
#include "core/NumberText.h"
#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "serial/NetworkAddress.h"
#include "serial/PortWatcher.h"
#include "serial/SerialPort.h"
#include "terminal/LineSwitches.h"
#include "terminal/StatusBar.h"
#include "terminal/TerminalFlags.h"
#include "terminal/Toolbar.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

#include <utility>

namespace {

QComboBox *newCombo(const char *name, const QString &text, const QStringList &items,
                    const QString &tip, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setEditText(text);
    box->setToolTip(tip);
    return box;
}

} // namespace

PortPanel::PortPanel(const Services &services, QWidget *parent) : QObject(parent), m_s(services)
{
    buildControls(parent);
    m_switches = new LineSwitches({m_s.port, m_s.scheduler, m_s.dialogs, m_s.breakMs}, *m_shdtr, *m_shrts, this);
    m_switches->setLinesInUse(
        [this] { return m_settingUp || (m_hooks.linesInUse && m_hooks.linesInUse()); });
    m_mAutoReconnect = Named(new QAction(QStringLiteral("断线自动重连"), this), "mAutoReconnect");
    m_mAutoReconnect->setCheckable(true);
    m_mAutoReconnect->setChecked(true);
    m_watcher = new PortWatcher(
        m_s.scheduler, m_s.devices,
        [this](const QString &name) {
            // A name that does not open leaves the port named as it was.
            const QString before = m_s.port.portName();
            m_s.port.setPortName(name);
            if (m_s.port.open() == PortError::None)
                return true;
            m_s.port.setPortName(before);
            // A network port's try said it was connecting: the wait goes on.
            if (isWaitingForDevice())
                m_s.status.setMessage(QStringLiteral(" 串口已断开，等待重新连接 ... "));
            return false;
        },
        this);
    connect(m_watcher, &PortWatcher::reopened, this, &PortPanel::onReopened);
    // Queued: the loss is reported from inside the device's own handler.
    connect(&m_s.port, &SerialPort::deviceLost, this, &PortPanel::onDeviceLost,
            Qt::QueuedConnection);
    connect(&m_s.port, &SerialPort::connecting, this, &PortPanel::onConnecting);
}

void PortPanel::buildControls(QWidget *parent)
{
    m_frame = new QWidget(parent);
    m_frame->setObjectName(QStringLiteral("portFrame"));

    m_comba = newCombo("comba", QStringLiteral(" 1"),
                       {QStringLiteral(" 1"), QStringLiteral(" 2"), QStringLiteral(" 3"),
                        QStringLiteral(" 4"), QStringLiteral(" 5")},
                       QStringLiteral(" 超过 5 的请直接输入 "), m_frame);
    // The system's ports are listed with what the system knows of them;
    // choosing one puts its device name in the box, which is what opens
    // and what is stored.
    for (const SystemPort &port : DeviceCatalog::systemPorts())
        m_comba->addItem(port.label(), port.name);
    m_comba->addItems(m_s.devices.simulatedNames());
    connect(m_comba, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QString name = m_comba->itemData(index).toString();
        if (!name.isEmpty())
            m_comba->setEditText(name);
    });
    m_text4 = newCombo("text4", QStringLiteral("9600,n,8,1"), DesignParameterBook(),
                       QStringLiteral("格式:波特率,校验(N-无;E-偶;O-奇;M-标记;S-空格),数据位,停止位[,流控(N-无;H-硬件RTS/CTS;X-软件XON/XOFF)]"), m_frame);
    m_numtext = newCombo("numtext", QString(), {}, QString(), m_frame);
    // Enter, of the main keys or the keypad, applies in any of the three
    // boxes. An editable combo box takes the keys itself and hands them to
    // its line edit by a direct call, past any event filter; the line edit
    // reports either Enter as returnPressed.
    for (QComboBox *box : {m_comba, m_text4, m_numtext})
        connect(box->lineEdit(), &QLineEdit::returnPressed, this, &PortPanel::Apply);

    m_que = Named(new QPushButton(QStringLiteral("确 定 &Q"), m_frame), "que");
    m_she = Named(new QPushButton(QStringLiteral("设 置 &W"), m_frame), "she");
    m_she->hide();
    m_command1 = Named(new QPushButton(QStringLiteral("退 出 &G"), m_frame), "Command1");
    connect(m_que, &QPushButton::clicked, this, &PortPanel::Apply);
    connect(m_she, &QPushButton::clicked, this, &PortPanel::Unlock);

    m_piccom = new QLabel(QStringLiteral("⚠ 串口未打开"), m_frame);
    m_piccom->setObjectName(QStringLiteral("Piccom"));
    SetTextColor(m_piccom, QColor(160, 0, 0));
    // The warning comes and goes with the port; its row keeps its height so
    // the panel does not jump each time.
    QSizePolicy keepRoom = m_piccom->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_piccom->setSizePolicy(keepRoom);

    auto *grid = new QGridLayout(m_frame);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(Named(new ClickLabel(QStringLiteral("串口端号:"), m_frame), "LPort"), 0, 0);
    grid->addWidget(m_comba, 0, 1, 1, 2);
    m_lref = Named(new ClickLabel(QStringLiteral("通讯参数:"), m_frame), "Lref");
    m_lref->setToolTip(QStringLiteral(" 添加临时通讯参数 "));
    m_ltel = Named(new ClickLabel(QStringLiteral("电话号码:"), m_frame), "Ltel");
    m_ltel->setToolTip(QStringLiteral(" 添加临时电话簿 "));
    grid->addWidget(m_lref, 1, 0);
    grid->addWidget(m_text4, 1, 1, 1, 2);
    grid->addWidget(m_ltel, 2, 0);
    grid->addWidget(m_numtext, 2, 1, 1, 2);
    grid->addWidget(m_que, 3, 1);
    grid->addWidget(m_she, 3, 1);
    grid->addWidget(m_command1, 3, 2);

    auto *lamps = new QWidget(m_frame);
    auto *lampRow = new QGridLayout(lamps);
    lampRow->setContentsMargins(0, 0, 0, 0);
    const char *names[5] = {"spcd", "shcts", "shdsr", "shdtr", "shrts"};
    const char *captions[5] = {"CD", "CTS", "DSR", "DTR", "RTS"};
    Lamp **lampSlots[5] = {&m_spcd, &m_shcts, &m_shdsr, &m_shdtr, &m_shrts};
    for (int i = 0; i < 5; ++i) {
        *lampSlots[i] = new Lamp(lamps);
        (*lampSlots[i])->setObjectName(QString::fromLatin1(names[i]));
        auto *caption = new QLabel(QString::fromLatin1(captions[i]), lamps);
        caption->setObjectName(QString::fromLatin1(names[i]) + u'l');
        lampRow->addWidget(*lampSlots[i], 0, i, Qt::AlignHCenter);
        lampRow->addWidget(caption, 1, i, Qt::AlignHCenter);
    }
    grid->addWidget(lamps, 4, 0, 1, 3);
    // A row of its own under the lamps: beside the labels it would widen
    // their column and take room from the panes.
    grid->addWidget(m_piccom, 5, 0, 1, 3, Qt::AlignHCenter);

    m_label1 = Named(new ClickLabel(QStringLiteral("发送:"), parent), "Label1");
    m_label2 = Named(new ClickLabel(QStringLiteral("接收:"), parent), "Label2");
    connect(m_label1, &ClickLabel::doubleClicked, this, [this] { editBufferSize(true); });
    connect(m_label2, &ClickLabel::doubleClicked, this, [this] { editBufferSize(false); });
    connect(m_label1, &ClickLabel::hovered, this, [this] {
        SetTextColor(m_label1, QColor(255, 0, 0));
        m_label1->setToolTip(QStringLiteral(" 发送缓存为：") + QString::number(m_s.port.outBufferSize()));
    });
    connect(m_label2, &ClickLabel::hovered, this, [this] {
        SetTextColor(m_label2, QColor(255, 0, 0));
        m_label2->setToolTip(QStringLiteral(" 接收缓存为：") + QString::number(m_s.port.inBufferSize()));
    });
}

QWidget *PortPanel::sendBufferLabel() const
{
    return m_label1;
}

QWidget *PortPanel::receiveBufferLabel() const
{
    return m_label2;
}

void PortPanel::resetBufferLabels()
{
    SetTextColor(m_label1, QColor(0, 0, 0));
    SetTextColor(m_label2, QColor(0, 0, 0));
}

bool PortPanel::isLocked() const
{
    return m_she->isVisibleTo(m_frame);
}

bool PortPanel::isWaitingForDevice() const
{
    return m_watcher->isWatching();
}

bool PortPanel::SetupPort()
{
    SerialPort &port = m_s.port;
    const QScopedValueRollback settingUp(m_settingUp, true);
    // Choosing a port ends the wait for a lost one.
    m_watcher->stop();
    port.close();
    int error = port.setSettings(m_text4->currentText().trimmed());
    if (error == PortError::None) {
        port.setPortName(m_comba->currentText().trimmed());
        error = port.open();
    }
    if (error != PortError::None) {
        if (error != PortError::Abandoned)
            m_s.status.setMessage(QStringLiteral(" 设置不成功 ... "));
        switch (error) {
        case PortError::PortInUse:
            m_s.dialogs.message(QStringLiteral("你所设置的串口正在被使用,请重新设置!!!"),
                                QStringLiteral("警告!"), MsgIcon::Exclamation);
            break;
        case PortError::PermissionDenied:
            m_s.dialogs.message(QStringLiteral("没有使用此串口的权限！\n") + port.openFailure(),
                                QStringLiteral("错误"), MsgIcon::Exclamation);
            break;
        case PortError::NoSuchPort:
            m_s.dialogs.message(QStringLiteral("串口号设置错误！"), QStringLiteral("错误"),
                                MsgIcon::Exclamation);
            break;
        case PortError::BadSettings:
            m_s.dialogs.message(QStringLiteral("通信属性设置错误！"), QStringLiteral("错误"),
                                MsgIcon::Exclamation);
            break;
        case PortError::NetworkFailure:
            m_s.dialogs.message(port.openFailure(), QStringLiteral("错误"), MsgIcon::Exclamation);
            break;
        case PortError::Abandoned:
            // The user gave the connection up with 设 置: nothing to say.
            break;
        default: {
            // Any other failure (a regular file or a FIFO named as the port,
            // say) still gets a message that says what went wrong.
            const QString failure = port.openFailure();
            m_s.dialogs.message(failure.isEmpty() ? QStringLiteral("串口打开失败！")
                                                  : QStringLiteral("串口打开失败：%1！").arg(failure),
                                QStringLiteral("错误"), MsgIcon::Exclamation);
            break;
        }
        }
        return false;
    }
    m_opened = DeviceCatalog::systemPortOf(port.portName());
    if (NetworkAddress::isNetworkName(port.portName()))
        rememberNetworkPort(port.portName());
    // A modem answers on DSR: initialise it. Nothing is read back.
    if (port.dsrHolding() && port.dsrHolding()) {
        port.outputText(QStringLiteral("ATS0=0\r\n"));
        m_s.scheduler.wait(100);
        port.outputText(QStringLiteral("ATZ\r\n"));
    }
    port.setDtrEnable(false);
    m_s.status.setMessage(QStringLiteral(" 设置成功 ... "));
    m_s.scheduler.wait(500);
    port.setDtrEnable(true);
    return true;
}

void PortPanel::Apply()
{
    // A set-up waits while a hang-up runs or a connection is being made
    // (设 置 gives that up).
    if (m_hangingUp || m_s.port.isConnecting())
        return;
    const bool succeeded = SetupPort();
    if (std::exchange(m_lockedForConnect, false) && !succeeded)
        showLocked(false);
    if (succeeded) {
        m_piccom->hide();
        // Receiving that is on (from before, or 接收 pressed during the
        // set-up's wait) stays shown on the toolbar: only a stop shows 停止.
        if (!m_hooks.isReceiving || !m_hooks.isReceiving())
            m_s.toolbar.setPressed(3, true);
        showLocked(true);
        emit portApplied();
    } else {
        m_piccom->show();
        m_s.toolbar.setPressed(3, false);
    }
    m_switches->Refresh();
}

void PortPanel::SwitchToPort(int number)
{
    m_comba->setEditText(QString::number(number));
    Apply();
}

void PortPanel::Unlock()
{
    if (m_hooks.isAutoSending && m_hooks.isAutoSending()) {
        m_s.dialogs.message(QStringLiteral("请先结束自动发送 ..."), QStringLiteral("提示"),
                            MsgIcon::Exclamation);
        return;
    }
    m_watcher->stop();
    m_s.flags.connected = false;
    showLocked(false);
    m_comba->setFocus();
    if (m_s.port.cdHolding()) {
        const auto answer = m_s.dialogs.message(
            QStringLiteral("联机状态,重设参数将断开连接!\r\n    确定吗?"), QStringLiteral("警告"),
            MsgIcon::None, MsgButtons::YesNo);
        if (answer == MsgAnswer::Yes && m_hooks.hangUp) {
            // The hang-up takes seconds and lets events run. A port set up
            // meanwhile would get its hang-up commands and DTR drop, and
            // then be closed again: 确定 and Enter wait until it is over.
            m_hangingUp = true;
            m_que->setEnabled(false);
            m_hooks.hangUp();
            m_hangingUp = false;
            m_que->setEnabled(true);
        }
    }
    m_s.port.close();
    m_switches->Refresh();
    m_piccom->show();
    m_s.status.setMessage(QStringLiteral(" 串口设置中 ... "));
}

void PortPanel::onConnecting(const QString &where)
{
    m_s.status.setMessage(QStringLiteral(" 正在连接 %1 ... ").arg(where));
    // A set-up from the open panel locks it now, so that 设 置 is there to
    // give the attempt up; a failed attempt unlocks it again.
    if (!isLocked()) {
        m_lockedForConnect = true;
        showLocked(true);
    }
}

void PortPanel::showLocked(bool locked)
{
    m_comba->setEnabled(!locked);
    m_numtext->setEnabled(!locked);
    m_text4->setEnabled(!locked);
    m_que->setVisible(!locked);
    m_she->setVisible(locked);
}

void PortPanel::setNetworkPorts(const QStringList &ports)
{
    // The entries are the ports' URLs, after the other entries; the text in
    // the box stays what it is.
    const QString text = m_comba->currentText();
    for (int i = m_comba->count() - 1; i >= 0; --i)
        if (NetworkAddress::isNetworkName(m_comba->itemText(i)))
            m_comba->removeItem(i);
    m_networkPorts = ports.mid(0, kNetworkPortsKept);
    m_comba->addItems(m_networkPorts);
    m_comba->setEditText(text);
}

void PortPanel::rememberNetworkPort(const QString &name)
{
    QStringList ports = m_networkPorts;
    ports.removeAll(name);
    ports.prepend(name);
    setNetworkPorts(ports);
}

void PortPanel::showUnlocked()
{
    showLocked(false);
    m_piccom->show();
    m_s.toolbar.setPressed(3, false);
}

void PortPanel::onDeviceLost(const QString &reason)
{
    // The device went away under an open port (an adapter unplugged, the far
    // end of a pseudo-terminal closed): the port is closed already. Sending
    // into the void stops. With 断线自动重连 the device is waited for;
    // otherwise the panel unlocks for a new choice and says so. A
    // pseudo-terminal named by its own path is not waited for: that path
    // will name another program's terminal, never this one again.
    emit portLost();
    m_s.flags.connected = false;
    m_switches->Refresh();
    if (m_mAutoReconnect->isChecked() && !DeviceCatalog::namesPseudoTerminal(m_s.port.portName())) {
        // No box to click away: the panel stays as it was and the port
        // reopens by itself when the device is back.
        m_s.status.setMessage(QStringLiteral(" 串口已断开，等待重新连接 ... "));
        m_watcher->watch(m_s.port.portName(), m_opened);
        return;
    }
    showUnlocked();
    m_s.status.setMessage(QStringLiteral(" 串口已断开 ... "));
    QString text = QStringLiteral("串口设备已断开（设备被拔出或对端已关闭），请检查后重新设置！");
    if (!reason.isEmpty())
        text += QStringLiteral("\n原因：") + reason;
    m_s.dialogs.message(text, QStringLiteral("警告!"), MsgIcon::Exclamation);
}

void PortPanel::onReopened(const QString &name)
{
    // Same settings, same DTR and RTS; receiving goes on if it was on. Only
    // what sends nothing by itself resumes.
    if (m_comba->currentText().trimmed() != name)
        m_comba->setEditText(name);
    m_opened = DeviceCatalog::systemPortOf(name);
    m_s.status.setMessage(QStringLiteral(" 串口已重新连接 ... "));
}

void PortPanel::UpdateLineLamps()
{
    const LineStates lines = m_s.port.lineStates();
    m_spcd->setOn(lines.cd);
    if (m_hooks.checkCarrierLoss)
        m_hooks.checkCarrierLoss();
    m_shcts->setOn(lines.cts);
    m_shdsr->setOn(lines.dsr);
    m_shdtr->setOn(lines.dtr);
    m_shrts->setOn(lines.rts);
    m_switches->Refresh();
}

void PortPanel::editBufferSize(bool sendSide)
{
    SerialPort &port = m_s.port;
    const QString prompt = sendSide ? QStringLiteral("请输入发送缓存区值的大小") : QStringLiteral("请输入接收缓存区值的大小");
    const QString title = sendSide ? QStringLiteral("设置发送缓存") : QStringLiteral("设置接收缓存");
    const int current = sendSide ? port.outBufferSize() : port.inBufferSize();
    const QString answer = m_s.dialogs.input(prompt + QStringLiteral("\n\n\n注意: 请确保串口状态为关闭!"),
                                             title, QString::number(current));
    if (answer.isEmpty())
        return;
    // A refused size (port open, 0, no number, beyond 16 bits) leaves the size
    // as it was, without a message: the prompt asks to close the port first.
    const auto size = ToIntegerWidth(LenientNumber(answer), -32768, 32767);
    if (!size)
        return;
    if (sendSide)
        port.setOutBufferSize(int(*size));
    else
        port.setInBufferSize(int(*size));
}
