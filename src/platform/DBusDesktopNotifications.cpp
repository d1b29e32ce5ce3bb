#include "DBusDesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace orvane {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// A server that hangs must not keep an announcement waiting for long.
constexpr int kCallTimeoutMs = 5000;
// Asked once, at a start without a saved choice, before any announcement.
constexpr int kWatcherTimeoutMs = 1000;

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

template <typename Reply, typename Answer>
void whenAnswered(QObject* context, const QDBusPendingCall& pending, Answer answer)
{
    auto* watcher = new QDBusPendingCallWatcher(pending, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, answer = std::move(answer)] {
                         const Reply reply = *watcher;
                         answer(reply);
                         watcher->deleteLater();
                     });
}

} // namespace

DBusDesktopNotifications::DBusDesktopNotifications(QObject* parent) : DesktopNotifications(parent)
{
    // Only the server's own signals count: the service name binds them to
    // whichever program owns it.
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(serverInvokedAction(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(serverClosed(uint, uint)));
}

void DBusDesktopNotifications::capabilities(std::function<void(const QStringList&)> answered)
{
    const QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(
        call(QStringLiteral("GetCapabilities")), kCallTimeoutMs);
    whenAnswered<QDBusPendingReply<QStringList>>(
        this, pending, [answered = std::move(answered)](const QDBusPendingReply<QStringList>& r) {
            answered(r.isValid() ? r.value() : QStringList());
        });
}

void DBusDesktopNotifications::notify(const Notice& notice, std::function<void(quint32 id)> shown)
{
    QDBusMessage message = call(QStringLiteral("Notify"));
    message << notice.appName << uint(notice.replacesId) << notice.appIcon << notice.summary
            << notice.body << notice.actions << notice.hints << int(notice.expireMs);
    const QDBusPendingCall pending =
        QDBusConnection::sessionBus().asyncCall(message, kCallTimeoutMs);
    whenAnswered<QDBusPendingReply<uint>>(
        this, pending, [shown = std::move(shown)](const QDBusPendingReply<uint>& r) {
            shown(r.isValid() ? quint32(r.value()) : 0);
        });
}

void DBusDesktopNotifications::close(quint32 id)
{
    QDBusMessage message = call(QStringLiteral("CloseNotification"));
    message << uint(id);
    QDBusConnection::sessionBus().send(message);
}

bool DBusDesktopNotifications::statusNotifierHostFound() const
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher")
        << QStringLiteral("IsStatusNotifierHostRegistered");
    // No watcher must not start one.
    get.setAutoStartService(false);
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(get, QDBus::Block, kWatcherTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

void DBusDesktopNotifications::serverInvokedAction(uint id, const QString& key)
{
    Q_EMIT actionInvoked(id, key);
}

void DBusDesktopNotifications::serverClosed(uint id, uint /*reason*/)
{
    Q_EMIT closed(id);
}

} // namespace orvane
