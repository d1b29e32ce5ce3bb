#pragma once

#include "platform/ProgramInstance.h"

#include <QString>

namespace orvane {

/// The real instance: owns the bus name org.orvane.Quorvel on the session bus
/// and serves /Util there; without a session bus, a lock on a file named
/// after the log-on name stands in for the name. The lock is the kernel's, so
/// it ends with the process that holds it. SIGTERM, SIGINT, SIGHUP and the
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
    ~SessionInstance() override;

    bool claim() override;

private:
    void watchTerminationSignals();
    bool claimLockFile();

    QString m_logonName;
    QString m_lockFolder;
    int m_lockFd = -1;
    QObject* m_util = nullptr;
    bool m_ownsName = false;
};

} // namespace orvane
