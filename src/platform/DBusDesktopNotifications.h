#pragma once

#include "platform/DesktopNotifications.h"

namespace orvane {

/// The notification server of the session bus (org.freedesktop.Notifications)
/// through asynchronous calls.
class DBusDesktopNotifications final : public DesktopNotifications
{
    Q_OBJECT
public:
    explicit DBusDesktopNotifications(QObject* parent = nullptr);

    void capabilities(std::function<void(const QStringList&)> answered) override;
    void notify(const Notice& notice, std::function<void(quint32 id)> shown) override;
    void close(quint32 id) override;
    bool statusNotifierHostFound() const override;

private Q_SLOTS:
    // Slots for the bus's signals: QtDBus connects only by name.
    void serverInvokedAction(uint id, const QString& key);
    void serverClosed(uint id, uint reason);
};

} // namespace orvane
