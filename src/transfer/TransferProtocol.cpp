// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TransferProtocol.h"

#include <QByteArray>
#include <QStandardPaths>

namespace {

struct Entry
{
    Protocol protocol;
    const char *name;
};

constexpr Entry kProtocols[] = {
    {Protocol::Raw, "原始"},     {Protocol::Xmodem, "XMODEM"}, {Protocol::Xmodem1K, "XMODEM-1K"},
    {Protocol::Ymodem, "YMODEM"}, {Protocol::Zmodem, "ZMODEM"},
};

// -vv makes the programs report the file name and the bytes done on their
// error stream, which the progress window shows.
const QString kVerbose = QStringLiteral("-vv");

} // namespace

QStringList SendProtocolNames()
{
    QStringList names;
    for (const Entry &e : kProtocols)
        names << QString::fromUtf8(e.name);
    return names;
}

QStringList ReceiveProtocolNames()
{
    // Raw bytes have no end to receive up to, and XMODEM-1K is received as
    // XMODEM: the receiver takes either block size.
    return {ProtocolName(Protocol::Xmodem), ProtocolName(Protocol::Ymodem), ProtocolName(Protocol::Zmodem)};
}

QString ProtocolName(Protocol protocol)
{
    for (const Entry &e : kProtocols)
        if (e.protocol == protocol)
            return QString::fromUtf8(e.name);
    return {};
}

std::optional<Protocol> ProtocolNamed(const QString &name)
{
    for (const Entry &e : kProtocols)
        if (name == QString::fromUtf8(e.name))
            return e.protocol;
    return std::nullopt;
}

bool CarriesNames(Protocol protocol)
{
    return protocol == Protocol::Ymodem || protocol == Protocol::Zmodem;
}

ChildCommand SendCommand(Protocol protocol, const QString &path)
{
    switch (protocol) {
    case Protocol::Xmodem: return {QStringLiteral("sx"), {kVerbose, path}};
    case Protocol::Xmodem1K: return {QStringLiteral("sx"), {kVerbose, QStringLiteral("-k"), path}};
    case Protocol::Ymodem: return {QStringLiteral("sb"), {kVerbose, path}};
    case Protocol::Zmodem: return {QStringLiteral("sz"), {kVerbose, path}};
    case Protocol::Raw: break;
    }
    return {};
}

ChildCommand ReceiveCommand(Protocol protocol, const QString &fileName)
{
    // -R: restricted, names from the sender cannot point out of the folder.
    // -c: XMODEM asks for CRC blocks; a sender that only knows checksums
    // answers those after the receiver's retries.
    switch (protocol) {
    case Protocol::Xmodem:
    case Protocol::Xmodem1K: return {QStringLiteral("rx"), {kVerbose, QStringLiteral("-c"), fileName}};
    case Protocol::Ymodem: return {QStringLiteral("rb"), {kVerbose, QStringLiteral("-R")}};
    case Protocol::Zmodem: return {QStringLiteral("rz"), {kVerbose, QStringLiteral("-R")}};
    case Protocol::Raw: break;
    }
    return {};
}

QString FindProgram(const QString &name)
{
    return QStandardPaths::findExecutable(name);
}

QString MissingProgramMessage(const QString &name)
{
    return QStringLiteral("找不到传输程序 %1。\n请安装软件包 lrzsz（apt-get install lrzsz）后再试。").arg(name);
}

QByteArray CancelSequence()
{
    constexpr int kLongestBlock = 1029; // STX, two block numbers, 1024 bytes, CRC
    return QByteArray(kLongestBlock, '\x18') + CancelRepeat();
}

QByteArray CancelRepeat()
{
    return QByteArray(8, '\x18') + QByteArray(8, '\x08');
}
