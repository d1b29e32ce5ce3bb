#pragma once

#include "ImapLink.h"
#include "Mailbox.h"
#include "ProfileStore.h"
#include "SimpleMapi.h"

#include <map>
#include <memory>
#include <mutex>

namespace orvane {

class MailProtocols;

/// Sessions on the profiles of a ProfileStore: a profile's `Mailbox` decides
/// the backend (a Maildir, or an IMAP inbox). A profile that does not exist,
/// an empty name with no default profile, and a mailbox that refuses the
/// password are refused log-ons; a mailbox that cannot be reached, or an
/// address that cannot be read, is a failure. A store file that cannot be
/// read and the common mistakes in an address are failures that say what is
/// wrong. The walk keeps its place, so counting is linear in the messages.
class ProfileMapi final : public SimpleMapi
{
public:
    /// Without `protocols` (the mail plugin), an IMAP profile cannot be opened.
    explicit ProfileMapi(ProfileStore store = ProfileStore(), ImapSettings imap = {},
                         MailProtocols* protocols = nullptr);
    ~ProfileMapi() override;

    quint32 MAPILogon(const QString& profileName, const QString& password, quint32 flags,
                      Session* session) override;
    quint32 BMAPIFindNext(Session session, const QString& messageType, const QString& seedMessageId,
                          quint32 flags, QString* messageId) override;
    quint32 MAPILogoff(Session session, quint32 flags) override;

    QString failureText() const override { return m_failureText; }
    void cancel() override;

private:
    struct Open
    {
        std::unique_ptr<Mailbox> mailbox;
        QStringList unread;
        /// Where the walk goes on: after the message it returned last.
        qsizetype next = 0;
    };

    /// The profile's mailbox address; false when the profile does not exist.
    bool resolve(const QString& profileName, MailboxAddress* address, QString* name) const;

    const ProfileStore m_store;
    const ImapSettings m_imap;
    MailProtocols* const m_protocols;
    std::map<Session, Open> m_sessions;
    Session m_lastSession = 0;
    QString m_failureText;

    // cancel() comes from another thread and reaches the mailbox in use, from
    // its opening to its close.
    std::mutex m_mutex;
    Mailbox* m_active = nullptr;
    bool m_cancelled = false;
};

} // namespace orvane
