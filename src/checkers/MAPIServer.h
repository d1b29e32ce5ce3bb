#pragma once

#include "SimpleMapi.h"
#include "core/MailChecker.h"

#include <functional>
#include <memory>

class QThreadPool;

namespace orvane {

/// Counts the unread messages of a messaging profile's inbox: logs on with
/// the account's user name as the profile name and its password, walks the
/// unread messages one by one, logs off and reports the count. A session
/// that was opened is always logged off, also after a fault in the walk.
/// Every mailbox, local or remote, is read on the program's worker pool, so
/// neither a slow server nor a large Maildir holds up the user-interface
/// thread; the events arrive, in order, through the event loop. Dropping the
/// checker cancels its check: a waiting connection is freed at once, the
/// walk stops at its next step, and nothing raised afterwards arrives.
class MAPIServer final : public MailChecker
{
    Q_OBJECT
public:
    static constexpr const char* kLoggingOn = "Logging onto server...";
    static constexpr const char* kChecking = "Checking for mail...";
    static constexpr const char* kLoggingOff = "Finished checking.  Loggin off server.";
    static constexpr const char* kLogonRefused = "Invalid username/password.";
    static constexpr const char* kNoConnection = "Could not connect to server.";
    static constexpr const char* kNotStarted = "Could not start the mail check.";

    using SessionFactory = std::function<std::unique_ptr<SimpleMapi>()>;

    /// Runs its checks on `pool`, which must outlive every check it ran
    /// (the pool's owner waits for them). Without `makeSession`, sessions
    /// on the user's messaging profiles.
    explicit MAPIServer(QThreadPool& pool, SessionFactory makeSession = {},
                        QObject* parent = nullptr);
    ~MAPIServer() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

private:
    struct Worker;
    void dropWorker();

    QThreadPool& m_pool;
    SessionFactory m_makeSession;
    QString m_address;
    QString m_userName;
    QString m_password;
    std::shared_ptr<Worker> m_worker;
};

} // namespace orvane
