#pragma once

#include "core/MailChecker.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <memory>

class OrgOrvaneKestranoCheckerInterface;
class QDBusPendingCallWatcher;

namespace orvane {

/// A web-mail check run by the web-mail checker server over the session bus:
/// one checker object is made for the check through the server's factory (the
/// bus starts the server when it is not running), its three signals are passed
/// on unchanged and the object is released when this checker goes. Whenever
/// the server cannot be reached or refuses the check, the check ends with
/// GenericServer::kMissingService.
class KestranoChecker final : public MailChecker
{
    Q_OBJECT
public:
    static constexpr const char* kService = "org.orvane.Kestrano";
    /// The checker class that picks the web-mail checker by the address.
    static constexpr const char* kClassName = "Generic";

    explicit KestranoChecker(QDBusConnection bus, QString service = QString::fromLatin1(kService),
                             QObject* parent = nullptr);
    ~KestranoChecker() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

private:
    void created(QDBusPendingCallWatcher* call);
    void started(QDBusPendingCallWatcher* call);
    void fail();

    QDBusConnection m_bus;
    const QString m_service;
    QString m_address;
    QString m_userName;
    QString m_password;
    bool m_debugOn = false;
    // Owned by this object until the factory answers; a checker dropped before
    // then leaves it behind to release the object that answer brings.
    QDBusPendingCallWatcher* m_creating = nullptr;
    std::unique_ptr<OrgOrvaneKestranoCheckerInterface> m_remote;
    bool m_ended = false;
};

} // namespace orvane
