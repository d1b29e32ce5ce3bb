#include "BusNotifierLink.h"

#include "bus/SessionInstance.h"
#include "utilproxy.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace orvane {

void BusNotifierLink::Shutdown(Done done)
{
    const QString service = QString::fromLatin1(SessionInstance::kServiceName);
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (!daemon || !daemon->isServiceRegistered(service).value()) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done(false); });
        return;
    }
    OrgOrvaneQuorvelUtilInterface util(service, QString::fromLatin1(SessionInstance::kUtilPath),
                                       bus);
    auto* watcher = new QDBusPendingCallWatcher(util.Shutdown(), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                done(true);
            });
}

} // namespace orvane
