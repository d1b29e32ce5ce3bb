#include "KestranoServer.h"

#include "CheckerObject.h"
#include "WebMailCheckers.h"
#include "kestranofactoryadaptor.h"
#include "platform/Clock.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace orvane {

KestranoServer::KestranoServer(QDBusConnection bus, WebMailCheckers& checkers, Clock& clock,
                               QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_checkers(checkers),
      m_clients(new QDBusServiceWatcher(QString(), m_bus,
                                        QDBusServiceWatcher::WatchForUnregistration, this)),
      m_startIdle(clock.createTimer())
{
    new KestranoFactoryAdaptor(this);
    connect(m_clients, &QDBusServiceWatcher::serviceUnregistered, this,
            &KestranoServer::clientLeft);
    m_startIdle->setSingleShot(true);
    connect(m_startIdle.get(), &Timer::timeout, this, [this] {
        if (m_objects.empty())
            goIdle();
    });
    m_startIdle->start(kStartIdleMs);
}

KestranoServer::~KestranoServer()
{
    if (!m_service.isEmpty())
        m_bus.unregisterService(m_service);
    m_bus.unregisterObject(QStringLiteral("/"));
    for (const auto& [object, path] : m_objects) {
        m_bus.unregisterObject(path);
        delete object;
    }
}

bool KestranoServer::serve(const QString& service)
{
    if (!m_bus.registerObject(QStringLiteral("/"), this))
        return false;
    if (!m_bus.registerService(service)) {
        m_bus.unregisterObject(QStringLiteral("/"));
        return false;
    }
    m_service = service;
    return true;
}

QDBusObjectPath KestranoServer::Create(const QString& className)
{
    const CheckerObject::Maker make = [&checkers = m_checkers, className] {
        return checkers.create(className);
    };
    std::unique_ptr<MailChecker> checker = make();
    if (!checker) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("No checker class named \"%1\".").arg(className));
        return {};
    }
    const QString owner = calledFromDBus() ? message().service() : QString();
    const QString path = QStringLiteral("/%1/%2").arg(className).arg(++m_made);
    auto* object = new CheckerObject(std::move(checker), make, owner);
    if (!m_bus.registerObject(path, object)) {
        delete object;
        sendErrorReply(QDBusError::Failed,
                       QStringLiteral("Cannot serve a checker at %1.").arg(path));
        return {};
    }
    m_objects.emplace(object, path);
    connect(object, &CheckerObject::released, this, &KestranoServer::drop);
    if (!owner.isEmpty() && !m_clients->watchedServices().contains(owner)) {
        m_clients->addWatchedService(owner);
        // A client that left before the watch began would hold its objects
        // for ever: ask once whether it is still there.
        auto* check = new QDBusPendingCallWatcher(
            m_bus.interface()->asyncCall(QStringLiteral("NameHasOwner"), owner), this);
        connect(check, &QDBusPendingCallWatcher::finished, this,
                [this, owner](QDBusPendingCallWatcher* call) {
                    call->deleteLater();
                    const QDBusPendingReply<bool> reply = *call;
                    if (!reply.isError() && !reply.value())
                        clientLeft(owner);
                });
    }
    return QDBusObjectPath(path);
}

void KestranoServer::drop(CheckerObject* object)
{
    const auto found = m_objects.find(object);
    if (found == m_objects.end())
        return;
    m_bus.unregisterObject(found->second);
    m_objects.erase(found);
    // The release may come from inside the checker's own event.
    object->deleteLater();
    if (m_objects.empty())
        goIdle();
}

void KestranoServer::goIdle()
{
    // The name goes first, so a client asking from now on starts a new
    // server instead of reaching one that is about to end.
    if (!m_service.isEmpty())
        m_bus.unregisterService(m_service);
    m_service.clear();
    Q_EMIT idle();
}

void KestranoServer::clientLeft(const QString& name)
{
    m_clients->removeWatchedService(name);
    std::vector<CheckerObject*> left;
    for (const auto& [object, path] : m_objects) {
        if (object->owner() == name)
            left.push_back(object);
    }
    for (CheckerObject* object : left)
        object->Release();
}

} // namespace orvane
