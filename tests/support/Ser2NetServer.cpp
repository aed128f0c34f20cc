// SPDX-License-Identifier: GPL-3.0-or-later
#include "Ser2NetServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

QString Ser2NetServer::program()
{
    // Debian installs it in /usr/sbin, which a user's PATH may lack.
    QString found = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                               {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    return found;
}

quint16 Ser2NetServer::freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

Ser2NetServer::Ser2NetServer(const QString &device)
    : m_device(device), m_telnetPort(freePort()), m_rawPort(freePort())
{
    // Two probes in a row may get the same port back.
    while (m_rawPort == m_telnetPort)
        m_rawPort = freePort();
}

Ser2NetServer::~Ser2NetServer()
{
    stop();
}

QString Ser2NetServer::rfc2217Url() const
{
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_telnetPort);
}

QString Ser2NetServer::socketUrl() const
{
    return QStringLiteral("socket://127.0.0.1:%1").arg(m_rawPort);
}

bool Ser2NetServer::start()
{
    const QString exe = program();
    if (exe.isEmpty()) {
        m_error = QString::fromLatin1(kInstallHint);
        return false;
    }
    const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    // "local": a pseudo-terminal has no modem lines to wait for. ser2net
    // reads the device 64 bytes at a time by default, which caps a fast
    // stream well below what the loopback carries.
    file.write(QStringLiteral("connection: &telnet\n"
                              "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                              "  connector: serialdev,%3,9600n81,local\n"
                              "  options:\n"
                              "    kickolduser: true\n"
                              "    dev-to-net-bufsize: 65536\n"
                              "connection: &raw\n"
                              "  accepter: tcp,127.0.0.1,%2\n"
                              "  connector: serialdev,%3,9600n81,local\n"
                              "  options:\n"
                              "    kickolduser: true\n"
                              "    dev-to-net-bufsize: 65536\n")
                   .arg(m_telnetPort)
                   .arg(m_rawPort)
                   .arg(m_device)
                   .toUtf8());
    file.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(exe, {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), config,
                          QStringLiteral("-P"), m_dir.filePath(QStringLiteral("ser2net.pid"))});
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("ser2net did not start: %1").arg(m_process.errorString());
        return false;
    }
    // Ready once both ports listen (bounded: a real process). Looked up in
    // the system's socket table: a connection to try would make ser2net
    // open the device, and it would be busy for a moment after.
    const QDeadlineTimer deadline(10000);
    while (!listens(m_telnetPort) || !listens(m_rawPort)) {
        if (m_process.state() != QProcess::Running || deadline.hasExpired()) {
            m_error = QStringLiteral("ser2net does not listen on %1 and %2: %3")
                          .arg(m_telnetPort)
                          .arg(m_rawPort)
                          .arg(QString::fromLocal8Bit(m_process.readAll()));
            stop();
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

bool Ser2NetServer::listens(quint16 port)
{
    // Lines of /proc/net/tcp: "sl local_address rem_address st ...", the
    // address as hex IP:port, state 0A for a listening socket.
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local = QByteArray(":") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1].endsWith(local) && fields[3] == "0A")
            return true;
    }
    return false;
}

void Ser2NetServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
