#pragma once

#include "ImapLink.h"
#include "core/AccountWatch.h"
#include "core/ServerAddress.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <unordered_map>

class QSocketNotifier;

namespace orvane {

class CertificateTrust;
class Clock;
class ImapConnection;
class MailProtocols;
class OAuthTokens;
class Timer;

/// Push for IMAP accounts: per active account whose server offers IDLE, one
/// connection waits in IDLE on the account's folder (read-only) between its
/// checks. When the server tells of a change there (new, removed or
/// re-flagged messages) the account's own check runs at once. Waiting costs
/// no thread: every waiting socket sits in one epoll set that the
/// user-interface thread watches, and only what a server said is read and
/// answered on a small pool of its own. IDLE is renewed well before servers
/// give up on it; a connection that broke is opened again after 1 s, then
/// after twice as long each time, up to 5 minutes. A server without IDLE is
/// left alone: its interval checks count, as for every account.
class ImapPush final : public QObject, public AccountWatch
{
    Q_OBJECT
public:
    static constexpr int FirstRetryMs = 1000;
    static constexpr int LastRetryMs = 5 * 60 * 1000;
    /// The longest one IDLE lasts: servers end it after 30 minutes, and some
    /// middle boxes forget a connection silent for 15.
    static constexpr int RenewAfterMs = 14 * 60 * 1000;
    /// Waits this close to their renewal are renewed with the one that is
    /// due, so renewals come in rare batches rather than one wake-up each.
    static constexpr int RenewEarlyMs = 5 * 60 * 1000;
    /// How soon a change seen during the account's check is checked again.
    static constexpr int RecheckMs = 1000;
    /// Nothing a server says in IDLE is longer.
    static constexpr std::size_t IdleLineLimit = 64 * 1024;
    static constexpr int PoolThreads = 2;

    /// `protocols` hands out the mail plugin, asked for when the first
    /// connection opens (nothing opens without it); `trust` may be null.
    /// `tokens` signs in the accounts that sign in with their provider.
    ImapPush(Clock& clock, std::function<MailProtocols*()> protocols, ImapSettings settings,
             CertificateTrust* trust, OAuthTokens* tokens = nullptr, QObject* parent = nullptr);
    ~ImapPush() override;

    void accountChanged(server& account, AccountHost& host) override;
    void accountGone(const server& account) override;

    /// Connections waiting in IDLE now.
    int idling() const;

public Q_SLOTS:
    /// Closes every connection and opens none (the computer goes to sleep).
    void pause();
    /// Opens every connection again now (it woke up, the network is back).
    void reopen();

Q_SIGNALS:
    /// The account's connection waits in IDLE.
    void idleStarted(const QString& account);
    /// The account's connection broke or could not be opened; it is tried
    /// again later.
    void connectionLost(const QString& account, const QString& reason);
    /// The account's server has no IDLE; only its checks count.
    void pushUnsupported(const QString& account);

private:
    struct Watch;
    struct Outcome;

    void open(Watch& watch);
    void logIn(Watch& watch, const QString& secret, const QByteArray& mechanism);
    void close(Watch& watch);
    void arm(Watch& watch);
    void disarm(Watch& watch);
    void socketsReady();
    void finished(quint64 id, const std::shared_ptr<ImapConnection>& connection,
                  const Outcome& outcome);
    void askForCheck(Watch& watch);
    void scheduleRenewal();
    void renewDue();
    template <typename Job> void run(Watch& watch, Job job);

    Clock& m_clock;
    const std::function<MailProtocols*()> m_protocols;
    const ImapSettings m_settings;
    CertificateTrust* const m_trust;
    OAuthTokens* const m_tokens;
    std::unordered_map<const server*, std::unique_ptr<Watch>> m_watches;
    std::unordered_map<quint64, Watch*> m_byId;
    quint64 m_nextId = 0;
    bool m_paused = false;
    int m_epoll = -1;
    QSocketNotifier* m_ready = nullptr;
    std::unique_ptr<Timer> m_renew;
    QThreadPool m_pool;
};

} // namespace orvane
