#include "MailPlugin.h"

#include "GnuTlsLink.h"
#include "ImapMailbox.h"

namespace orvane {

std::unique_ptr<ImapLink> MailPlugin::link(int socket, int wakeUp,
                                           ImapLink::Clock::time_point deadline)
{
    return std::make_unique<GnuTlsLink>(socket, wakeUp, deadline);
}

std::unique_ptr<Mailbox> MailPlugin::imapMailbox(const MailboxAddress& address,
                                                 const ImapSettings& settings)
{
    return std::make_unique<ImapMailbox>(address, settings);
}

} // namespace orvane
