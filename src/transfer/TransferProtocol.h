// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file transfer protocols and the lrzsz command lines that speak them.
// Raw sending is the program's own; XMODEM, YMODEM and ZMODEM run as lrzsz
// child processes whose standard input and output are the port.

#include <QString>
#include <QStringList>
#include <optional>

enum class Protocol { Raw, Xmodem, Xmodem1K, Ymodem, Zmodem };

// The names the protocol choice shows, in its order.
QStringList SendProtocolNames();
QStringList ReceiveProtocolNames();
QString ProtocolName(Protocol protocol);
std::optional<Protocol> ProtocolNamed(const QString &name);

// YMODEM and ZMODEM carry the file's name; XMODEM carries only its bytes.
bool CarriesNames(Protocol protocol);

struct ChildCommand
{
    QString program; // the lrzsz program's name (sx, sb, sz, rx, rb, rz)
    QStringList arguments;
};

// Sends the file at path.
ChildCommand SendCommand(Protocol protocol, const QString &path);
// Receives into the working folder; XMODEM writes the file named fileName.
ChildCommand ReceiveCommand(Protocol protocol, const QString &fileName);

// Where the program lies on the search path; empty when it is missing.
QString FindProgram(const QString &name);
// The message for a missing lrzsz program, naming the package.
QString MissingProgramMessage(const QString &name);

// What a protocol sends to make the other side give up: CAN bytes (two at
// the start of a block stop XMODEM and YMODEM, ZMODEM asks for five in a
// row), enough of them to first fill up the rest of a 1K block the device
// may be in the middle of, and backspaces to clear them from a terminal
// that shows them.
QByteArray CancelSequence();
// The cancel said again, eight CAN bytes and eight backspaces, once the
// device has had kCancelRepeatMs to take the first: an XMODEM or YMODEM
// receiver that took those CAN bytes as a block's data throws away all
// that follows until the line falls silent, then waits for the next
// block's header, which these stop.
QByteArray CancelRepeat();
constexpr int kCancelRepeatMs = 1000;
