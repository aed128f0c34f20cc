// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/NetworkAddress.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace {

const QString kSeparator = QStringLiteral("://");

QString usage()
{
    return QStringLiteral("\n格式：rfc2217://主机:端口 或 socket://主机:端口，例如 rfc2217://192.168.1.20:2000");
}


// A DNS name: labels of letters, digits and inner hyphens (underscores are
// common on local networks), dot separated, at most 253 characters.
bool isHostName(const QString &host)
{
    static const QRegularExpression label(
        QStringLiteral("^[A-Za-z0-9_]([A-Za-z0-9_-]{0,61}[A-Za-z0-9_])?$"));
    if (host.size() > 253)
        return false;
    const QStringList labels = host.split(u'.');
    for (qsizetype i = 0; i < labels.size(); ++i) {
        // One trailing dot (a fully qualified name) is allowed.
        if (labels[i].isEmpty() && i == labels.size() - 1 && i > 0)
            continue;
        if (!label.match(labels[i]).hasMatch())
            return false;
    }
    return true;
}

} // namespace

QString NetworkAddress::endpoint() const
{
    // An IPv6 address is bracketed, so its colons are not taken for the port's.
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return shown + u':' + QString::number(port);
}

bool NetworkAddress::isNetworkName(const QString &name)
{
    return name.contains(kSeparator);
}

std::optional<NetworkAddress> NetworkAddress::parse(const QString &name, QString *error)
{
    const auto failure = [error](const QString &text) {
        *error = text + usage();
        return std::nullopt;
    };
    const QString text = name.trimmed();
    const qsizetype separator = text.indexOf(kSeparator);
    if (separator < 0)
        return failure(QStringLiteral("“%1”不是网络端口地址").arg(text));
    const QString scheme = text.left(separator).toLower();
    NetworkAddress address;
    if (scheme == u"rfc2217")
        address.kind = Kind::Rfc2217;
    else if (scheme == u"socket")
        address.kind = Kind::RawSocket;
    else
        return failure(QStringLiteral("协议“%1”不认识，只支持 rfc2217 和 socket").arg(text.left(separator)));

    QString rest = text.mid(separator + kSeparator.size());
    // A trailing slash is what URLs often carry; anything after it is not ours.
    if (rest.endsWith(u'/'))
        rest.chop(1);
    QString hostPart;
    QString portPart;
    bool hasPort = false;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return failure(QStringLiteral("主机“%1”缺少右方括号“]”").arg(rest));
        hostPart = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        hasPort = after.startsWith(u':');
        if (!after.isEmpty() && !hasPort)
            return failure(QStringLiteral("主机“%1”后面应是“:端口”").arg(hostPart));
        portPart = after.mid(1);
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        hasPort = colon >= 0;
        hostPart = hasPort ? rest.left(colon) : rest;
        portPart = hasPort ? rest.mid(colon + 1) : QString();
    }
    if (hostPart.isEmpty())
        return failure(QStringLiteral("缺少主机名"));
    const QHostAddress literal(hostPart);
    const bool isAddress = !literal.isNull();
    if (!isAddress && (hostPart.contains(u':') || !isHostName(hostPart)))
        return failure(QStringLiteral("主机名“%1”不是有效的主机名或 IP 地址").arg(hostPart));
    if (!hasPort || portPart.isEmpty())
        return failure(QStringLiteral("缺少端口号（主机名后面的“:端口”）"));
    bool isNumber = false;
    const int port = portPart.toInt(&isNumber);
    if (!isNumber || portPart.startsWith(u'+') || portPart.startsWith(u'-') || port < 1 || port > 65535)
        return failure(QStringLiteral("端口号“%1”无效，应为 1 到 65535 之间的整数").arg(portPart));
    address.host = hostPart;
    address.port = quint16(port);
    error->clear();
    return address;
}
