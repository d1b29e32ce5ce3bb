#include "KestranoChecker.h"

#include "core/GenericServer.h"
#include "kestranocheckerproxy.h"
#include "kestranofactoryproxy.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace orvane {
namespace {

const QString kFactoryPath = QStringLiteral("/");

// Tells the server that made `path` that nobody will use it any more. Nothing
// waits for an answer: a server that is gone has dropped the object anyway.
void release(const QDBusConnection& bus, const QString& owner, const QString& path)
{
    auto call = QDBusMessage::createMethodCall(
        owner, path, QString::fromLatin1(OrgOrvaneKestranoCheckerInterface::staticInterfaceName()),
        QStringLiteral("Release"));
    call.setAutoStartService(false);
    bus.send(call);
}

bool usablePath(const QDBusObjectPath& path)
{
    const QString text = path.path();
    return !text.isEmpty() && text != kFactoryPath;
}

} // namespace

KestranoChecker::KestranoChecker(QDBusConnection bus, QString service, QObject* parent)
    : MailChecker(parent), m_bus(std::move(bus)), m_service(std::move(service))
{}

KestranoChecker::~KestranoChecker()
{
    if (m_remote) {
        m_remote->disconnect(this);
        release(m_bus, m_remote->service(), m_remote->path());
    }
    if (m_creating) {
        // The object is made all the same; release it when its path comes.
        m_creating->disconnect(this);
        m_creating->setParent(nullptr);
        QObject::connect(m_creating, &QDBusPendingCallWatcher::finished, m_creating,
                         [bus = m_bus](QDBusPendingCallWatcher* call) {
                             const QDBusPendingReply<QDBusObjectPath> reply = *call;
                             if (!reply.isError() && usablePath(reply.value()))
                                 release(bus, reply.reply().service(), reply.value().path());
                             call->deleteLater();
                         });
    }
}

void KestranoChecker::CheckForMail(const QString& address, const QString& userName,
                                   const QString& password, bool DebugOn)
{
    if (m_creating || m_remote) {
        // One object serves one check; a second call is not this check's end.
        return;
    }
    m_address = address;
    m_userName = userName;
    m_password = password;
    m_debugOn = DebugOn;
    m_ended = false;
    if (!m_bus.isConnected()) {
        fail();
        return;
    }
    OrgOrvaneKestranoFactoryInterface factory(m_service, kFactoryPath, m_bus);
    m_creating = new QDBusPendingCallWatcher(factory.Create(QString::fromLatin1(kClassName)), this);
    connect(m_creating, &QDBusPendingCallWatcher::finished, this, &KestranoChecker::created);
}

void KestranoChecker::created(QDBusPendingCallWatcher* call)
{
    m_creating = nullptr;
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        fail();
        return;
    }
    // Talk to the process that made the object, by its unique name: a server
    // started anew meanwhile would not know the path.
    const QString owner = reply.reply().service();
    const QDBusObjectPath path = reply.value();
    if (!usablePath(path) || owner.isEmpty()) {
        fail();
        return;
    }
    m_remote = std::make_unique<OrgOrvaneKestranoCheckerInterface>(owner, path.path(), m_bus);
    if (!m_remote->isValid()) {
        m_remote.reset();
        fail();
        return;
    }
    // Subscribed before the call goes out, so no signal of the check is lost.
    connect(m_remote.get(), &OrgOrvaneKestranoCheckerInterface::UpdateStatus, this,
            &MailChecker::UpdateStatus);
    connect(m_remote.get(), &OrgOrvaneKestranoCheckerInterface::MailFound, this,
            [this](qint32 count) {
                m_ended = true;
                Q_EMIT MailFound(count);
            });
    connect(m_remote.get(), &OrgOrvaneKestranoCheckerInterface::error, this,
            [this](const QString& description) {
                m_ended = true;
                Q_EMIT error(description);
            });
    auto* start = new QDBusPendingCallWatcher(
        m_remote->CheckForMail(m_address, m_userName, m_password, m_debugOn), this);
    m_password.clear();
    connect(start, &QDBusPendingCallWatcher::finished, this, &KestranoChecker::started);
}

void KestranoChecker::started(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    if (call->isError())
        fail();
}

void KestranoChecker::fail()
{
    // Whatever went wrong, the account sees the one text it knows. A refusal
    // that comes after the server already ended the check adds nothing.
    if (m_ended)
        return;
    m_ended = true;
    Q_EMIT error(QString::fromLatin1(GenericServer::kMissingService));
}

} // namespace orvane
