#pragma once

#include "SimpleMapi.h"
#include "core/MailChecker.h"

#include <functional>
#include <memory>

namespace orvane {

/// Counts the unread messages of a messaging profile's inbox: logs on with
/// the account's user name as the profile name and its password, walks the
/// unread messages one by one, logs off and reports the count. A session
/// that was opened is always logged off, also after a fault in the walk.
/// A local mailbox is counted inside CheckForMail; one that may wait on the
/// network is counted on a worker thread whose events arrive, in the same
/// order, through the event loop. Dropping the checker cancels the worker:
/// it frees its connection at once and nothing it raised afterwards arrives.
class MAPIServer final : public MailChecker
{
    Q_OBJECT
public:
    static constexpr const char* kLoggingOn = "Logging onto server...";
    static constexpr const char* kChecking = "Checking for mail...";
    static constexpr const char* kLoggingOff = "Finished checking.  Loggin off server.";
    static constexpr const char* kLogonRefused = "Invalid username/password.";
    static constexpr const char* kNoConnection = "Could not connect to server.";

    using SessionFactory = std::function<std::unique_ptr<SimpleMapi>()>;

    /// Sessions on the user's messaging profiles.
    explicit MAPIServer(QObject* parent = nullptr);
    /// `makeSession` gives each check its own session object.
    explicit MAPIServer(SessionFactory makeSession, QObject* parent = nullptr);
    ~MAPIServer() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

private:
    struct Worker;

    SessionFactory m_makeSession;
    QString m_address;
    QString m_userName;
    QString m_password;
    std::shared_ptr<Worker> m_worker;
};

} // namespace orvane
