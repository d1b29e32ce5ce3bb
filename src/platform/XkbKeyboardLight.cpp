#include "XkbKeyboardLight.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace orvane {

struct XkbKeyboardLight::Connection
{
    Display* display = nullptr;
    Atom scrollLock = 0;

    ~Connection()
    {
        if (display)
            XCloseDisplay(display);
    }
};

XkbKeyboardLight::XkbKeyboardLight(QByteArray displayName) : m_displayName(std::move(displayName))
{}

XkbKeyboardLight::~XkbKeyboardLight() = default;

XkbKeyboardLight::Connection* XkbKeyboardLight::connection()
{
    if (m_tried)
        return m_connection.get();
    m_tried = true;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    int reason = 0;
    // XkbOpenDisplay checks the extension as it connects; a display without
    // it, or none at all, leaves the light alone.
    Display* display = XkbOpenDisplay(m_displayName.isEmpty() ? nullptr : m_displayName.constData(),
                                      nullptr, nullptr, &major, &minor, &reason);
    if (!display)
        return nullptr;
    m_connection = std::make_unique<Connection>();
    m_connection->display = display;
    m_connection->scrollLock = XInternAtom(display, "Scroll Lock", False);
    return m_connection.get();
}

bool XkbKeyboardLight::isAvailable()
{
    return connection() != nullptr;
}

bool XkbKeyboardLight::isScrollLockOn()
{
    Connection* c = connection();
    if (!c)
        return false;
    Bool on = False;
    if (!XkbGetNamedIndicator(c->display, c->scrollLock, nullptr, &on, nullptr, nullptr))
        return false;
    return on;
}

void XkbKeyboardLight::setScrollLock(bool on)
{
    Connection* c = connection();
    if (!c || isScrollLockOn() == on)
        return;
    XkbSetNamedIndicator(c->display, c->scrollLock, True, on ? True : False, False, nullptr);
    XSync(c->display, False);
}

void XkbKeyboardLight::toggleScrollLock()
{
    if (!connection())
        return;
    setScrollLock(!isScrollLockOn());
}

} // namespace orvane
