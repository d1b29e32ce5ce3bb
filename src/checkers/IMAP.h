#pragma once

#include "ImapLink.h"
#include "core/MailChecker.h"

#include <memory>

class QThreadPool;

namespace orvane {

class CertificateTrust;
class MailProtocols;

/// Counts the unseen messages of one folder of an IMAP account, read-only:
/// log in as the address's security says (see ImapConnection), STATUS of the
/// folder, or EXAMINE and SEARCH UNSEEN where STATUS fails, then LOGOUT. The
/// session runs on the program's worker pool; its progress and end arrive,
/// in order, through the event loop. Dropping the checker cancels its check
/// and nothing it raised afterwards arrives.
class IMAP final : public MailChecker
{
    Q_OBJECT
public:
    static constexpr const char* kInvalidAddress = "Error: The IMAP server address is not valid.";
    static constexpr const char* kNotStarted = "Could not start the mail check.";

    /// `pool` must outlive every check it ran; `trust` may be null. Without
    /// `protocols` (the mail plugin) every check ends at once, saying so.
    IMAP(QThreadPool& pool, MailProtocols* protocols, ImapSettings settings,
         CertificateTrust* trust, QObject* parent = nullptr);
    ~IMAP() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

private:
    struct Worker;
    void dropWorker();

    QThreadPool& m_pool;
    MailProtocols* const m_protocols;
    const ImapSettings m_settings;
    CertificateTrust* const m_trust;
    std::shared_ptr<Worker> m_worker;
};

} // namespace orvane
