// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/ReceivePath.h"

#include "core/DataFormats.h"
#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/Widgets.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/ReceiveNotes.h"
#include "terminal/ReceivePane.h"
#include "terminal/StampChoice.h"
#include "terminal/Toolbar.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <type_traits>

namespace {
// How long one step of the drain takes at most before the window gets its
// turn again; a stop click ends the display within one step.
constexpr qint64 kStepBudgetNs = 2'000'000;
// Bytes read and rendered at a time within a step.
constexpr qint64 kReadPiece = 16 * 1024;
} // namespace

ReceivePath::ReceivePath(const Services &services, QWidget *parent) : QObject(parent), m_s(services)
{
    buildControls(parent);
    m_mtimer = m_s.scheduler.createTimer(this, QStringLiteral("mtimer"));
    m_mtimer->setInterval(20);
    connect(m_mtimer, &Timer::timeout, this, &ReceivePath::PollTick);
    // A device with input waiting is read at once, not at the next tick. A
    // timer, not a posted call: timers due meanwhile run first, so a stream
    // never starves the window's own.
    m_drainSoon = new QTimer(this);
    m_drainSoon->setObjectName(QStringLiteral("drainSoon"));
    m_drainSoon->setSingleShot(true);
    m_drainSoon->setInterval(0);
    // Not inside a write that waits for its bytes to leave: the next poll
    // tick after it drains what came meanwhile.
    connect(m_drainSoon, &QTimer::timeout, this, [this] {
        if (m_receiving && !m_s.scheduler.isShuttingDown() && !m_s.port.isWriting())
            DrainInput();
    });
    connect(&m_s.port, &SerialPort::inputArrived, this, &ReceivePath::drainSoon);
    connect(&m_s.formats, &FormatSwitch::formatsChanged, this, &ReceivePath::showHeldBytes);

    // Arrival times are the scheduler's; the time of day is carried over
    // from this moment.
    m_stamper.setAnchor(QDateTime::currentDateTime(), m_s.scheduler.now());
    // The modem commands the program writes are sends too.
    connect(&m_s.port, &SerialPort::commandWritten, this, &ReceivePath::showSent);
    m_stampChoice = new StampChoice(m_s.dialogs, this);
    connect(m_stampChoice, &StampChoice::changed, this, [this] {
        m_stamper.setKind(m_stampChoice->kind());
        m_stamper.setGapMs(m_stampChoice->gapMs());
    });
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

    m_showSent = Named(new QAction(QStringLiteral("显示发送数据"), this), "mShowSent");
    m_showSent->setCheckable(true);

    connect(m_receive, &QPushButton::clicked, this, &ReceivePath::Receive);
    connect(m_tings, &QPushButton::clicked, this, &ReceivePath::StopReceive);
    connect(m_command4, &QPushButton::clicked, this, &ReceivePath::Clear);
    connect(m_onlyR, &QCheckBox::toggled, m_text2, &ReceivePane::setReadOnlyForUser);
    connect(m_zir, &ClickLabel::clicked, this, &ReceivePath::resetCounter);
}

void ReceivePath::StartPolling()
{
    // The receive state is left as it is: 接收 may have been pressed while
    // start-up's port set-up waited, and the buttons show that.
    m_mtimer->start();
}

void ReceivePath::StopPolling()
{
    m_mtimer->stop();
}

void ReceivePath::PollTick()
{
    m_mtimer->stop();
    // A write waiting for its bytes to leave runs events, this tick among
    // them: the call watch, the lamps and the drain would use the port in
    // the middle of that write. The tick waits for the next one instead.
    if (m_s.port.isWriting()) {
        m_mtimer->start();
        return;
    }
    emit polling();
    DrainInput();
    // Exit stops polling for good, also in the middle of a drain.
    if (!m_s.scheduler.isShuttingDown())
        m_mtimer->start();
}

