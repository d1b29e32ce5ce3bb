#pragma once

#include "ProgramInstance.h"

#include <QLockFile>
#include <QString>
#include <memory>

namespace orvane {

/// The real instance: owns the bus name org.orvane.Quorvel on the session bus
/// and serves /Util there; without a session bus, a lock file in the program
/// folder stands in for the name. SIGTERM, SIGINT, SIGHUP and the end of the
/// desktop session are reported as shutdown requests too; the session
/// manager's request to commit data is reported as a save request.
class SessionInstance final : public ProgramInstance
{
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.orvane.Quorvel";
    static constexpr const char* kUtilPath = "/Util";

    explicit SessionInstance(const QString& programFolder);
    ~SessionInstance() override;

    bool claim() override;

private:
    void watchTerminationSignals();

    QString m_programFolder;
    std::unique_ptr<QLockFile> m_lock;
    QObject* m_util = nullptr;
    bool m_ownsName = false;
};

} // namespace orvane
