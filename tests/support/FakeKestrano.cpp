#include "FakeKestrano.h"

#include "kestranocheckeradaptor.h"
#include "kestranofactoryadaptor.h"

#include <QDBusConnectionInterface>

namespace orvane::test {

FakeKestrano::FakeKestrano(QDBusConnection bus) : m_bus(std::move(bus))
{
    new KestranoFactoryAdaptor(this);
}

FakeKestrano::~FakeKestrano()
{
    if (!m_service.isEmpty())
        m_bus.unregisterService(m_service);
    m_bus.unregisterObject(QStringLiteral("/"));
    for (const auto& object : objects) {
        if (object)
            m_bus.unregisterObject(object->objectName());
    }
}

bool FakeKestrano::serve(const QString& service)
{
    if (!m_bus.registerObject(QStringLiteral("/"), this))
        return false;
    if (!m_bus.registerService(service))
        return false;
    m_service = service;
    return true;
}

FakeRemoteChecker* FakeKestrano::makeObject()
{
    auto* object = new FakeRemoteChecker(this);
    object->setObjectName(QStringLiteral("/Generic/%1").arg(objects.size() + 1));
    object->refuseCheck = refuseChecks;
    object->onCheck = onCheck;
    new KestranoCheckerAdaptor(object);
    m_bus.registerObject(object->objectName(), object);
    objects.emplace_back(object);
    return object;
}

QDBusObjectPath FakeKestrano::Create(const QString& className)
{
    classNames << className;
    switch (answer) {
    case Answer::Object:
        break;
    case Answer::ErrorReply:
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such class"));
        return {};
    case Answer::FactoryPath:
        return QDBusObjectPath(QStringLiteral("/"));
    case Answer::Later:
        setDelayedReply(true);
        m_heldBack = message();
        return {};
    }
    return QDBusObjectPath(makeObject()->objectName());
}

void FakeKestrano::answerNow()
{
    const QString path = makeObject()->objectName();
    m_bus.send(m_heldBack.createReply(QVariant::fromValue(QDBusObjectPath(path))));
}

} // namespace orvane::test
