// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial port on another machine, named in the port box as a URL:
// rfc2217://host:port (a serial server that takes the port's settings and
// line signals, RFC 2217) or socket://host:port (a plain TCP stream: bytes
// only). A port name with "://" in it is always meant as such a URL; one
// that does not parse gets a message naming the part that is wrong.

#include <QString>
#include <optional>

struct NetworkAddress
{
    enum class Kind { Rfc2217, RawSocket };

    Kind kind = Kind::Rfc2217;
    QString host;
    quint16 port = 0;

    // "host:port", as the status bar and the messages show it.
    QString endpoint() const;

    // Whether a port name is meant as a network port.
    static bool isNetworkName(const QString &name);

    // The address a name stands for; nothing when it does not parse, and
    // then error says why, in words for the user.
    static std::optional<NetworkAddress> parse(const QString &name, QString *error);
};
