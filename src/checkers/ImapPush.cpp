#include "ImapPush.h"

#include "ImapConnection.h"
#include "core/AccountHost.h"
#include "core/server.h"
#include "oauth/OAuthTokens.h"
#include "platform/Clock.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <algorithm>
#include <sys/epoll.h>
#include <unistd.h>

namespace orvane {

namespace {

// What the wait on the server is allowed for one renewal.
constexpr std::chrono::seconds RenewLimit{30};
// The kernel looks after a silent connection: first probe after five
// minutes, then every minute, five unanswered ones end it.
constexpr int KeepAliveIdleSeconds = 300;
constexpr int KeepAliveIntervalSeconds = 60;
constexpr int KeepAliveProbes = 5;

bool anyChange(const QByteArrayList& untagged)
{
    return std::any_of(untagged.begin(), untagged.end(), &ImapSession::tellsOfChange);
}

} // namespace

struct ImapPush::Outcome
{
    enum class Kind
    {
        Idling,
        NoIdle,
        Failed
    };
    Kind kind = Kind::Failed;
    bool changed = false;
    QString reason;
};

struct ImapPush::Watch
{
    enum class State
    {
        Closed,
        Opening,
        Idling,
        /// A read or a renewal runs on the pool.
        Busy,
        Unsupported
    };
    quint64 id = 0;
    QPointer<server> account;
    AccountHost* host = nullptr;
    ServerAddress address;
    QString userName;
    QString password;
    std::shared_ptr<ImapConnection> connection;
    State state = State::Closed;
    bool registered = false;
    /// The connection broke since the last IDLE: changes may have been missed.
    bool missed = false;
    QDateTime idleSince;
    int retryMs = FirstRetryMs;
    /// The server refused the last access token: the next one is new.
    bool renewToken = false;
    std::unique_ptr<Timer> retry;
    std::unique_ptr<Timer> recheck;
};

ImapPush::ImapPush(Clock& clock, std::function<MailProtocols*()> protocols, ImapSettings settings,
                   CertificateTrust* trust, OAuthTokens* tokens, QObject* parent)
    : QObject(parent), m_clock(clock), m_protocols(std::move(protocols)),
      m_settings(std::move(settings)), m_trust(trust), m_tokens(tokens),
      m_epoll(::epoll_create1(EPOLL_CLOEXEC)), m_renew(clock.createTimer())
{
    m_pool.setMaxThreadCount(PoolThreads);
    m_pool.setObjectName(QStringLiteral("push"));
    if (m_epoll >= 0) {
        m_ready = new QSocketNotifier(m_epoll, QSocketNotifier::Read, this);
        connect(m_ready, &QSocketNotifier::activated, this, &ImapPush::socketsReady);
    }
    m_renew->setSingleShot(true);
    connect(m_renew.get(), &Timer::timeout, this, &ImapPush::renewDue);
}

ImapPush::~ImapPush()
{
    pause();
    m_pool.clear();
    m_pool.waitForDone(5000);
    if (m_epoll >= 0)
        ::close(m_epoll);
}

int ImapPush::idling() const
{
    return int(std::count_if(m_watches.begin(), m_watches.end(), [](const auto& each) {
        return each.second->state == Watch::State::Idling ||
               each.second->state == Watch::State::Busy;
    }));
}

void ImapPush::accountChanged(server& account, AccountHost& host)
{
    const ServerAddress address = ServerAddress::parse(account.GetAddress());
    const bool wanted =
        account.IsActive() && address.protocol == ServerAddress::Protocol::Imap && address.valid;
    auto found = m_watches.find(&account);
    if (!wanted) {
        if (found != m_watches.end())
            accountGone(account);
        return;
    }
    if (found != m_watches.end()) {
        Watch& known = *found->second;
        if (known.address.toString() == address.toString() &&
            known.userName == account.GetUsername() && known.password == account.GetPassword())
            return;
        close(known);
    } else {
        auto made = std::make_unique<Watch>();
        made->id = ++m_nextId;
        made->account = &account;
        made->retry = m_clock.createTimer();
        made->retry->setSingleShot(true);
        made->recheck = m_clock.createTimer();
        made->recheck->setSingleShot(true);
        Watch* watch = made.get();
        connect(watch->retry.get(), &Timer::timeout, this, [this, watch] { open(*watch); });
        connect(watch->recheck.get(), &Timer::timeout, this,
                [this, watch] { askForCheck(*watch); });
        m_byId.emplace(watch->id, watch);
        found = m_watches.emplace(&account, std::move(made)).first;
    }
    Watch& watch = *found->second;
    watch.host = &host;
    watch.address = address;
    watch.userName = account.GetUsername();
    watch.password = account.GetPassword();
    watch.retryMs = FirstRetryMs;
    watch.missed = false;
    if (!m_paused)
        open(watch);
}

void ImapPush::accountGone(const server& account)
{
    const auto found = m_watches.find(&account);
    if (found == m_watches.end())
        return;
    close(*found->second);
    m_byId.erase(found->second->id);
    m_watches.erase(found);
}

void ImapPush::pause()
{
    m_paused = true;
    for (auto& [account, watch] : m_watches)
        close(*watch);
    m_renew->stop();
}

void ImapPush::reopen()
{
    m_paused = false;
    for (auto& [account, watch] : m_watches) {
        close(*watch);
        watch->retryMs = FirstRetryMs;
        // Whatever came while nobody listened is counted once it listens.
        watch->missed = true;
        open(*watch);
    }
}

void ImapPush::close(Watch& watch)
{
    disarm(watch);
    watch.retry->stop();
    watch.recheck->stop();
    if (watch.connection) {
        // A job under way gives up at once and lets go of it.
        watch.connection->canceller().cancel();
        watch.connection.reset();
    }
    watch.state = Watch::State::Closed;
}

void ImapPush::arm(Watch& watch)
{
    epoll_event wanted{};
    // One report per arming: the socket is read off the user-interface
    // thread, and is armed again once that is done.
    wanted.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    wanted.data.u64 = watch.id;
    const int fd = watch.connection->link().socket();
    if (::epoll_ctl(m_epoll, watch.registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &wanted) == 0)
        watch.registered = true;
}

void ImapPush::disarm(Watch& watch)
{
    if (!watch.registered)
        return;
    epoll_event none{};
    ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, watch.connection->link().socket(), &none);
    watch.registered = false;
}

