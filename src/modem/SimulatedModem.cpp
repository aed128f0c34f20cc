// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/SimulatedModem.h"

#include "core/Scheduler.h"

#include <QRegularExpression>

const QString SimulatedModem::kName = QStringLiteral("模拟调制解调器");

namespace {
// Longer command lines are refused with ERROR, as a modem's command buffer is small.
constexpr qsizetype kLineLimit = 256;
constexpr int kConnectMs = 3000;
constexpr int kRingPeriodMs = 6000;
constexpr int kCallBackDelayMs = 10000;
constexpr int kRingsPerCall = 10;
} // namespace

SimulatedModem::SimulatedModem(Scheduler &scheduler, QObject *parent)
    : SerialDevice(parent),
      m_progress(scheduler.createTimer(this, QStringLiteral("modemProgress"))),
      m_ringer(scheduler.createTimer(this, QStringLiteral("modemRinger")))
{
    connect(m_progress, &Timer::timeout, this, [this] {
        m_progress->stop();
        const auto step = std::exchange(m_pendingStep, nullptr);
        if (step)
            step();
    });
    connect(m_ringer, &Timer::timeout, this, &SimulatedModem::ringOnce);
}

int SimulatedModem::open(const PortSettings &)
{
    close();
    m_open = true;
    return PortError::None;
}

void SimulatedModem::close()
{
    hangUp();
    stopRinging();
    m_open = false;
    m_dtr = false;
    m_input.clear();
    m_line.clear();
    m_lineOverflow = false;
}

qint64 SimulatedModem::write(const QByteArray &bytes, int)
{
    if (!m_open)
        return 0;
    if (m_mode == Mode::Dialing || m_mode == Mode::Answering) {
        // A key pressed while the modem is calling abandons the attempt.
        hangUp();
        respond("NO CARRIER");
        return bytes.size();
    }
    for (const char c : bytes) {
        if (m_mode == Mode::Data) {
            acceptDataByte(c);
        } else {
            acceptCommandByte(c);
            // The rest of a line that started or resumed a call is its line end.
            if (m_mode != Mode::Command)
                break;
        }
    }
    return bytes.size();
}

QByteArray SimulatedModem::read(qint64 maxBytes)
{
    return m_input.take(maxBytes);
}

bool SimulatedModem::setDtr(bool on)
{
    const bool callInProgress = m_carrier || m_mode != Mode::Command;
    if (m_open && m_dtr && !on && callInProgress)
        hangUp();
    m_dtr = on;
    return m_open;
}

void SimulatedModem::ring()
{
    if (!m_open || m_carrier || m_mode != Mode::Command)
        return;
    m_ringsLeft = kRingsPerCall;
    ringOnce();
}

void SimulatedModem::dropCarrier()
{
    if (!m_carrier)
        return;
    hangUp();
    respond("NO CARRIER");
}

void SimulatedModem::acceptCommandByte(char c)
{
    if (c == '\n')
        return;
    if (c != '\r') {
        if (m_line.size() < kLineLimit)
            m_line.append(c);
        else
            m_lineOverflow = true;
        return;
    }
    const QByteArray line = std::exchange(m_line, {});
    const bool overflow = std::exchange(m_lineOverflow, false);
    if (overflow)
        respond("ERROR");
    else if (!line.trimmed().isEmpty())
        runCommand(line);
}

void SimulatedModem::runCommand(const QByteArray &line)
{
    static const QRegularExpression setting(
        QStringLiteral("^(Z|&F|E0|V1|Q0|X\\d|L\\d|M\\d|S\\d+=\\d+)?$"));

    const QString command = QString::fromLatin1(line).toUpper().remove(QLatin1Char(' '));
    if (!command.startsWith(QLatin1String("AT"))) {
        respond("ERROR");
        return;
    }
    const QString body = command.mid(2);
    if (body.startsWith(QLatin1Char('D'))) {
        dial(body.mid(1).toLatin1());
    } else if (body == QLatin1String("A") || body == QLatin1String("HA")) {
        answer();
    } else if (body == QLatin1String("H") || body == QLatin1String("H0")) {
        hangUp();
        respond("OK");
    } else if (body == QLatin1String("O")) {
        if (m_carrier) {
            m_mode = Mode::Data;
            m_plusRun = 0;
            respond("CONNECT 9600");
        } else {
            respond("NO CARRIER");
        }
    } else if (setting.match(body).hasMatch()) {
        if (body == QLatin1String("Z"))
            hangUp();
        respond("OK");
    } else {
        respond("ERROR");
    }
}

void SimulatedModem::dial(const QByteArray &number)
{
    QByteArray digits;
    for (const char c : number)
        if (c >= '0' && c <= '9')
            digits.append(c);
    if (m_carrier || digits.isEmpty()) {
        respond("ERROR");
        return;
    }
    stopRinging();
    m_mode = Mode::Dialing;
    const auto failWith = [this](const char *word) {
        return [this, word] {
            m_mode = Mode::Command;
            respond(word);
        };
    };
    switch (digits.back()) {
    case '5':
        afterDelay(2000, failWith("BUSY"));
        break;
    case '6':
        afterDelay(5000, failWith("NO CARRIER"));
        break;
    case '7':
        afterDelay(1000, failWith("NO DIALTONE"));
        break;
    case '8':
        break; // nobody answers; the attempt lasts until abandoned
    case '9':
        afterDelay(2000, [this, busy = failWith("BUSY")] {
            busy();
            m_ringsLeft = kRingsPerCall;
            m_ringer->setInterval(kCallBackDelayMs);
            m_ringer->start();
        });
        break;
    default:
        afterDelay(kConnectMs, [this] { goOnline(); });
    }
}

void SimulatedModem::answer()
{
    if (m_carrier || !m_ringing) {
        respond("NO CARRIER");
        return;
    }
    stopRinging();
    m_mode = Mode::Answering;
    afterDelay(kConnectMs, [this] { goOnline(); });
}

void SimulatedModem::acceptDataByte(char c)
{
    appendInput(QByteArray(1, c));
    m_plusRun = c == '+' ? m_plusRun + 1 : 0;
    if (m_plusRun == 3) {
        m_plusRun = 0;
        m_mode = Mode::Command;
        respond("OK");
    }
}

void SimulatedModem::afterDelay(int ms, std::function<void()> step)
{
    m_pendingStep = std::move(step);
    m_progress->setInterval(ms);
    m_progress->start();
}

void SimulatedModem::ringOnce()
{
    if (!m_open || m_carrier || m_mode != Mode::Command || m_ringsLeft <= 0) {
        stopRinging();
        return;
    }
    // After the last ring the call can still be answered for one period.
    respond("RING");
    m_ringing = true;
    --m_ringsLeft;
    m_ringer->setInterval(kRingPeriodMs);
    m_ringer->start();
}

void SimulatedModem::stopRinging()
{
    m_ringer->stop();
    m_ringsLeft = 0;
    m_ringing = false;
}

void SimulatedModem::goOnline()
{
    m_carrier = true;
    m_mode = Mode::Data;
    m_plusRun = 0;
    respond("CONNECT 9600");
}

void SimulatedModem::hangUp()
{
    m_progress->stop();
    m_pendingStep = nullptr;
    m_carrier = false;
    m_mode = Mode::Command;
}

void SimulatedModem::respond(const char *word)
{
    appendInput(QByteArray("\r\n") + word + "\r\n");
}

void SimulatedModem::appendInput(const QByteArray &bytes)
{
    m_input.append(bytes);
}