// One step: everything the port and the device hold, read as long as more
// arrives within the step's time budget, rendered in the receive format and
// appended to the pane as one piece. The budget counts the append too, by
// what the last one cost per character. When it ran out with input still
// waiting, the next step follows as soon as the window has had its turn.
void ReceivePath::DrainInput()
{
    // Not receiving, or a file transfer has the input.
    if (!m_receiving || m_held)
        return;
    SerialPort &port = m_s.port;
    const DataFormat format = m_s.formats.receiveFormat();
    const bool stamping = m_stamper.kind() != StampKind::None;
    m_shown.resize(0); // keeps its room from the steps before
    m_stamps.clear();
    const QString last = paneEnd();
    m_stamper.continueAfter(last.isEmpty() ? QChar() : last.front(), format);
    qint64 received = 0;
    QElapsedTimer step;
    step.start();
    qint64 waiting = 0;
    bool transferStarts = false;
    // The piece up to where a transfer starts; the rest is the transfer's.
    // Text is watched as its Latin-1 bytes: one byte per character keeps
    // the places, and the start sequences are ASCII, which GBK keeps as is.
    const auto cut = [&](auto piece) {
        qsizetype at = -1;
        if constexpr (std::is_same_v<decltype(piece), QString>)
            at = m_startWatch ? m_startWatch(QByteArrayView(piece.toLatin1())) : -1;
        else
            at = m_startWatch ? m_startWatch(QByteArrayView(piece)) : -1;
        if (at >= 0) {
            transferStarts = true;
            piece.truncate(at);
        }
        return piece;
    };
    while (m_receiving && !m_held && !transferStarts && (waiting = port.bytesWaiting()) > 0) {
        // A stamp tells when its bytes were read, not when they are shown.
        const qint64 arrived = stamping ? m_s.scheduler.now() : 0;
        if (format == DataFormat::String) {
            if (stamping)
                m_stamper.add(m_shown, m_stamps, cut(port.readText()), format, arrived);
            else
                m_shown += cut(port.readText());
            received += waiting;
        } else {
            const QByteArray bytes = cut(port.read(std::min(waiting, kReadPiece)));
            if (stamping) {
                m_piece.resize(0);
                AppendReceivedBytes(m_piece, bytes, format);
                m_stamper.add(m_shown, m_stamps, m_piece, format, arrived);
            } else {
                AppendReceivedBytes(m_shown, bytes, format);
            }
            received += bytes.size();
        }
        if (step.nsecsElapsed() + m_appendNsPerChar * m_shown.size() >= kStepBudgetNs) {
            drainSoon();
            break;
        }
    }
    if (transferStarts) {
        setHeld(true);
        emit transferStarting();
    }
    if (received == 0)
        return;
    // (A String step may show nothing yet: the port holds half a character.)
    if (!m_shown.isEmpty()) {
        QElapsedTimer appending;
        appending.start();
        m_text2->append(m_shown, m_stamps);
        m_appendNsPerChar = double(appending.nsecsElapsed()) / m_shown.size();
    }
    m_counter += received;
    showCounter();
}

void ReceivePath::drainSoon()
{
    if (m_receiving && !m_drainSoon->isActive())
        m_drainSoon->start();
}

void ReceivePath::showHeldBytes()
{
    // Half a character read as text stays unseen until its second byte
    // comes; when the reading goes on byte by byte that never happens, so
    // it is shown now, as the byte it is. It was counted when read.
    const DataFormat format = m_s.formats.receiveFormat();
    if (format == DataFormat::String)
        return;
    const QByteArray held = m_s.port.takeHeldBytes();
    if (!held.isEmpty())
        m_text2->append(RenderReceivedBytes(held, format));
}

void ReceivePath::showSent(const QByteArray &bytes, qint64 unsent)
{
    if (!m_showSent->isChecked())
        return;
    const QString shown = ShownSendText(bytes, unsent, m_s.formats.receiveFormat(), EndsInLine(paneEnd()));
    m_text2->appendNote(shown, unsent > 0 ? kUnsentColour : kSentColour);
}

QString ReceivePath::paneEnd() const
{
    return m_text2->history().mid(m_text2->length() - 1, 1);
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
    m_receiving = true;
}

void ReceivePath::StopReceive()
{
    m_receive->show();
    m_tings->hide();
    m_receiving = false;
    emit receiveStopped();
    m_s.toolbar.setPressed(3, true);
    m_s.toolbar.setPressed(2, false);
    m_s.toolbar.setPressed(1, false);
}

void ReceivePath::setHeld(bool held)
{
    if (held == m_held)
        return;
    m_held = held;
    m_receive->setEnabled(!held);
    m_tings->setEnabled(!held);
    // What the transfer left behind is not the pane's.
    if (!held && m_receiving)
        m_s.port.discardInput();
}

bool ReceivePath::isReceiving() const
{
    return m_receiving;
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
