#pragma once

#include "core/CertificateTrust.h"
#include "core/GenericServer.h"

#include <QDBusConnection>
#include <QThreadPool>

namespace orvane {

/// The checkers the tray notifier hands its accounts to. Web-mail checks go
/// to the web-mail checker server on `bus`. It owns the one small pool on
/// which mailboxes are read (Maildir walks and blocking IMAP sessions), and
/// waits for the checks still on it when it goes, after their checkers have
/// cancelled them.
class NotifierCheckers final : public CheckerFactory
{
public:
    /// Pooled checks at once; more wait their turn.
    static constexpr int PoolThreads = 4;
    /// How long the program's end waits for cancelled checks to let go.
    static constexpr int ShutdownWaitMs = 5000;

    /// `trust` holds the certificates the user trusted per account; without
    /// it only certificates that verify are accepted.
    explicit NotifierCheckers(QDBusConnection bus = QDBusConnection::sessionBus(),
                              CertificateTrust* trust = nullptr);
    ~NotifierCheckers() override;

    std::unique_ptr<MailChecker> createWebServer() override;
    std::unique_ptr<MailChecker> createMAPI() override;
    std::unique_ptr<MailChecker> createPOP3() override;

private:
    QDBusConnection m_bus;
    CertificateTrust* m_trust;
    QThreadPool m_pool;
};

} // namespace orvane
