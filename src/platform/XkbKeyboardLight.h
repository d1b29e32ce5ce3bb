#pragma once

#include "KeyboardLight.h"

#include <QByteArray>
#include <memory>

namespace orvane {

/// The Scroll Lock light of the X server's keyboard, through XKB's named
/// indicators. It has its own connection to the display named by
/// `displayName` (empty: $DISPLAY), opened on first use; without an X
/// server (a Wayland session without Xwayland, a console) it does nothing.
class XkbKeyboardLight final : public KeyboardLight
{
public:
    explicit XkbKeyboardLight(QByteArray displayName = {});
    ~XkbKeyboardLight() override;

    void setScrollLock(bool on) override;
    void toggleScrollLock() override;

    /// The light as the server shows it; false without a server.
    bool isScrollLockOn();
    /// A connection to the server could be made.
    bool isAvailable();

private:
    struct Connection;
    Connection* connection();

    QByteArray m_displayName;
    std::unique_ptr<Connection> m_connection;
    bool m_tried = false;
};

} // namespace orvane
