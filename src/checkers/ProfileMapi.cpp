#include "ProfileMapi.h"

#include "MaildirMailbox.h"

namespace orvane {

ProfileMapi::ProfileMapi(ProfileStore store, ImapSettings imap)
    : m_store(std::move(store)), m_imap(std::move(imap))
{}

ProfileMapi::~ProfileMapi()
{
    for (auto& [session, open] : m_sessions)
        open.mailbox->close();
    const std::lock_guard lock(m_mutex);
    m_active = nullptr;
}

bool ProfileMapi::resolve(const QString& profileName, MailboxAddress* address) const
{
    QString name = profileName;
    if (name.isEmpty() && !m_store.ReadDefaultProfile(name))
        return false;
    QString mailbox;
    if (!m_store.mailboxOf(name, &mailbox))
        return false;
    *address = MailboxAddress::parse(mailbox);
    return true;
}

bool ProfileMapi::isRemote(const QString& profileName) const
{
    MailboxAddress address;
    return resolve(profileName, &address) && address.isRemote();
}

quint32 ProfileMapi::MAPILogon(const QString& profileName, const QString& password,
                               quint32 /*flags*/, Session* session)
{
    MailboxAddress address;
    if (!resolve(profileName, &address))
        return LoginFailure;

    std::unique_ptr<Mailbox> mailbox;
    switch (address.kind) {
    case MailboxAddress::Kind::Invalid:
        return Failure;
    case MailboxAddress::Kind::Maildir:
        mailbox = std::make_unique<MaildirMailbox>(address.path);
        break;
    case MailboxAddress::Kind::Imap:
    case MailboxAddress::Kind::Imaps:
        mailbox = std::make_unique<ImapMailbox>(address, m_imap);
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
    const QStringList& unread = open->second.unread;
    qsizetype next = 0;
    if (!seedMessageId.isEmpty()) {
        const qsizetype seed = unread.indexOf(seedMessageId);
        if (seed < 0)
            return InvalidMessage;
        next = seed + 1;
    }
    if (next >= unread.size())
        return NoMessages;
    *messageId = unread.at(next);
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
