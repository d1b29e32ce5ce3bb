#include "StatusService.h"

#include "SessionInstance.h"
#include "StatusObject.h"
#include "statusadaptor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>

namespace orvane {

StatusService::StatusService(StatusSource& source, QObject* parent)
    : QObject(parent), m_object(new StatusObject(source, this))
{
    qDBusRegisterMetaType<AccountStatus>();
    qDBusRegisterMetaType<AccountStatusList>();
    new StatusAdaptor(m_object);
}

StatusService::~StatusService()
{
    if (m_published)
        QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kStatusPath));
}

bool StatusService::publish()
{
    if (m_published)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // Only the instance that owns the name speaks for the notifier.
    const auto owner =
        bus.interface()->serviceOwner(QString::fromLatin1(SessionInstance::kServiceName));
    if (!owner.isValid() || owner.value() != bus.baseService())
        return false;
    m_published = bus.registerObject(QString::fromLatin1(kStatusPath), m_object);
    return m_published;
}

void StatusService::notifyChanged()
{
    Q_EMIT m_object->Changed();
}

} // namespace orvane
