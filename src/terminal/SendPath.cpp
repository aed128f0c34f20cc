// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/SendPath.h"

#include "core/Dialogs.h"
#include "core/Scheduler.h"
#include "core/TextCodec.h"
#include "core/Widgets.h"
#include "serial/PortSettings.h"
#include "serial/SerialPort.h"
#include "terminal/FormatSwitch.h"
#include "terminal/LineEndingChoice.h"
#include "terminal/PacedSender.h"
#include "terminal/ReceivePath.h"
#include "terminal/SendPacing.h"
#include "terminal/StatusBar.h"
#include "terminal/TerminalFlags.h"
#include "terminal/TextPane.h"
#include "terminal/Toolbar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QColor kGreen(0, 255, 0);
const QColor kWhite(255, 255, 255);

bool isHexDigitKey(int code)
{
    return (code >= 48 && code <= 57) || (code >= 65 && code <= 70) || (code >= 97 && code <= 102);
}

QString counterCaption(qint64 count)
{
    return QStringLiteral("【%1】B").arg(count);
}

// What each byte adds to the send counter once it has left, so that a paced
// send counts as an unpaced one does: one for each byte in the byte formats;
// in String format one for each character, at its last byte, and nothing for
// the line end after the text.
QList<int> byteCounts(const QByteArray &bytes, DataFormat format, LineEnding ending)
{
    if (format != DataFormat::String)
        return QList<int>(bytes.size(), 1);
    QList<int> counts(bytes.size(), 0);
    const qsizetype textEnd = bytes.size() - LineEndingText(ending).size();
    for (qsizetype i = 0; i < textEnd; ++i) {
        // A GBK lead byte: the character ends with the byte after it.
        if (quint8(bytes[i]) >= 0x81 && i + 1 < textEnd)
            ++i;
        counts[i] = 1;
    }
    return counts;
}

} // namespace

SendPath::SendPath(const Services &services, QWidget *parent) : QObject(parent), m_s(services)
{
    buildControls(parent);
    m_lineEnding = new LineEndingChoice(this);
    m_pacing = new PacingOption(m_s.dialogs, this);
    m_paced = new PacedSender(m_s.port, m_s.scheduler, this);
    connect(m_paced, &PacedSender::sent, this, &SendPath::count);
    connect(m_paced, &PacedSender::finished, this, [this](qint64 unsent) {
        m_send->setEnabled(true);
        reportUnsent(unsent);
        if (unsent > 0)
            emit dataSent({}, unsent);
    });
    // What is left of a paced send belongs to the port's opening: none of
    // it goes to a device opened later.
    connect(&m_s.port, &SerialPort::closed, this, &SendPath::endPacedSend);
    // A modem command takes the line: the rest of a paced send never leaves.
    connect(&m_s.port, &SerialPort::commandStarting, this, &SendPath::endPacedSend);
    m_ding = m_s.scheduler.createTimer(this, QStringLiteral("ding"));
    connect(m_ding, &Timer::timeout, this, &SendPath::AutoSendTick);
}

