#pragma once

#include "checkers/MailProtocols.h"

#include <QObject>

namespace orvane {

/// The mail plugin's object: GnuTLS links and the mail library's inboxes.
class MailPlugin final : public QObject, public MailProtocols
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID OrvaneMailProtocols_iid)
    Q_INTERFACES(orvane::MailProtocols)
public:
    std::unique_ptr<ImapLink> link(int socket, int wakeUp,
                                   ImapLink::Clock::time_point deadline) override;
    std::unique_ptr<Mailbox> imapMailbox(const MailboxAddress& address,
                                         const ImapSettings& settings) override;
};

} // namespace orvane
