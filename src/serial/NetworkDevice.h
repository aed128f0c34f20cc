// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial port on another machine: a TCP connection to a serial server
// that speaks the Telnet COM-PORT option (RFC 2217: settings, line signals,
// break, purging), or a plain TCP socket that carries bytes only.
//
// open() connects without freezing the window: it serves events while it
// waits, and close() from one of them gives the attempt up. The settings are
// sent once the COM-PORT option is agreed, and every answer is checked: a
// value the server does not take fails the open as bad settings. A server
// that does not speak Telnet is closed with a message.

#include "serial/NetworkAddress.h"
#include "serial/Rfc2217.h"
#include "serial/SerialDevice.h"

#include <QTcpSocket>

#include <bitset>
#include <functional>
#include <map>

class QEventLoop;

class NetworkDevice : public SerialDevice
{
    Q_OBJECT
public:
    // How long a connection and the negotiation after it may take.
    static constexpr int kConnectTimeoutMs = 10000;
    static constexpr int kNegotiationTimeoutMs = 5000;

    // name: the URL from the port box; a wrong one fails open() with why.
    explicit NetworkDevice(const QString &name, QObject *parent = nullptr);
    ~NetworkDevice() override;

    int open(const PortSettings &settings) override;
    QString openFailure() const override { return m_openFailure; }
    void close() override;
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray &bytes, int timeoutMs) override;
    qint64 bytesAvailable() override;
    QByteArray read(qint64 maxBytes) override;
    void discardInput() override;
    void discardOutput() override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    InputLines inputLines() override;
    bool rtsLine() override;
    bool setBreak(bool on) override;

private:
    bool speaksRfc2217() const { return m_address.kind == NetworkAddress::Kind::Rfc2217; }
    int fail(int error, const QString &why);
    void dropSocket();
    // Serves events until done() holds, the socket fails, the attempt is
    // given up or timeoutMs pass; false unless done() holds.
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);
    void wake();
    int connectSocket();
    int negotiate(const PortSettings &settings);
    // Takes what the socket holds into the input, as far as there is room,
    // and acts on the server's commands in it.
    void pull();
    void handle(const Rfc2217::Event &event);
    void answerOption(quint8 verb, quint8 option);
    bool sendControl(quint8 value);
    void onSocketError();

    QString m_name;
    NetworkAddress m_address;
    QTcpSocket m_socket;
    Rfc2217::Decoder m_decoder;
    QByteArray m_input;
    QString m_openFailure;
    bool m_open = false;
    bool m_abandoned = false;
    bool m_failed = false; // the socket failed while open() waited
    QEventLoop *m_waiting = nullptr;
    // Negotiation: the server agreed to COM-PORT or refused it, what it
    // answered to each settings command, and which answers to its requests
    // went out already (so none is sent twice).
    bool m_comPortAgreed = false;
    bool m_comPortRefused = false;
    std::map<quint8, QByteArray> m_answers;
    std::bitset<256> m_answeredDo;
    std::bitset<256> m_answeredWill;
    quint8 m_modemState = 0;
};
