#pragma once

#include "ImapLink.h"
#include "ImapPush.h"
#include "MailPluginLoader.h"
#include "core/CertificateTrust.h"
#include "core/GenericServer.h"

#include <QDBusConnection>
#include <QThreadPool>
#include <memory>

namespace orvane {

class OAuthTokens;

/// The checkers the tray notifier hands its accounts to. Web-mail checks go
/// to the web-mail checker server on `bus`. It owns the one small pool on
/// which mailboxes are read (Maildir walks and blocking IMAP sessions), and
/// waits for the checks still on it when it goes, after their checkers have
/// cancelled them. Given a clock, it also keeps the IMAP accounts' push
/// connections (`ImapPush`).
class NotifierCheckers final : public CheckerFactory
{
public:
    /// Pooled checks at once; more wait their turn.
    static constexpr int PoolThreads = 4;
    /// How long the program's end waits for cancelled checks to let go.
    static constexpr int ShutdownWaitMs = 5000;

    /// `trust` holds the certificates the user trusted per account; without
    /// it only certificates that verify are accepted. Without `clock`, no push.
    /// `mailPlugin` is the mail plugin's file, loaded when an account
    /// first needs IMAP. `tokens` signs in the accounts that sign in with
    /// their provider; without it they cannot be checked.
    explicit NotifierCheckers(QDBusConnection bus = QDBusConnection::sessionBus(),
                              CertificateTrust* trust = nullptr, Clock* clock = nullptr,
                              QString mailPlugin = {}, ImapSettings imap = {},
                              OAuthTokens* tokens = nullptr);
    ~NotifierCheckers() override;

    std::unique_ptr<MailChecker> createWebServer() override;
    std::unique_ptr<MailChecker> createMAPI() override;
    std::unique_ptr<MailChecker> createPOP3() override;
    std::unique_ptr<MailChecker> createIMAP() override;
    AccountWatch* accountWatch() override { return m_push.get(); }

    /// The push connections, or null without a clock.
    ImapPush* push() { return m_push.get(); }

private:
    QDBusConnection m_bus;
    CertificateTrust* m_trust;
    OAuthTokens* const m_tokens;
    const ImapSettings m_imap;
    MailPluginLoader m_mailPlugin;
    QThreadPool m_pool;
    std::unique_ptr<ImapPush> m_push;
};

} // namespace orvane
