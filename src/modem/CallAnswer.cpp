// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/CallAnswer.h"

#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "modem/ModemCommands.h"
#include "serial/SerialPort.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPath.h"
#include "terminal/StatusBar.h"
#include "terminal/TerminalFlags.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

// The dial progress bar `sp` inside its frame `Spp`: positions in twips as
// the countdown reports them, drawn at 15 twips a pixel.
class ProgressShape : public QWidget
{
public:
    explicit ProgressShape(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Spp"));
        setFixedSize(int(255 / 15.0) + 2, int(DialCountdown::kFrameHeight / 15.0) + 2);
    }
    void setBar(double top, double height)
    {
        m_top = top;
        m_height = height;
        update();
    }
    double barTop() const { return m_top; }
    double barHeight() const { return m_height; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(Qt::gray);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        const double y = (m_top - DialCountdown::kFrameTop) / 15.0;
        p.fillRect(QRectF(1, 1 + y, width() - 2, m_height / 15.0), QColor(0, 0, 255));
    }

private:
    double m_top = DialCountdown::kFrameTop;
    double m_height = DialCountdown::kFrameHeight;
};

CallAnswer::CallAnswer(const Services &services, QWidget *parent) : QObject(parent), m_s(services)
{
    buildControls(parent);
    m_go = m_s.scheduler.createTimer(this, QStringLiteral("go"));
    m_go->setInterval(200);
    connect(m_go, &Timer::timeout, this, &CallAnswer::countdownTick);
}

void CallAnswer::buildControls(QWidget *parent)
{
    m_frame = new QWidget(parent);
    m_frame->setObjectName(QStringLiteral("callFrame"));
    m_hu = Named(new QPushButton(QStringLiteral("呼 叫 &D"), m_frame), "hu");
    m_hang = Named(new QPushButton(QStringLiteral("挂 机 &A"), m_frame), "hang");
    m_hang->hide();
    m_huru = new QCheckBox(QStringLiteral("呼入等待"), m_frame);
    m_huru->setObjectName(QStringLiteral("Huru"));
    m_huru->setToolTip(QStringLiteral(" 启动呼入等待... "));
    m_yoption = new QRadioButton(QStringLiteral("音频 &Y"), m_frame);
    m_yoption->setObjectName(QStringLiteral("yoption"));
    m_yoption->setChecked(true);
    m_moption = new QRadioButton(QStringLiteral("脉冲 &J"), m_frame);
    m_moption->setObjectName(QStringLiteral("moption"));
    m_sp = new ProgressShape(m_frame);

    auto *grid = new QGridLayout(m_frame);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->addWidget(m_sp, 0, 0, 4, 1);
    grid->addWidget(m_hu, 0, 1);
    grid->addWidget(m_hang, 0, 1);
    grid->addWidget(m_yoption, 1, 1);
    grid->addWidget(m_moption, 2, 1);
    grid->addWidget(m_huru, 3, 1);

    m_callItem = new QAction(QStringLiteral("呼叫"), parent);
    m_callItem->setObjectName(QStringLiteral("呼叫"));
    m_callItem->setShortcut(QKeySequence(Qt::Key_F6));
    m_hangItem = new QAction(QStringLiteral("挂机"), parent);
    m_hangItem->setObjectName(QStringLiteral("挂机"));
    m_hangItem->setShortcut(QKeySequence(Qt::Key_F7));

    connect(m_hu, &QPushButton::clicked, this, &CallAnswer::Call);
    // Like the hidden button, the menu item does not dial into a call that
    // is up: the dial command would go to the far end as data.
    connect(m_callItem, &QAction::triggered, this, [this] {
        if (!isCallUp())
            Call();
    });
    connect(m_hang, &QPushButton::clicked, this, &CallAnswer::HangUpAction);
    connect(m_hangItem, &QAction::triggered, this, [this] {
        if (m_s.port.cdHolding())
            HangUpAction();
    });
    connect(m_huru, &QCheckBox::clicked, this, [this](bool checked) {
        if (m_s.send.isAutoSending())
            m_s.dialogs.message(QStringLiteral("请先自动结束发送 ..."), QStringLiteral("提示"),
                                MsgIcon::Exclamation);
        else if (!checked)
            m_s.status.setMessage(QStringLiteral(" 程式在待命 ... "));
    });
}

