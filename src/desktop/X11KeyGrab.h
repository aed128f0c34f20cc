// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Global keys on X11: grabs keys on the root window over a connection of its
// own to the X server, so a key reaches this program whichever window has
// the focus. The lock keys (Caps Lock, Num Lock) do not change a grab.

#include <QList>
#include <QObject>

struct _XDisplay;
class QSocketNotifier;

class X11KeyGrab : public QObject
{
    Q_OBJECT
public:
    // Connects to the display named by DISPLAY; isOpen() is false when there
    // is none (a Wayland session without XWayland, a console).
    explicit X11KeyGrab(QObject *parent = nullptr);
    ~X11KeyGrab() override;

    bool isOpen() const { return m_display != nullptr; }

    // Grabs the key of an X keysym without modifiers and reports it as id;
    // false when the key has no key code here or another client holds it.
    bool grab(unsigned long keysym, int id);
    // Releases every grab.
    void releaseAll();

    // The Num Lock and Caps Lock lamps, read from the server.
    struct LockLamps
    {
        bool num = false;
        bool caps = false;
    };
    LockLamps lockLamps() const;

signals:
    // A grabbed key went down (held down, it reports once).
    void pressed(int id);

private:
    void readEvents();
    bool setGrab(int keycode, bool on);

    struct Grab
    {
        int keycode;
        int id;
    };
    _XDisplay *m_display = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    QList<Grab> m_grabs;
    QList<int> m_down; // key codes held down now
};