void SendPath::buildControls(QWidget *parent)
{
    // A text box that lays out only what is in view, so a long send text
    // loads at once; it keeps its line breaks as LF, as a plain box does.
    m_text1 = new TextPane(parent);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setPlainLineBreaks(true);
    m_text1->setUndoEnabled(true);
    m_text1->installEventFilter(this);
    m_text1->viewport()->installEventFilter(this);
    connect(m_text1, &TextPane::changed, this, &SendPath::assist);

    m_send = Named(new QPushButton(QStringLiteral("发 送 &S"), parent), "send");
    m_command2 = Named(new QPushButton(QStringLiteral("开 始 &U"), parent), "Command2");
    m_tingf = Named(new QPushButton(QStringLiteral("停 止 &P"), parent), "tingf");
    m_qingf = Named(new QPushButton(QStringLiteral("清 除 &C"), parent), "qingf");
    m_command2->hide();
    m_tingf->hide();
    connect(m_send, &QPushButton::clicked, this, &SendPath::Send);
    connect(m_command2, &QPushButton::clicked, this, &SendPath::StartAutoSend);
    connect(m_tingf, &QPushButton::clicked, this, &SendPath::StopAutoSend);
    connect(m_qingf, &QPushButton::clicked, this, &SendPath::Clear);

    m_f4 = new QGroupBox(parent);
    m_f4->setObjectName(QStringLiteral("f4"));
    m_shoudong = new QRadioButton(QStringLiteral("手动 &A"), m_f4);
    m_shoudong->setObjectName(QStringLiteral("shoudong"));
    m_zidong = new QRadioButton(QStringLiteral("自动 &B"), m_f4);
    m_zidong->setObjectName(QStringLiteral("zidong"));
    m_shoudong->setChecked(true);
    auto *modes = new QHBoxLayout(m_f4);
    modes->setContentsMargins(4, 0, 4, 0);
    modes->addWidget(m_shoudong);
    modes->addWidget(m_zidong);
    connect(m_shoudong, &QRadioButton::clicked, this, &SendPath::chooseManual);
    connect(m_zidong, &QRadioButton::clicked, this, &SendPath::chooseAutomatic);

    m_intervalRow = new QWidget(parent);
    auto *row = new QHBoxLayout(m_intervalRow);
    row->setContentsMargins(0, 0, 0, 0);
    auto *before = new QLabel(QStringLiteral("间 隔 :"), m_intervalRow);
    before->setToolTip(QStringLiteral(" 设置发送间隔 "));
    m_fatime = new QComboBox(m_intervalRow);
    m_fatime->setObjectName(QStringLiteral("fatime"));
    m_fatime->setEditable(true);
    m_fatime->setInsertPolicy(QComboBox::NoInsert);
    m_fatime->addItems({QStringLiteral("10000"), QStringLiteral("3000"), QStringLiteral("1000"),
                        QStringLiteral("500"), QStringLiteral("200")});
    m_fatime->setEditText(QStringLiteral("1000"));
    m_fatime->setEnabled(false);
    paintInterval(kWhite);
    connect(m_fatime, &QComboBox::activated, this, &SendPath::pickInterval);
    row->addWidget(before);
    row->addWidget(m_fatime, 1);
    row->addWidget(new QLabel(QStringLiteral("ms "), m_intervalRow));

    m_addb = new QCheckBox(QStringLiteral("智能辅助"), parent);
    m_addb->setObjectName(QStringLiteral("addb"));
    OnHover(m_addb, [this] {
        m_addb->setToolTip(m_addb->isChecked() ? QStringLiteral(" 智能辅助->打开 ")
                                               : QStringLiteral(" 智能辅助->关闭"));
    });

    m_zis = new ClickLabel(QStringLiteral("【0】"), parent);
    m_zis->setObjectName(QStringLiteral("zis"));
    m_zis->setToolTip(QStringLiteral("双击清零"));
    connect(m_zis, &ClickLabel::doubleClicked, this, &SendPath::resetCounter);
}

QWidget *SendPath::modeFrame() const
{
    return m_f4;
}

QString SendPath::sendText() const
{
    return m_text1->text();
}

void SendPath::setSendText(const QString &text)
{
    // A program write (the send action's trim, the checksum, a conversion,
    // a command) is no typing: the assistant adds no blank to it. The caret
    // goes to the end, as after typing, so that what is typed next follows
    // the data.
    m_lastKey = 0;
    m_text1->setText(text);
    m_text1->setSelStart(m_text1->length());
}

bool SendPath::isAutoSending() const
{
    return m_ding->isActive();
}

bool SendPath::isSending() const
{
    return m_paced->isSending();
}

void SendPath::waitUntilSent()
{
    m_paced->waitUntilDone();
}

void SendPath::Send()
{
    if (!m_s.port.isOpen()) {
        m_s.dialogs.message(QStringLiteral("先打开串口！！！"), QStringLiteral("提示"), MsgIcon::Question);
        return;
    }
    // Two sends' bytes never interleave: the one still going keeps the line.
    if (m_paced->isSending()) {
        m_s.status.setMessage(QStringLiteral("上一次发送尚未结束 ..."));
        return;
    }
    const QString trimmed = sendText().trimmed();
    if (trimmed != sendText())
        setSendText(trimmed);
    m_send->setEnabled(false);
    SendText(QString());
}

