#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace orvane {

/// The desktop's notification server. Every call returns at once; answers
/// come back through the callbacks and signals on the user-interface thread.
class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    struct Notice
    {
        QString appName;
        /// An icon name of the theme or an absolute file path.
        QString appIcon;
        QString summary;
        QString body;
        /// Pairs of an action's key and its label, in the order shown. The
        /// key "default" is the click on the notification itself.
        QStringList actions;
        QVariantMap hints;
        /// The server's id of a notification this one takes the place of;
        /// 0 for a new one.
        quint32 replacesId = 0;
        /// -1 leaves it to the server.
        qint32 expireMs = -1;
    };

    using QObject::QObject;
    ~DesktopNotifications() override = default;

    /// What the server can do ("actions", "body-markup", ...); empty when
    /// no server answers.
    virtual void capabilities(std::function<void(const QStringList&)> answered) = 0;
    /// Shows `notice`; `shown` hears the server's id for it, 0 when it was
    /// not shown.
    virtual void notify(const Notice& notice, std::function<void(quint32 id)> shown) = 0;
    virtual void close(quint32 id) = 0;
    /// The tray shows StatusNotifierItems: such desktops keep a list of
    /// notifications of their own. May wait briefly for the session bus.
    virtual bool statusNotifierHostFound() const = 0;

Q_SIGNALS:
    /// The user chose the action `key` of the notification `id`.
    void actionInvoked(quint32 id, const QString& key);
    /// The notification `id` is gone: expired, dismissed or closed.
    void closed(quint32 id);
};

} // namespace orvane
