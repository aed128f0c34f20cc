// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bytes of the Telnet COM-PORT option (RFC 2217) on the wire: the
// escaping of data, the option negotiation and the COM-PORT commands a
// client sends, and a decoder that splits what the server sends into data
// and commands. Pure byte work, with no socket: the network device drives it.

#include "serial/PortSettings.h"

#include <QByteArray>
#include <vector>

namespace Rfc2217 {

// Telnet's command bytes (RFC 854) and the options this client speaks.
enum : quint8 {
    SE = 240,
    SB = 250,
    WILL = 251,
    WONT = 252,
    DO = 253,
    DONT = 254,
    IAC = 255,
};
enum : quint8 { OptBinary = 0, OptSuppressGoAhead = 3, OptComPort = 44 };

// The COM-PORT commands, as the client sends them; the server answers with
// the same command plus ServerOffset.
enum : quint8 {
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    NotifyModemState = 7,
    SetModemStateMask = 11,
    PurgeData = 12,
};
constexpr quint8 ServerOffset = 100;

// SET-CONTROL values.
enum : quint8 {
    FlowNone = 1,
    FlowXonXoff = 2,
    FlowHardware = 3,
    BreakOn = 5,
    BreakOff = 6,
    DtrOn = 8,
    DtrOff = 9,
    RtsOn = 11,
    RtsOff = 12,
};
// PURGE-DATA values: the server's buffer towards the client, towards the
// device.
enum : quint8 { PurgeReceive = 1, PurgeTransmit = 2 };
// The modem state's line bits.
enum : quint8 { StateCts = 0x10, StateDsr = 0x20, StateCd = 0x80 };

// Data as it goes on the wire: every 0xFF doubled.
QByteArray escape(const QByteArray &data);
// IAC verb option.
QByteArray negotiation(quint8 verb, quint8 option);
// IAC SB COM-PORT command value IAC SE, with 0xFF in the value doubled.
QByteArray comPortCommand(quint8 command, const QByteArray &value);
// SET-BAUDRATE's four bytes in network order, and the one byte of the
// other settings commands, for the port settings' values.
QByteArray baudValue(quint32 baud);
quint8 parityValue(char parity);
quint8 stopSizeValue(double stopBits);
quint8 flowValue(char flow);
// The settings commands and their values for these settings, in the order
// sent; a server answers each with the value it took.
std::vector<std::pair<quint8, QByteArray>> settingsValues(const PortSettings &settings);
// The commands that set a port to these settings, in the order sent.
QByteArray settingsCommands(const PortSettings &settings);

// What the server sent: a command or a COM-PORT answer.
struct Event
{
    enum class Type { Will, Wont, Do, Dont, ComPort };
    Type type;
    quint8 option = 0;  // Will .. Dont
    quint8 command = 0; // ComPort: the server's command number
    QByteArray value;   // ComPort: its value, unescaped
};

// Splits the server's stream into data and events. A command cut between
// two reads is held until its rest arrives.
class Decoder
{
public:
    // The data in bytes, 0xFF unescaped; the events go to events.
    QByteArray decode(const QByteArray &wire, std::vector<Event> &events);
    // Commands seen so far: a server that sent none is not speaking Telnet.
    bool sawCommand() const { return m_sawCommand; }
    void reset() { *this = Decoder(); }

private:
    enum class State { Data, Command, Option, Sub, SubCommand };
    State m_state = State::Data;
    quint8 m_verb = 0;
    QByteArray m_sub;
    bool m_sawCommand = false;
};

} // namespace Rfc2217
