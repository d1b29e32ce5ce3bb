#pragma once

#include "ImapLink.h"
#include "core/MailChecker.h"

#include <memory>

class QThreadPool;

namespace orvane {

class CertificateTrust;
class MailProtocols;
class OAuthTokens;
struct ServerAddress;

/// Counts the unseen messages of one folder of an IMAP account, read-only:
/// log in as the address's security says (see ImapConnection), STATUS of the
/// folder, or EXAMINE and SEARCH UNSEEN where STATUS fails, then LOGOUT. The
/// session runs on the program's worker pool; its progress and end arrive,
/// in order, through the event loop. Dropping the checker cancels its check
/// and nothing it raised afterwards arrives. An account that signs in with
/// its provider gets an access token from `tokens` first; one the server
/// refuses is renewed once and the check tried again.
class IMAP final : public MailChecker
{
    Q_OBJECT
public:
    static constexpr const char* kInvalidAddress = "Error: The IMAP server address is not valid.";
    static constexpr const char* kNotStarted = "Could not start the mail check.";

    /// `pool` must outlive every check it ran; `trust` may be null. Without
    /// `protocols` (the mail plugin) every check ends at once, saying so.
    IMAP(QThreadPool& pool, MailProtocols* protocols, ImapSettings settings,
         CertificateTrust* trust, OAuthTokens* tokens = nullptr, QObject* parent = nullptr);
    ~IMAP() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

private:
    struct Worker;
    struct Secret
    {
        QString text;
        /// Empty for a password.
        QByteArray mechanism;
    };
    void dropWorker();
    void askForToken(const ServerAddress& server, const QString& userName, bool renew);
    void start(const ServerAddress& server, const QString& userName, const Secret& secret,
               bool renewOnRefusal);

    QThreadPool& m_pool;
    MailProtocols* const m_protocols;
    const ImapSettings m_settings;
    CertificateTrust* const m_trust;
    OAuthTokens* const m_tokens;
    std::shared_ptr<Worker> m_worker;
};

} // namespace orvane
