#pragma once

#include "checkers/ImapLink.h"
#include "checkers/Mailbox.h"
#include "checkers/ProfileStore.h"

#include <QByteArrayList>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>

struct mailimap;

namespace orvane {

class GnuTlsLink;

/// The inbox of an IMAP account: log in, examine the folder read-only, search
/// the unseen messages (their UIDs, ascending and each once, are the
/// identifiers), log out. imaps verifies the server's certificate and host
/// name right after the handshake, before a byte of the greeting is read;
/// imap upgrades with STARTTLS when the server offers it (verified alike),
/// and never sends LOGIN to a server that announces LOGINDISABLED. No reply
/// may exceed MaxReplyBytes, and one deadline covers the whole session; a
/// session that broke either way ends without LOGOUT. A refused LOGIN is the
/// refused log-on. Every call blocks: it is meant for a worker thread, which
/// cancel() frees from another thread.
class ImapMailbox final : public Mailbox
{
public:
    static constexpr std::size_t MaxReplyBytes = ImapLink::MaxReplyBytes;

    ImapMailbox(MailboxAddress address, ImapSettings settings);
    ~ImapMailbox() override;

    quint32 open(const QString& password, QStringList* unread) override;
    void close() override;
    void cancel() override;

private:
    /// Upgrades the plain session when the server offers STARTTLS; false
    /// when the server may not be given the password.
    bool secure();
    bool hasCapability(const char* name);
    /// Asks the server for its capabilities afresh; false when it refused.
    bool askCapabilities();

    const MailboxAddress m_address;
    const ImapSettings m_settings;
    std::chrono::steady_clock::time_point m_deadline;
    mailimap* m_session = nullptr;
    /// The session's connection, owned by the session's stream.
    GnuTlsLink* m_link = nullptr;
    /// Only a session that got as far as logged in says goodbye.
    bool m_loggedIn = false;
    ImapCancel m_cancel;
};

} // namespace orvane