template <typename Job> void ImapPush::run(Watch& watch, Job job)
{
    std::shared_ptr<ImapConnection> connection = watch.connection;
    const quint64 id = watch.id;
    m_pool.start([this, id, connection, job] {
        const Outcome outcome = job(*connection);
        QMetaObject::invokeMethod(
            this, [this, id, connection, outcome] { finished(id, connection, outcome); },
            Qt::QueuedConnection);
    });
}

void ImapPush::open(Watch& watch)
{
    close(watch);
    MailProtocols* protocols = m_protocols ? m_protocols() : nullptr;
    if (m_paused || m_epoll < 0 || !protocols)
        return;
    watch.connection = std::make_shared<ImapConnection>(*protocols, watch.address, watch.userName,
                                                        m_settings, m_trust);
    watch.state = Watch::State::Opening;
    if (watch.password != server::ProviderSignIn()) {
        logIn(watch, watch.password, {});
        return;
    }
    const quint64 id = watch.id;
    const std::shared_ptr<ImapConnection> connection = watch.connection;
    if (!m_tokens) {
        finished(id, connection,
                 {Outcome::Kind::Failed, false, QString::fromLatin1(OAuthTokens::kNoProvider)});
        return;
    }
    m_tokens->access(
        watch.address.host, watch.userName, std::exchange(watch.renewToken, false), this,
        [this, id, connection](const OAuthTokens::Access& access) {
            const auto found = m_byId.find(id);
            // Closed or opened anew meanwhile.
            if (found == m_byId.end() || found->second->connection != connection)
                return;
            if (access.ok())
                logIn(*found->second, access.token, access.mechanism);
            else
                finished(id, connection, {Outcome::Kind::Failed, false, access.failure});
        });
}

void ImapPush::logIn(Watch& watch, const QString& secret, const QByteArray& mechanism)
{
    run(watch, [secret, mechanism, folder = watch.address.folder](ImapConnection& c) {
        Outcome outcome;
        const auto quiet = [](const QString&) {};
        if (mechanism.isEmpty() ? !c.open(secret, quiet, &outcome.reason)
                                : !c.openWithToken(secret, mechanism, quiet, &outcome.reason))
            return outcome;
        if (!c.session().hasCapability("IDLE")) {
            outcome.kind = c.link().broken() ? Outcome::Kind::Failed : Outcome::Kind::NoIdle;
            return outcome;
        }
        QByteArrayList literals;
        const QByteArray mailbox =
            ImapSession::astring(ImapSession::modifiedUtf7(folder), &literals);
        // Read-only: waiting must never take a message's unseen mark.
        QByteArrayList untagged;
        if (!c.session().command("EXAMINE " + mailbox).ok() || !c.session().startIdle(&untagged)) {
            outcome.reason = QStringLiteral("The server did not begin to wait in IDLE.");
            return outcome;
        }
        // What came with the go-ahead no longer rings the socket.
        if (!c.session().takeArrived(&untagged, IdleLineLimit)) {
            outcome.reason = QStringLiteral("The server ended the wait.");
            return outcome;
        }
        c.link().keepAlive(KeepAliveIdleSeconds, KeepAliveIntervalSeconds, KeepAliveProbes);
        outcome.kind = Outcome::Kind::Idling;
        outcome.changed = anyChange(untagged);
        return outcome;
    });
}

