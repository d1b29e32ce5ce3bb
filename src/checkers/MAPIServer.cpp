#include "MAPIServer.h"

#include "CheckEvent.h"
#include "ProfileMapi.h"

#include <QMetaObject>
#include <QThreadPool>
#include <atomic>
#include <csignal>
#include <exception>
#include <mutex>
#include <pthread.h>

namespace orvane {

namespace {

using Event = CheckEvent;
using Raise = RaiseCheckEvent;

// The check from the log-on to the log-off. Any non-zero result of the
// walk ends it with the count reached so far; so does a dropped check,
// whose result nobody hears.
void runCheck(SimpleMapi& mapi, const QString& profile, const QString& password,
              const std::atomic<bool>& dropped, const Raise& raise)
{
    SimpleMapi::Session session = 0;
    bool loggedOn = false;
    try {
        qint32 count = 0;
        QString seed;
        QString found;
        raise({Event::Status, QString::fromLatin1(MAPIServer::kLoggingOn)});
        const quint32 logon = mapi.MAPILogon(profile, password, SimpleMapi::NewSession, &session);
        if (logon != SimpleMapi::Success) {
            QString text = mapi.failureText();
            if (text.isEmpty())
                text = QString::fromLatin1(logon == SimpleMapi::LoginFailure
                                               ? MAPIServer::kLogonRefused
                                               : MAPIServer::kNoConnection);
            raise({Event::Error, text});
            return;
        }
        loggedOn = true;
        raise({Event::Status, QString::fromLatin1(MAPIServer::kChecking)});
        while (!dropped.load(std::memory_order_relaxed) &&
               mapi.BMAPIFindNext(session, QString(), seed, SimpleMapi::UnreadOnly, &found) ==
                   SimpleMapi::Success) {
            ++count;
            seed = found;
        }
        raise({Event::Status, QString::fromLatin1(MAPIServer::kLoggingOff)});
        loggedOn = false;
        mapi.MAPILogoff(session, 0);
        raise({Event::Found, {}, count});
    } catch (const std::exception& fault) {
        if (loggedOn) {
            try {
                mapi.MAPILogoff(session, 0);
            } catch (...) {
            }
        }
        raise({Event::Error, QString::fromLocal8Bit(fault.what())});
    } catch (...) {
        if (loggedOn) {
            try {
                mapi.MAPILogoff(session, 0);
            } catch (...) {
            }
        }
        raise({Event::Error, QStringLiteral("Unexpected fault.")});
    }
}

} // namespace

/// What a pooled check shares with its checker: the session, and the
/// checker to deliver to until it goes.
struct MAPIServer::Worker
{
    std::unique_ptr<SimpleMapi> mapi;
    std::mutex mutex;
    MAPIServer* receiver = nullptr;
    std::atomic<bool> dropped{false};
};

MAPIServer::MAPIServer(QThreadPool& pool, SessionFactory makeSession, QObject* parent)
    : MailChecker(parent), m_pool(pool), m_makeSession(std::move(makeSession))
{
    if (!m_makeSession)
        m_makeSession = [] { return std::make_unique<ProfileMapi>(); };
}

MAPIServer::~MAPIServer()
{
    dropWorker();
}

void MAPIServer::dropWorker()
{
    if (!m_worker)
        return;
    // Events posted before this point die with this object's queue.
    const std::lock_guard lock(m_worker->mutex);
    m_worker->receiver = nullptr;
    if (m_worker->mapi)
        m_worker->mapi->cancel();
    m_worker->dropped = true;
}

void MAPIServer::CheckForMail(const QString& address, const QString& userName,
                              const QString& password, bool /*DebugOn*/)
{
    m_address = address;
    m_userName = userName;
    m_password = password;

    auto deliver = [this](const Event& event) { event.raiseOn(*this); };

    std::unique_ptr<SimpleMapi> mapi;
    try {
        mapi = m_makeSession();
    } catch (const std::exception& fault) {
        Q_EMIT error(QString::fromLocal8Bit(fault.what()));
        return;
    }

    dropWorker();
    auto worker = std::make_shared<Worker>();
    worker->mapi = std::move(mapi);
    worker->receiver = this;
    auto job = [worker, profile = userName, password, deliver] {
        // A server that hangs up makes a write raise SIGPIPE in this thread;
        // the write's error is what counts.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

        runCheck(*worker->mapi, profile, password, worker->dropped,
                 [&worker, &deliver](const Event& event) {
                     const std::lock_guard lock(worker->mutex);
                     if (worker->receiver)
                         QMetaObject::invokeMethod(
                             worker->receiver, [deliver, event] { deliver(event); },
                             Qt::QueuedConnection);
                 });
        // The session goes here, on this thread, whether or not anybody
        // still listens; it was logged off above, so this does not wait.
        std::unique_ptr<SimpleMapi> done;
        {
            const std::lock_guard lock(worker->mutex);
            done = std::move(worker->mapi);
        }
    };
    try {
        m_pool.start(std::move(job));
    } catch (const std::exception&) {
        // Not a missing service: the program itself could not take the
        // check on, so say that.
        worker->receiver = nullptr;
        Q_EMIT error(QString::fromLatin1(kNotStarted));
        return;
    }
    m_worker = std::move(worker);
}

} // namespace orvane
