// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11KeyGrab.h"

#include <QSocketNotifier>

// Xlib after Qt: its macros (None, Bool, KeyPress, ...) would clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace {

// The modifier combinations a grab covers: none, Caps Lock, Num Lock (Mod2
// on every usual keymap) and both.
const unsigned int kLockMasks[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

// Set by the error handler while grabs are made: another client holds a key.
bool g_grabRefused = false;

int onGrabError(Display *, XErrorEvent *error)
{
    if (error->error_code == BadAccess)
        g_grabRefused = true;
    return 0;
}

} // namespace

X11KeyGrab::X11KeyGrab(QObject *parent) : QObject(parent)
{
    m_display = XOpenDisplay(nullptr);
    if (!m_display)
        return;
    // A held key then repeats as presses without releases in between, so
    // holding it down reports once.
    XkbSetDetectableAutoRepeat(m_display, True, nullptr);
    m_notifier = new QSocketNotifier(ConnectionNumber(m_display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11KeyGrab::readEvents);
}

X11KeyGrab::~X11KeyGrab()
{
    if (!m_display)
        return;
    releaseAll();
    delete m_notifier;
    XCloseDisplay(m_display);
}

bool X11KeyGrab::setGrab(int keycode, bool on)
{
    const Window root = DefaultRootWindow(m_display);
    XErrorHandler previous = XSetErrorHandler(onGrabError);
    g_grabRefused = false;
    for (unsigned int mask : kLockMasks) {
        if (on)
            XGrabKey(m_display, keycode, mask, root, False, GrabModeAsync, GrabModeAsync);
        else
            XUngrabKey(m_display, keycode, mask, root);
    }
    XSync(m_display, False);
    XSetErrorHandler(previous);
    return !g_grabRefused;
}

bool X11KeyGrab::grab(unsigned long keysym, int id)
{
    if (!m_display)
        return false;
    const int keycode = XKeysymToKeycode(m_display, keysym);
    if (keycode == 0)
        return false;
    if (!setGrab(keycode, true)) {
        setGrab(keycode, false); // the combinations that did succeed
        return false;
    }
    m_grabs.append({keycode, id});
    // Events that arrived during the sync wait in Xlib's queue, where the
    // socket no longer signals them.
    readEvents();
    return true;
}

void X11KeyGrab::releaseAll()
{
    if (!m_display)
        return;
    for (const Grab &g : std::as_const(m_grabs))
        setGrab(g.keycode, false);
    m_grabs.clear();
    m_down.clear();
}

X11KeyGrab::LockLamps X11KeyGrab::lockLamps() const
{
    LockLamps lamps;
    if (!m_display)
        return lamps;
    Bool on = False;
    if (XkbGetNamedIndicator(m_display, XInternAtom(m_display, "Num Lock", False), nullptr, &on,
                             nullptr, nullptr))
        lamps.num = on;
    on = False;
    if (XkbGetNamedIndicator(m_display, XInternAtom(m_display, "Caps Lock", False), nullptr, &on,
                             nullptr, nullptr))
        lamps.caps = on;
    return lamps;
}

void X11KeyGrab::readEvents()
{
    while (XPending(m_display)) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type != KeyPress && event.type != KeyRelease)
            continue;
        const int keycode = int(event.xkey.keycode);
        if (event.type == KeyRelease) {
            m_down.removeAll(keycode);
            continue;
        }
        if (m_down.contains(keycode))
            continue;
        m_down.append(keycode);
        for (const Grab &g : std::as_const(m_grabs)) {
            if (g.keycode == keycode)
                emit pressed(g.id);
        }
    }
}
