// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/Rfc2217.h"

#include <cstring>

namespace Rfc2217 {

namespace {
QByteArray bytes(std::initializer_list<quint8> values)
{
    QByteArray out;
    for (const quint8 v : values)
        out.append(char(v));
    return out;
}
} // namespace

QByteArray escape(const QByteArray &data)
{
    if (!data.contains(char(IAC)))
        return data;
    QByteArray out;
    out.reserve(data.size() + data.count(char(IAC)));
    for (const char c : data) {
        out.append(c);
        if (quint8(c) == IAC)
            out.append(c);
    }
    return out;
}

QByteArray negotiation(quint8 verb, quint8 option)
{
    return bytes({IAC, verb, option});
}

QByteArray comPortCommand(quint8 command, const QByteArray &value)
{
    return bytes({IAC, SB, OptComPort, command}) + escape(value) + bytes({IAC, SE});
}

QByteArray baudValue(quint32 baud)
{
    return bytes({quint8(baud >> 24), quint8(baud >> 16), quint8(baud >> 8), quint8(baud)});
}

quint8 parityValue(char parity)
{
    switch (parity) {
    case 'o': return 2;
    case 'e': return 3;
    case 'm': return 4;
    case 's': return 5;
    default: return 1;
    }
}

quint8 stopSizeValue(double stopBits)
{
    return stopBits == 2 ? 2 : stopBits == 1.5 ? 3 : 1;
}

quint8 flowValue(char flow)
{
    return flow == 'h' ? FlowHardware : flow == 'x' ? FlowXonXoff : FlowNone;
}

std::vector<std::pair<quint8, QByteArray>> settingsValues(const PortSettings &s)
{
    return {
        {SetBaudRate, baudValue(quint32(s.baud))},
        {SetDataSize, QByteArray(1, char(s.dataBits))},
        {SetParity, QByteArray(1, char(parityValue(s.parity)))},
        {SetStopSize, QByteArray(1, char(stopSizeValue(s.stopBits)))},
        {SetControl, QByteArray(1, char(flowValue(s.flow)))},
    };
}

QByteArray settingsCommands(const PortSettings &s)
{
    QByteArray commands;
    for (const auto &[command, value] : settingsValues(s))
        commands += comPortCommand(command, value);
    return commands;
}

QByteArray Decoder::decode(const QByteArray &wire, std::vector<Event> &events)
{
    QByteArray data;
    data.reserve(wire.size());
    const char *const end = wire.constData() + wire.size();
    for (const char *at = wire.constData(); at < end; ++at) {
        const char c = *at;
        const auto b = quint8(c);
        switch (m_state) {
        case State::Data: {
            // Data comes in runs between commands: copy each run at once.
            const auto *iac = static_cast<const char *>(std::memchr(at, IAC, size_t(end - at)));
            const char *runEnd = iac ? iac : end;
            data.append(at, runEnd - at);
            // The loop steps past the IAC, or to the end.
            at = runEnd - (iac ? 0 : 1);
            if (iac)
                m_state = State::Command;
            break;
        }
        case State::Command:
            m_sawCommand = true;
            if (b == IAC) {
                data.append(c);
                m_state = State::Data;
            } else if (b >= WILL) {
                m_verb = b;
                m_state = State::Option;
            } else if (b == SB) {
                m_sub.clear();
                m_state = State::Sub;
            } else {
                // NOP, GA, a lone SE and the like carry nothing for a port.
                m_state = State::Data;
            }
            break;
        case State::Option: {
            const Event::Type type = m_verb == WILL ? Event::Type::Will
                                     : m_verb == WONT ? Event::Type::Wont
                                     : m_verb == DO   ? Event::Type::Do
                                                      : Event::Type::Dont;
            events.push_back({type, b, 0, {}});
            m_state = State::Data;
            break;
        }
        case State::Sub:
            if (b == IAC)
                m_state = State::SubCommand;
            else
                m_sub.append(c);
            break;
        case State::SubCommand:
            if (b == IAC) {
                m_sub.append(c);
                m_state = State::Sub;
            } else {
                // IAC SE ends the subnegotiation; anything else after IAC
                // ends it too, as broken, and is dropped with it.
                if (b == SE && m_sub.size() >= 2 && quint8(m_sub[0]) == OptComPort)
                    events.push_back({Event::Type::ComPort, 0, quint8(m_sub[1]), m_sub.mid(2)});
                m_sub.clear();
                m_state = State::Data;
            }
            break;
        }
    }
    return data;
}

} // namespace Rfc2217
