#include "terminal/ReceivePath.h"

#include "core/DataFormats.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceivePane.h"
#include "terminal/TerminalFlags.h"
#include "terminal/Toolbar.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>

namespace {
// How long one step of the drain reads and renders before the window gets
// its turn again; a stop click ends the display within one step.
constexpr qint64 kStepBudgetMs = 8;
} // namespace

ReceivePath::ReceivePath(const Services &services, QWidget *parent) : QObject(parent), m_s(services)
{
    buildControls(parent);
    m_mtimer = m_s.scheduler.createTimer(this, QStringLiteral("mtimer"));
    m_mtimer->setInterval(20);
    connect(m_mtimer, &Timer::timeout, this, &ReceivePath::PollTick);
    // A device with input waiting is read at once, not at the next tick.
    connect(&m_s.port, &SerialPort::inputArrived, this, &ReceivePath::drainSoon);
}

void ReceivePath::buildControls(QWidget *parent)
{
    m_text2 = new ReceivePane(parent);
    m_text2->setObjectName(QStringLiteral("Text2"));

    m_receive = Named(new QPushButton(QStringLiteral("接 收 &R"), parent), "Receive");
    m_tings = Named(new QPushButton(QStringLiteral("停 止 &E"), parent), "tings");
    m_tings->hide();
    m_command4 = Named(new QPushButton(QStringLiteral("清 除 &X"), parent), "Command4");
    m_onlyR = new QCheckBox(QStringLiteral("只读"), parent);
    m_onlyR->setObjectName(QStringLiteral("onlyR"));
    m_onlyR->setToolTip(QStringLiteral("接收区只读"));
    m_zir = new ClickLabel(QStringLiteral("【0】"), parent);
    m_zir->setObjectName(QStringLiteral("zir"));
    m_zir->setToolTip(QStringLiteral("双击清零"));

    connect(m_receive, &QPushButton::clicked, this, &ReceivePath::Receive);
    connect(m_tings, &QPushButton::clicked, this, &ReceivePath::StopReceive);
    connect(m_command4, &QPushButton::clicked, this, &ReceivePath::Clear);
    connect(m_onlyR, &QCheckBox::toggled, m_text2, &ReceivePane::setReadOnlyForUser);
    connect(m_zir, &ClickLabel::clicked, this, &ReceivePath::resetCounter);
}

void ReceivePath::StartPolling()
{
    m_s.flags.receiveActive = false;
    m_mtimer->start();
}

void ReceivePath::StopPolling()
{
    m_mtimer->stop();
}

void ReceivePath::PollTick()
{
    m_mtimer->stop();
    emit polling();
    if (m_s.flags.receiveActive)
        DrainInput();
    // Exit stops polling for good, also in the middle of a drain.
    if (!m_s.scheduler.isShuttingDown())
        m_mtimer->start();
}

// One step: everything the port and the device hold, read as long as more
// arrives within the step's time budget, rendered in the receive format and
// appended to the pane as one piece. When the budget ran out with input
// still waiting, the next step follows as soon as the window has had its
// turn.
void ReceivePath::DrainInput()
{
    SerialPort &port = m_s.port;
    const DataFormat format = m_s.formats.receiveFormat();
    QString shown;
    qint64 received = 0;
    QElapsedTimer step;
    step.start();
    qint64 waiting = 0;
    while (m_s.flags.receiveActive && (waiting = port.bytesWaiting()) > 0) {
        if (format == DataFormat::String) {
            shown += port.readText();
            received += waiting;
        } else {
            const QByteArray bytes = port.read(waiting);
            shown += RenderReceivedBytes(bytes, format);
            received += bytes.size();
        }
        if (step.elapsed() >= kStepBudgetMs) {
            drainSoon();
            break;
        }
    }
    if (received == 0)
        return;
    m_text2->append(shown);
    m_counter += received;
    showCounter();
}

void ReceivePath::drainSoon()
{
    if (m_drainQueued || !m_s.flags.receiveActive)
        return;
    m_drainQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_drainQueued = false;
            if (m_s.flags.receiveActive && !m_s.scheduler.isShuttingDown())
                DrainInput();
        },
        Qt::QueuedConnection);
}

void ReceivePath::Receive()
{
    if (!m_s.port.isOpen()) {
        m_s.dialogs.message(QStringLiteral("先打开串口！！！"), QStringLiteral("提示"), MsgIcon::Question);
        return;
    }
    StartReceive();
}

void ReceivePath::StartReceive()
{
    m_receive->hide();
    m_tings->show();
    m_s.toolbar.setPressed(2, true);
    m_s.toolbar.setPressed(3, false);
    // Bytes that arrived while receiving was stopped are dropped.
    m_s.port.discardInput();
    m_s.flags.receiveActive = true;
}

void ReceivePath::StopReceive()
{
    m_receive->show();
    m_tings->hide();
    emit receiveStopped();
    m_s.flags.receiveActive = false;
    m_s.toolbar.setPressed(3, true);
    m_s.toolbar.setPressed(2, false);
    m_s.toolbar.setPressed(1, false);
}

bool ReceivePath::isReceiving() const
{
    return !m_receive->isVisibleTo(m_receive->parentWidget());
}

void ReceivePath::Clear()
{
    m_text2->setText(QString());
}

void ReceivePath::resetCounter()
{
    m_counter = 0;
    m_zir->setText(QStringLiteral("【0】"));
}

void ReceivePath::showCounter()
{
    m_zir->setText(QStringLiteral("【%1】B").arg(m_counter));
}