void ImapPush::socketsReady()
{
    epoll_event ready[64];
    int count;
    do {
        count = ::epoll_wait(m_epoll, ready, 64, 0);
        for (int i = 0; i < count; ++i) {
            const auto found = m_byId.find(ready[i].data.u64);
            if (found == m_byId.end() || found->second->state != Watch::State::Idling)
                continue;
            Watch& watch = *found->second;
            watch.state = Watch::State::Busy;
            run(watch, [](ImapConnection& c) {
                Outcome outcome;
                QByteArrayList untagged;
                if (!c.session().takeArrived(&untagged, IdleLineLimit)) {
                    outcome.reason = QStringLiteral("The server ended the wait.");
                    return outcome;
                }
                outcome.kind = Outcome::Kind::Idling;
                outcome.changed = anyChange(untagged);
                return outcome;
            });
        }
    } while (count == 64);
}

void ImapPush::finished(quint64 id, const std::shared_ptr<ImapConnection>& connection,
                        const Outcome& outcome)
{
    const auto found = m_byId.find(id);
    // A connection closed meanwhile reports to nobody.
    if (found == m_byId.end() || found->second->connection != connection)
        return;
    Watch& watch = *found->second;
    const QString name = watch.account ? watch.account->GetName() : QString();
    switch (outcome.kind) {
    case Outcome::Kind::Idling: {
        const bool fresh = watch.state == Watch::State::Opening;
        watch.state = Watch::State::Idling;
        arm(watch);
        if (fresh) {
            watch.idleSince = m_clock.now();
            watch.retryMs = FirstRetryMs;
            if (!m_renew->isActive())
                m_renew->start(RenewAfterMs);
            Q_EMIT idleStarted(name);
        }
        if (outcome.changed || std::exchange(watch.missed, false))
            askForCheck(watch);
        break;
    }
    case Outcome::Kind::NoIdle:
        close(watch);
        watch.state = Watch::State::Unsupported;
        Q_EMIT pushUnsupported(name);
        break;
    case Outcome::Kind::Failed:
        close(watch);
        watch.missed = true;
        watch.renewToken = outcome.reason == QLatin1String(ImapConnection::kTokenRefused);
        watch.retry->start(watch.retryMs);
        watch.retryMs = std::min(watch.retryMs * 2, LastRetryMs);
        Q_EMIT connectionLost(name, outcome.reason);
        break;
    }
}

void ImapPush::askForCheck(Watch& watch)
{
    server* account = watch.account.data();
    if (!account || !watch.host)
        return;
    // A check under way may have counted before this change: look again
    // once it is over.
    if (account->IsChecking()) {
        watch.recheck->start(RecheckMs);
        return;
    }
    watch.host->CheckAccount(*account);
}

void ImapPush::renewDue()
{
    const QDateTime now = m_clock.now();
    qint64 soonest = RenewAfterMs;
    for (auto& [account, each] : m_watches) {
        Watch& watch = *each;
        if (watch.state != Watch::State::Idling && watch.state != Watch::State::Busy)
            continue;
        const qint64 age = watch.idleSince.msecsTo(now);
        if (watch.state == Watch::State::Busy || age < RenewAfterMs - RenewEarlyMs) {
            soonest = std::min(soonest, std::max<qint64>(RenewAfterMs - age, 1000));
            continue;
        }
        disarm(watch);
        watch.state = Watch::State::Busy;
        watch.idleSince = now;
        run(watch, [](ImapConnection& c) {
            Outcome outcome;
            c.extendDeadline(RenewLimit);
            const ImapSession::Reply ended = c.session().endIdle();
            QByteArrayList untagged;
            if (!ended.ok() || !c.session().startIdle(&untagged) ||
                !c.session().takeArrived(&untagged, IdleLineLimit)) {
                outcome.reason = QStringLiteral("The server did not renew the wait in IDLE.");
                return outcome;
            }
            outcome.kind = Outcome::Kind::Idling;
            outcome.changed = anyChange(ended.untagged) || anyChange(untagged);
            return outcome;
        });
    }
    if (idling() > 0)
        m_renew->start(int(soonest));
}

} // namespace orvane
