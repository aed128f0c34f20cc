// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/PortalShortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// How long the portal may take to say whether it is there.
constexpr int kProbeTimeoutMs = 2000;

// A shortcut as the portal takes it: (sa{sv}).
struct WireShortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &out, const WireShortcut &s)
{
    out.beginStructure();
    out << s.id << s.properties;
    out.endStructure();
    return out;
}

const QDBusArgument &operator>>(const QDBusArgument &in, WireShortcut &s)
{
    in.beginStructure();
    in >> s.id >> s.properties;
    in.endStructure();
    return in;
}

} // namespace

Q_DECLARE_METATYPE(WireShortcut)

PortalShortcuts::PortalShortcuts(QObject *parent) : QObject(parent)
{
    qDBusRegisterMetaType<WireShortcut>();
    qDBusRegisterMetaType<QList<WireShortcut>>();
}

PortalShortcuts::~PortalShortcuts()
{
    release();
}

bool PortalShortcuts::offered()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.interface() || !bus.interface()->isServiceRegistered(kService))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kProbeTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

void PortalShortcuts::request(const QString &method, QVariantList arguments, const char *slot)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The portal answers on a request object whose path follows from the
    // caller's bus name and the token; listening there before the call
    // means no answer is missed.
    const QString token = QStringLiteral("kestrel%1").arg(++m_tokens);
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString requestPath = kPath + QStringLiteral("/request/") + sender + u'/' + token;
    if (slot) {
        bus.connect(kService, requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                    QStringLiteral("Response"), this, slot);
    }
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    bus.asyncCall(call);
}

void PortalShortcuts::bind(const QList<Shortcut> &shortcuts)
{
    if (m_asked)
        return;
    m_asked = true;
    m_shortcuts = shortcuts;
    QDBusConnection::sessionBus().connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                                          SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    request(QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("session_handle_token"), QStringLiteral("kestrel")}}},
            SLOT(onSessionCreated(uint, QVariantMap)));
}

void PortalShortcuts::onSessionCreated(uint response, const QVariantMap &results)
{
    // Anything but 0 is the user's or the desktop's refusal: no keys then.
    if (response != 0 || !m_session.isEmpty())
        return;
    // A path, given as a string or as an object path.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                      : handle.toString();
    if (m_session.isEmpty())
        return;
    QList<WireShortcut> wire;
    for (const Shortcut &s : m_shortcuts)
        wire << WireShortcut{s.id, {{QStringLiteral("description"), s.description},
                                    {QStringLiteral("preferred_trigger"), s.preferredTrigger}}};
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(wire), QString(), QVariantMap()},
            nullptr);
}

void PortalShortcuts::onActivated(const QDBusObjectPath &session, const QString &id, qulonglong,
                                  const QVariantMap &)
{
    if (session.path() != m_session)
        return;
    for (const Shortcut &s : m_shortcuts) {
        if (s.id == id)
            emit pressed(s.hotKey);
    }
}

void PortalShortcuts::release()
{
    if (!m_session.isEmpty()) {
        QDBusConnection::sessionBus().asyncCall(QDBusMessage::createMethodCall(
            kService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")));
    }
    QDBusConnection::sessionBus().disconnect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                                             SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_session.clear();
    m_asked = false;
}