void SendPath::SendText(const QString &given)
{
    QString text = given;
    if (text.trimmed().isEmpty()) {
        text = sendText();
        if (text.isEmpty()) {
            m_send->setEnabled(true);
            return;
        }
    }
    const DataFormat format = m_s.formats.sendFormat();
    const LineEnding ending = m_lineEnding->value();
    const EncodeResult encoded = EncodeSendText(text, format, ending);
    if (const auto *failure = std::get_if<EncodeFailure>(&encoded)) {
        if (*failure == EncodeFailure::BadDigit)
            m_s.dialogs.message(QStringLiteral("发送数据错误！"), QStringLiteral("错误"), MsgIcon::Exclamation);
        else
            m_s.dialogs.message(QStringLiteral("数据越限!!!"), QStringLiteral("警告"), MsgIcon::Question);
        EndSend();
        return;
    }
    const QByteArray &bytes = std::get<QByteArray>(encoded);
    if (const SendPacing pacing = m_pacing->value(); pacing.isOn()) {
        // `send` stays disabled until the paced send is over.
        emit dataSent(bytes, 0);
        m_paced->start(bytes, byteCounts(bytes, format, ending), pacing);
        return;
    }
    const qint64 written = m_s.port.output(bytes);
    if (written == bytes.size()) {
        // String format counts the characters sent, a line break as its
        // line end, without the line end after the text.
        count(format == DataFormat::String ? WithLineBreaks(text, ending).size() : written);
    } else {
        // Count what left; the send box keeps its text.
        count(written);
        reportUnsent(bytes.size() - written);
    }
    emit dataSent(bytes, bytes.size() - written);
    m_send->setEnabled(true);
}

void SendPath::EndSend()
{
    m_ding->stop();
    endPacedSend();
    if (auto *window = m_send->window())
        window->setEnabled(true);
    m_send->setEnabled(true);
    if (m_zidong->isChecked()) {
        m_command2->show();
        m_tingf->hide();
        m_s.status.setMessage(QStringLiteral("发送结束 ..."));
        m_f4->setEnabled(true);
        paintInterval(kWhite);
        m_s.toolbar.setPressed(1, false);
    }
}

void SendPath::chooseManual()
{
    m_fatime->setEnabled(false);
    m_s.status.setPanel(5, QStringLiteral("手动"));
    m_command2->hide();
    m_send->show();
    m_s.toolbar.setPressed(1, false);
}

void SendPath::chooseAutomatic()
{
    m_command2->show();
    m_s.status.setPanel(5, QStringLiteral("自动"));
    m_fatime->setEnabled(true);
    m_send->hide();
    m_s.toolbar.setPressed(1, true);
}

void SendPath::StartAutoSend()
{
    if (!m_s.port.isOpen()) {
        m_s.dialogs.message(QStringLiteral("先打开串口！！！"), QStringLiteral("提示"), MsgIcon::Question);
        return;
    }
    if (m_s.flags.commandRun) {
        const auto answer = m_s.dialogs.message(
            QStringLiteral("正在执行自定义命令,开始自动发送将终止命令的执行,确定吗?"),
            QStringLiteral("提示"), MsgIcon::Exclamation, MsgButtons::YesNo);
        if (answer != MsgAnswer::Yes)
            return;
        m_s.flags.commandRun = false;
    }
    m_s.toolbar.setPressed(1, true);
    m_tingf->show();
    m_send->hide();
    m_command2->hide();
    if (m_receive && !m_receive->isReceiving()) {
        const auto answer = m_s.dialogs.message(QStringLiteral("接收数据吗？"), QStringLiteral("提示"),
                                                MsgIcon::Exclamation, MsgButtons::YesNo);
        if (answer == MsgAnswer::Yes)
            m_receive->StartReceive();
    }
    m_ding->setInterval(LeadingInteger(m_fatime->currentText()));
    m_ding->start();
    m_f4->setEnabled(false);
    m_s.status.setMessage(QStringLiteral("正在发送..."));
}

void SendPath::AutoSendMenu()
{
    if (m_zidong->isChecked())
        StartAutoSend();
    else
        m_s.dialogs.message(QStringLiteral("请先选择自动发送方式！"), QStringLiteral("信息"),
                            MsgIcon::Question);
}

