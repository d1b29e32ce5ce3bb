#pragma once

#include "platform/ProgramInstance.h"

#include <QDBusConnection>
#include <QString>

namespace orvane {

/// The real instance: holds a lock on a file named after the log-on name and,
/// when there is a session bus, owns the bus name org.orvane.Quorvel and
/// serves /Util there. The lock is taken in every case, so a notifier started
/// without a bus and one started with it refuse each other; either claim
/// failing refuses the start. The lock is the kernel's, so it ends with the
/// process that holds it. SIGTERM, SIGINT, SIGHUP and the
/// end of the desktop session are reported as shutdown requests too; the
/// session manager's request to commit data is reported as a save request.
/// A refused claim says why on standard error.
class SessionInstance final : public ProgramInstance
{
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.orvane.Quorvel";
    static constexpr const char* kUtilPath = "/Util";

    /// `lockFolder` holds the lock file when there is no session bus; it is
    /// to be private to the user. Empty: the user's runtime folder.
    explicit SessionInstance(const QString& logonName, const QString& lockFolder = {});
    /// The same on `bus` instead of the session bus; a connection that is
    /// not connected stands for a session without a bus.
    SessionInstance(const QString& logonName, const QString& lockFolder, QDBusConnection bus);
    ~SessionInstance() override;

    bool claim() override;

private:
    void watchTerminationSignals();
    bool claimLockFile();
    bool claimBusName();

    QString m_logonName;
    QString m_lockFolder;
    QDBusConnection m_bus;
    int m_lockFd = -1;
    QObject* m_util = nullptr;
    bool m_ownsName = false;
};

} // namespace orvane
