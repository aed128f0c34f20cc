// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A real ser2net serving one serial device on free ports of 127.0.0.1: an
// RFC 2217 (Telnet) accepter and a raw TCP accepter. It runs in the
// foreground from a temporary folder (configuration and pid file there, no
// UUCP lock files), so it needs no root and no /etc.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class Ser2NetServer
{
public:
    // The program, or empty when ser2net is not installed.
    static QString program();
    static constexpr const char *kInstallHint = "ser2net is not installed: apt-get install ser2net";

    // Serves device (a pseudo-terminal's path) on two free ports.
    explicit Ser2NetServer(const QString &device);
    ~Ser2NetServer();

    // Starts ser2net and waits until it takes connections; false with
    // error() saying why.
    bool start();
    // Stops it: its connections drop.
    void stop();
    QString error() const { return m_error; }

    quint16 telnetPort() const { return m_telnetPort; }
    quint16 rawPort() const { return m_rawPort; }
    QString rfc2217Url() const;
    QString socketUrl() const;

    // A port of 127.0.0.1 nobody listens on (for now).
    static quint16 freePort();

private:
    // Some socket listens on this port of the machine.
    static bool listens(quint16 port);

    QString m_device;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_telnetPort = 0;
    quint16 m_rawPort = 0;
    QString m_error;
};
