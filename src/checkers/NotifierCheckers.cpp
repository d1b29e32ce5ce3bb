#include "NotifierCheckers.h"

#include "IMAP.h"
#include "KestranoChecker.h"
#include "MAPIServer.h"
#include "POP3.h"
#include "ProfileMapi.h"

namespace orvane {

NotifierCheckers::NotifierCheckers(QDBusConnection bus, CertificateTrust* trust, Clock* clock,
                                   QString mailPlugin, ImapSettings imap, OAuthTokens* tokens)
    : m_bus(std::move(bus)), m_trust(trust), m_tokens(tokens), m_imap(std::move(imap)),
      m_mailPlugin(std::move(mailPlugin))
{
    m_pool.setMaxThreadCount(PoolThreads);
    m_pool.setObjectName(QStringLiteral("mailboxes"));
    if (clock)
        m_push = std::make_unique<ImapPush>(
            *clock, [this] { return m_mailPlugin.protocols(); }, m_imap, m_trust, m_tokens);
}

NotifierCheckers::~NotifierCheckers()
{
    m_push.reset();
    // Every check was cancelled with its checker; each gives up its
    // connection at once and its walk at the next step.
    m_pool.clear();
    m_pool.waitForDone(ShutdownWaitMs);
}

std::unique_ptr<MailChecker> NotifierCheckers::createWebServer()
{
    return std::make_unique<KestranoChecker>(m_bus);
}

std::unique_ptr<MailChecker> NotifierCheckers::createMAPI()
{
    // The plugin is loaded for the first profile check, on this thread.
    return std::make_unique<MAPIServer>(m_pool, [this] {
        return std::make_unique<ProfileMapi>(ProfileStore(), m_imap, m_mailPlugin.protocols());
    });
}

std::unique_ptr<MailChecker> NotifierCheckers::createPOP3()
{
    return std::make_unique<POP3>(POP3::Variant::Standard, QList<QSslCertificate>{}, nullptr,
                                  m_trust, m_tokens);
}

} // namespace orvane

namespace orvane {

std::unique_ptr<MailChecker> NotifierCheckers::createIMAP()
{
    return std::make_unique<IMAP>(m_pool, m_mailPlugin.protocols(), m_imap, m_trust, m_tokens);
}

} // namespace orvane
