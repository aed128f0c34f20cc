// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Global keys through the desktop portal (org.freedesktop.portal.
// GlobalShortcuts), for Wayland sessions where no program may grab keys
// itself: the program asks for a session, binds the keys it would like,
// and the desktop (which lets the user choose or change the key) reports
// them as activated.

#include <QObject>
#include <QVariantMap>

class QDBusObjectPath;

class PortalShortcuts : public QObject
{
    Q_OBJECT
public:
    // One key the program asks for: its id, a description the desktop shows
    // and the key it would like (in the XDG shortcuts notation, "KP_Multiply").
    struct Shortcut
    {
        QString id;
        QString description;
        QString preferredTrigger;
        int hotKey; // reported as this id
    };

    explicit PortalShortcuts(QObject *parent = nullptr);
    ~PortalShortcuts() override;

    // True where a portal on the session bus offers global shortcuts.
    static bool offered();

    // Asks the portal for a session and binds the keys; the answers come
    // later. Calling it again while bound does nothing.
    void bind(const QList<Shortcut> &shortcuts);
    // Closes the session: the keys no longer arrive.
    void release();

signals:
    // A bound key was pressed.
    void pressed(int hotKey);

private slots:
    void onSessionCreated(uint response, const QVariantMap &results);
    void onActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                     const QVariantMap &options);

private:
    // Sends a portal call whose answer comes as the Response signal of a
    // request object; connects that signal to slot (if any) first.
    void request(const QString &method, QVariantList arguments, const char *slot);

    QList<Shortcut> m_shortcuts;
    QString m_session; // the session's object path, once created
    bool m_asked = false;
    int m_tokens = 0;
};
