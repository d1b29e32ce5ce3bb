#include "ProfileMapi.h"

#include "MailPluginLoader.h"
#include "MailProtocols.h"
#include "MaildirMailbox.h"

namespace orvane {

ProfileMapi::ProfileMapi(ProfileStore store, ImapSettings imap, MailProtocols* protocols)
    : m_store(std::move(store)), m_imap(std::move(imap)), m_protocols(protocols)
{}

ProfileMapi::~ProfileMapi()
{
    for (auto& [session, open] : m_sessions)
        open.mailbox->close();
    const std::lock_guard lock(m_mutex);
    m_active = nullptr;
}

bool ProfileMapi::resolve(const QString& profileName, MailboxAddress* address, QString* name) const
{
    *name = profileName;
    if (name->isEmpty() && !m_store.ReadDefaultProfile(*name))
        return false;
    QString mailbox;
    if (!m_store.mailboxOf(*name, &mailbox))
        return false;
    *address = MailboxAddress::parse(mailbox);
    return true;
}

quint32 ProfileMapi::MAPILogon(const QString& profileName, const QString& password,
                               quint32 /*flags*/, Session* session)
{
    m_failureText.clear();
    MailboxAddress address;
    QString name;
    if (!resolve(profileName, &address, &name)) {
        // A file that is not there or cannot be read is no wrong password.
        m_failureText = m_store.problem();
        return m_failureText.isEmpty() ? LoginFailure : Failure;
    }

    std::unique_ptr<Mailbox> mailbox;
    switch (address.kind) {
    case MailboxAddress::Kind::Invalid:
        if (!address.problem.isEmpty())
            m_failureText =
                QStringLiteral("Profile \"%1\" in profiles.ini: %2").arg(name, address.problem);
        return Failure;
    case MailboxAddress::Kind::Maildir:
        mailbox = std::make_unique<MaildirMailbox>(address.path);
        break;
    case MailboxAddress::Kind::Imap:
    case MailboxAddress::Kind::Imaps:
        if (!m_protocols) {
            m_failureText = QString::fromLatin1(MailPluginLoader::kMissing);
            return Failure;
        }
        mailbox = m_protocols->imapMailbox(address, m_imap);
        break;
    }

    {
        const std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return Failure;
        m_active = mailbox.get();
    }
    QStringList unread;
    const quint32 result = mailbox->open(password, &unread);
    if (result != Success) {
        mailbox->close();
        const std::lock_guard lock(m_mutex);
        m_active = nullptr;
        return result;
    }
    *session = ++m_lastSession;
    m_sessions[*session] = Open{std::move(mailbox), unread};
    return Success;
}

quint32 ProfileMapi::BMAPIFindNext(Session session, const QString& /*messageType*/,
                                   const QString& seedMessageId, quint32 /*flags*/,
                                   QString* messageId)
{
    const auto open = m_sessions.find(session);
    if (open == m_sessions.end())
        return InvalidSession;
    Open& walk = open->second;
    const QStringList& unread = walk.unread;
    qsizetype next = 0;
    if (!seedMessageId.isEmpty()) {
        // The usual seed is the message returned last: go on from there
        // rather than look for it from the start each time.
        if (walk.next > 0 && walk.next <= unread.size() &&
            unread.at(walk.next - 1) == seedMessageId) {
            next = walk.next;
        } else {
            const qsizetype seed = unread.indexOf(seedMessageId);
            if (seed < 0)
                return InvalidMessage;
            next = seed + 1;
        }
    }
    if (next >= unread.size())
        return NoMessages;
    *messageId = unread.at(next);
    walk.next = next + 1;
    return Success;
}

quint32 ProfileMapi::MAPILogoff(Session session, quint32 /*flags*/)
{
    const auto open = m_sessions.find(session);
    if (open == m_sessions.end())
        return InvalidSession;
    open->second.mailbox->close();
    {
        const std::lock_guard lock(m_mutex);
        if (m_active == open->second.mailbox.get())
            m_active = nullptr;
    }
    m_sessions.erase(open);
    return Success;
}

void ProfileMapi::cancel()
{
    const std::lock_guard lock(m_mutex);
    m_cancelled = true;
    if (m_active)
        m_active->cancel();
}

} // namespace orvane