bool CallAnswer::isCallUp() const
{
    return m_hang->isVisibleTo(m_frame);
}

bool CallAnswer::drivesLines() const
{
    return m_dialing || m_hangingUp || isCallUp() || m_huru->isChecked();
}

void CallAnswer::setBusyPointer(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CallAnswer::paintBar()
{
    m_sp->setBar(m_countdown.barTop(), m_countdown.barHeight());
}

void CallAnswer::Call()
{
    if (m_s.send.isAutoSending()) {
        m_s.dialogs.message(QStringLiteral("请先自动结束发送 ..."), QStringLiteral("提示"),
                            MsgIcon::Exclamation);
        return;
    }
    if (!m_s.port.dsrHolding()) {
        m_s.dialogs.message(QStringLiteral("外设连接有误！"), QStringLiteral("提示"), MsgIcon::Exclamation);
        return;
    }
    QWidget *window = m_frame->window();
    window->setEnabled(false);
    m_countdown.start();
    paintBar();
    m_go->start();
    setBusyPointer(true);
    m_s.status.setMessage(DialingStatusText(m_s.handshakeWaitMs));
    m_dialing = true;
    const bool connected = m_s.modem.Dial();
    m_dialing = false;
    if (connected) {
        m_s.flags.connected = true;
        m_s.status.setMessage(QStringLiteral("接通 ... "));
        m_huru->setChecked(false);
        m_hang->show();
        m_hu->hide();
        m_countdown.showConnected();
    } else {
        m_countdown.showFailed();
        m_s.status.setMessage(QStringLiteral("不通..."));
    }
    paintBar();
    window->setEnabled(true);
    setBusyPointer(false);
    m_go->stop();
}

void CallAnswer::countdownTick()
{
    if (m_s.port.cdHolding())
        m_go->stop();
    if (const auto text = m_countdown.tick(m_s.handshakeWaitMs)) {
        m_s.status.setMessage(*text);
        paintBar();
    }
}

void CallAnswer::HangUpAction()
{
    m_s.flags.connected = false;
    m_hu->show();
    m_s.status.setMessage(QStringLiteral("挂机 ...  "));
    m_hang->hide();
    setBusyPointer(true);
    m_hangingUp = true;
    m_s.modem.HangUp();
    m_hangingUp = false;
    setBusyPointer(false);
    m_s.status.setMessage(QStringLiteral("程式正在待命...  "));
}

void CallAnswer::CheckCarrierLoss()
{
    if (!m_s.port.cdHolding() && isCallUp())
        HangUpAction();
}

void CallAnswer::CallWatch()
{
    SerialPort &port = m_s.port;
    // While dialing, the watch would read the dial's answers (BUSY, NO
    // CARRIER) before the dial sees them and cover the countdown.
    if (m_dialing || !port.isOpen() || !port.dsrHolding() || m_s.flags.connected
        || !m_huru->isChecked())
        return;
    m_s.status.setMessage(QStringLiteral(" 等待呼入 ..."));
    // The watch reads the port's input itself: receiving goes off, and the
    // window shows it.
    if (m_s.receive.isReceiving())
        m_s.receive.StopReceive();
    if (m_ringWatch.feed(port.readText()))
        answerIncomingCall();
}

void CallAnswer::answerIncomingCall()
{
    SerialPort &port = m_s.port;
    m_s.status.setMessage(QStringLiteral(" 远程有来电 ..."));
    m_s.scheduler.wait(1000);
    port.outputText(QStringLiteral("ATHA\r\n"));
    m_s.scheduler.wait(2000);
    m_s.status.setMessage(QStringLiteral(" 与远程握手中 ..."));
    if (m_s.modem.WaitConnect()) {
        m_s.flags.connected = true;
        m_hu->hide();
        m_hang->show();
        m_s.status.setMessage(QStringLiteral(" 接通 ... "));
        m_huru->setChecked(false);
        port.setRtsEnable(true);
    } else {
        port.outputText(QStringLiteral("ATH0\r\n"));
        if (!port.rtsEnable())
            port.setRtsEnable(true);
        m_s.status.setMessage(QStringLiteral(" 等待呼入 ..."));
    }
}
