#pragma once

#include "ImapLink.h"
#include "Mailbox.h"
#include "ProfileStore.h"

#include <QtPlugin>
#include <memory>

namespace orvane {

/// The contract of the mail plugin, the one place that links the mail
/// library and TLS, loaded only when the first account needs them: the
/// encrypted connections under every IMAP session, and the IMAP inboxes of
/// the messaging profiles.
class MailProtocols
{
public:
    virtual ~MailProtocols() = default;
    /// The connection over `socket`, which it owns from now on; `wakeUp`
    /// ends its every wait, as `deadline` does.
    virtual std::unique_ptr<ImapLink> link(int socket, int wakeUp,
                                           ImapLink::Clock::time_point deadline) = 0;
    /// A messaging profile's IMAP inbox.
    virtual std::unique_ptr<Mailbox> imapMailbox(const MailboxAddress& address,
                                                 const ImapSettings& settings) = 0;
};

} // namespace orvane

#define OrvaneMailProtocols_iid "org.orvane.MailProtocols/1.0"
Q_DECLARE_INTERFACE(orvane::MailProtocols, OrvaneMailProtocols_iid)