void SendPath::AutoSendTick()
{
    // A tick whose message box is still open does not start another, nor
    // does one that comes while a paced send is still going: it is left out,
    // and the next tick sends.
    if (m_inTick || m_paced->isSending())
        return;
    m_inTick = true;
    if (sendText().trimmed().isEmpty()) {
        m_s.dialogs.message(QStringLiteral("无发送数据！"), QStringLiteral("提示"), MsgIcon::Exclamation);
        m_ding->stop();
        m_command2->show();
        m_tingf->hide();
        m_f4->setEnabled(true);
        m_s.status.setMessage(QStringLiteral("发送结束 ..."));
        m_s.toolbar.setPressed(1, false);
    } else {
        paintInterval(BackgroundColor(m_fatime) == kGreen ? kWhite : kGreen);
        m_s.toolbar.setPressed(1, true);
        m_s.toolbar.setPressed(3, false);
        Send();
    }
    m_inTick = false;
}

void SendPath::StopAutoSend()
{
    // Sending stops at the click, not once the box below is clicked away:
    // the box runs the window's events, and with them the send timer.
    m_ding->stop();
    endPacedSend();
    m_s.dialogs.message(QStringLiteral("stop!!!err."), QString::fromLatin1(kAppTitle), MsgIcon::None);
    m_tingf->hide();
    m_command2->show();
    m_s.toolbar.setPressed(1, false);
    m_s.status.setMessage(QStringLiteral("自动发送结束 ..."));
    m_command2->setEnabled(true);
    m_send->hide();
    m_f4->setEnabled(true);
    if (m_stopCountdown)
        m_stopCountdown();
    paintInterval(kWhite);
}

void SendPath::HaltAutoSend()
{
    m_ding->stop();
    endPacedSend();
}

void SendPath::StopAll()
{
    m_tingf->hide();
    // In the manual mode the start button stays hidden beside `send`.
    if (m_zidong->isChecked())
        m_command2->show();
    m_ding->setInterval(0);
    m_ding->stop();
    endPacedSend();
    m_f4->setEnabled(true);
    if (m_receive)
        m_receive->StopReceive();
}

void SendPath::pickInterval()
{
    const bool running = m_tingf->isVisibleTo(m_tingf->parentWidget());
    m_ding->stop();
    m_ding->setInterval(LeadingInteger(m_fatime->currentText()));
    if (running)
        m_ding->start();
}

void SendPath::onPortApplied()
{
    if (m_zidong->isChecked())
        m_command2->setEnabled(true);
    else
        m_send->setEnabled(true);
    m_ding->setInterval(LeadingInteger(m_fatime->currentText()));
}

void SendPath::Clear()
{
    setSendText(QString());
    m_text1->setFocus();
}

void SendPath::resetCounter()
{
    m_counter = 0;
    m_zis->setText(QStringLiteral("【0】"));
}

void SendPath::showCounter()
{
    m_zis->setText(counterCaption(m_counter));
}

void SendPath::count(qint64 count)
{
    m_counter += count;
    showCounter();
}

void SendPath::reportUnsent(qint64 unsent)
{
    // A port that closed during the write (unlocked, lost, the window
    // closing) has said so itself; otherwise the write time-out passed: say
    // what did not leave.
    if (unsent > 0 && m_s.port.isOpen())
        m_s.status.setMessage(QStringLiteral("发送超时: %1 字节未发出").arg(unsent));
}

void SendPath::endPacedSend()
{
    if (!m_paced->isSending())
        return;
    // The shown send said all its bytes at its start: say what never left.
    const qint64 unsent = m_paced->stop();
    m_send->setEnabled(true);
    if (unsent > 0)
        emit dataSent({}, unsent);
}

void SendPath::paintInterval(const QColor &color)
{
    SetBackgroundColor(m_fatime, color);
}

void SendPath::assist()
{
    if (!isHexDigitKey(m_lastKey) || !m_addb->isChecked()
        || m_s.formats.sendFormat() == DataFormat::String)
        return;
    const QString trimmed = sendText().trimmed();
    const int group = m_s.formats.sendFormat() == DataFormat::Hex ? 3 : 4;
    if ((trimmed.size() + 1) % group != 0)
        return;
    setSendText(trimmed + u' ');
}

bool SendPath::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && m_s.formats.sendFormat() == DataFormat::String)
            Send();
        m_lastKey = enter ? 13 : (key->text().isEmpty() ? 0 : key->text().at(0).unicode());
    } else if (watched == m_text1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        emit mouseReleased();
    }
    return QObject::eventFilter(watched, event);
}
