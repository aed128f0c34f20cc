// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ModemCommands.h"

#include "core/Dialogs.h"
#include "core/NumberText.h"
#include "core/Scheduler.h"
#include "modem/ResponseText.h"
#include "serial/SerialPort.h"

#include <QLocale>
#include <initializer_list>
#include <limits>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool ContainsAny(const ResponseText &response, std::initializer_list<QLatin1StringView> words)
{
    for (const QLatin1StringView word : words)
        if (response.contains(word))
            return true;
    return false;
}

// The failure words differ slightly between dialing and answering: dialing
// looks for "TONE", answering for "DIALTONE".
bool HandshakeFailed(const ResponseText &response, bool dialing)
{
    using namespace Qt::Literals::StringLiterals;
    return dialing ? ContainsAny(response, {"CARRIER"_L1, "BUSY"_L1, "TONE"_L1})
                   : ContainsAny(response, {"DIALTONE"_L1, "CARRIER"_L1, "BUSY"_L1});
}

// The whole number of seconds an answer converts to; 0 when it does not
// convert to a 32-bit integer.
qint64 AnsweredSeconds(const QString &answer)
{
    bool ok = false;
    const double value = answer.trimmed().toDouble(&ok);
    if (!ok)
        return 0;
    return ToIntegerWidth(value, std::numeric_limits<qint32>::min(),
                          std::numeric_limits<qint32>::max())
        .value_or(0);
}

} // namespace

int EffectiveHandshakeWaitMs(int waitMs)
{
    return waitMs > 0 ? waitMs : kDefaultHandshakeWaitMs;
}

QString SecondsText(int ms)
{
    return QLocale::c().toString(ms / 1000.0, 'f', QLocale::FloatingPointShortest);
}

ModemCommands::ModemCommands(SerialPort &port, Scheduler &scheduler, Dialogs &dialogs,
                             ModemWindow window, const int &handshakeWaitMs)
    : m_port(port),
      m_scheduler(scheduler),
      m_dialogs(dialogs),
      m_window(std::move(window)),
      m_handshakeWaitMs(handshakeWaitMs)
{
}

bool ModemCommands::Dial()
{
    const QString number = m_window.phoneNumber();
    if (number.trimmed().isEmpty()) {
        m_dialogs.message(QStringLiteral("请输入欲呼叫号码！！！"), QStringLiteral("提示！"),
                          MsgIcon::Exclamation);
        return false;
    }
    if (!pause(100))
        return false;

    QString prefix;
    switch (m_window.dialMethod()) {
    case DialMethod::Tone:
        prefix = QStringLiteral("ATDT");
        break;
    case DialMethod::Pulse:
        prefix = QStringLiteral("ATDP");
        break;
    case DialMethod::None:
        break;
    }
    m_port.discardInput();
    if (!pause(100))
        return false;
    m_port.outputText(prefix + number + kCrLf);
    if (!pause(3000))
        return false;

    const bool connected = waitForHandshake(Watch::Dialing);
    if (m_scheduler.isShuttingDown())
        return false;
    if (!connected) {
        HangUp();
        return false;
    }
    // Give the modems a moment to settle before data flows.
    if (!pause(1000))
        return false;
    m_port.setRtsEnable(true);
    return true;
}

void ModemCommands::HangUp()
{
    // No shutdown checks here: during shutdown the pauses return at once and
    // the modem still gets its hang-up commands.
    m_port.outputText(QStringLiteral("+++"));
    m_scheduler.wait(500);
    m_port.outputText(QStringLiteral("ATH0") + kCrLf);
    m_scheduler.wait(2000);
    m_port.discardInput();
    m_scheduler.wait(1000);
    m_port.setRtsEnable(false);
    m_port.setDtrEnable(false);
    m_scheduler.wait(500);
    m_port.setDtrEnable(true);
}

bool ModemCommands::WaitConnect()
{
    m_window.stopReceiving();
    waitForHandshake(Watch::Answering);
    return !m_scheduler.isShuttingDown() && m_port.cdHolding();
}

bool ModemCommands::pause(int ms)
{
    m_scheduler.wait(ms);
    return !m_scheduler.isShuttingDown();
}

bool ModemCommands::waitForHandshake(Watch watch)
{
    const bool dialing = watch == Watch::Dialing;
    const qint64 deadline = m_scheduler.now() + EffectiveHandshakeWaitMs(m_handshakeWaitMs);
    ResponseText response;
    bool alive = true;
    while (alive && !m_port.cdHolding() && !response.contains(QLatin1StringView("CONNECT"))) {
        m_scheduler.waitForEvents();
        if (m_scheduler.isShuttingDown())
            return false;
        if (m_port.bytesWaiting() > 0) {
            response.append(m_port.readText());
            if (!dialing)
                m_window.appendToPane(response.text() + kCrLf);
        }
        // A port that closed meanwhile (device lost) cannot connect any more.
        if (HandshakeFailed(response, dialing) || m_scheduler.now() >= deadline
            || !m_port.isOpen())
            alive = false;
    }
    return alive;
}

void SetHandshakeTime(Dialogs &dialogs, int &handshakeWaitMs)
{
    const QString answer = dialogs.input(
        QStringLiteral("   请输入时长( 单位：秒 )\n\r\n   [数值不得超过 60 ]"),
        QStringLiteral("设置[猫]握手等待时间"),
        SecondsText(EffectiveHandshakeWaitMs(handshakeWaitMs)));
    qint64 seconds = AnsweredSeconds(answer);
    if (seconds > 60 || seconds < 5)
        seconds = 35;
    handshakeWaitMs = int(seconds) * 1000;
}
