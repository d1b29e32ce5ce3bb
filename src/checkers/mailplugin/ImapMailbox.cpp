#include "ImapMailbox.h"

#include "GnuTlsLink.h"
#include "checkers/SimpleMapi.h"

#include <QByteArray>
#include <algorithm>
#include <cstdlib>
#include <libetpan/libetpan.h>
#include <vector>

namespace orvane {

namespace {

GnuTlsLink* linkOf(mailstream_low* low)
{
    return static_cast<GnuTlsLink*>(low->data);
}

// The mail library reads and writes through our link, so every wait is
// bounded by the session's deadline and the cancel wake-up.
mailstream_low_driver* linkDriver()
{
    static mailstream_low_driver table = {
        [](mailstream_low* low, void* buffer, size_t count) {
            return linkOf(low)->read(buffer, count);
        },
        [](mailstream_low* low, const void* buffer, size_t count) {
            return linkOf(low)->write(buffer, count);
        },
        [](mailstream_low* low) {
            linkOf(low)->shutdown();
            return 0;
        },
        [](mailstream_low* low) { return linkOf(low)->socket(); },
        // The library frees the identifier and leaves the rest to us.
        [](mailstream_low* low) {
            delete linkOf(low);
            std::free(low);
        },
        [](mailstream_low*) {}, [](mailstream_low*) -> struct mailstream_cancel* {return nullptr;
}
, [](mailstream_low*) -> carray* { return nullptr; }, [](mailstream_low*) { return -1; },
    [](mailstream_low*) { return -1; }, [](mailstream_low*) { return -1; },
}; // namespace
return &table;
} // namespace orvane

} // namespace

ImapMailbox::ImapMailbox(MailboxAddress address, ImapSettings settings)
    : m_address(std::move(address)), m_settings(std::move(settings))
{}

ImapMailbox::~ImapMailbox()
{
    close();
}

void ImapMailbox::cancel()
{
    m_cancel.cancel();
}

namespace {

// An empty list in place of the session's; false when there is no memory.
bool forgetCapabilities(mailimap_connection_info* info)
{
    clist* none = clist_new();
    mailimap_capability_data* empty = none ? mailimap_capability_data_new(none) : nullptr;
    if (!empty) {
        if (none)
            clist_free(none);
        return false;
    }
    if (info->imap_capability)
        mailimap_capability_data_free(info->imap_capability);
    info->imap_capability = empty;
    return true;
}

} // namespace

bool ImapMailbox::hasCapability(const char* name)
{
    mailimap_connection_info* info = m_session->imap_connection_info;
    if (!info)
        return false;
    if (!info->imap_capability) {
        // The greeting did not list them: ask.
        if (!askCapabilities())
            return false;
    } else if (!info->imap_capability->cap_list && !forgetCapabilities(info)) {
        // A greeting that listed none leaves a record without a list, which
        // the library's lookup reads through.
        return false;
    }
    return mailimap_has_extension(m_session, name) != 0;
}

bool ImapMailbox::askCapabilities()
{
    // Until the server names some, it has none: a list from before STARTTLS
    // no longer counts.
    mailimap_connection_info* info = m_session->imap_connection_info;
    if (!info || !forgetCapabilities(info))
        return false;
    // Not the library's own CAPABILITY call: it copies the session's list
    // through null pointers when the server named none or sent an empty
    // answer, which would crash the notifier. Sent as a plain command, the
    // answer still lands in the session's list, and nothing is copied.
    if (mailimap_custom_command(m_session, "CAPABILITY") != MAILIMAP_NO_ERROR)
        return false;
    if (!info->imap_capability || !info->imap_capability->cap_list)
        return forgetCapabilities(info);
    return true;
}

bool ImapMailbox::secure()
{
    if (m_address.kind == MailboxAddress::Kind::Imaps)
        return true;
    if (hasCapability("STARTTLS")) {
        if (mailimap_starttls(m_session) != MAILIMAP_NO_ERROR)
            return false;
        // Bytes that came with the go-ahead were sent before the handshake by
        // somebody on the path, not by the server we are about to verify.
        if (m_session->imap_stream->read_buffer_len != 0 ||
            !m_link->startTls(m_address.host, m_settings.extraCaPem))
            return false;
        // What the server said before the handshake no longer counts.
        if (!askCapabilities())
            return false;
    }
    // A server that forbids LOGIN in clear never gets the password so.
    return !m_link->broken() && !hasCapability("LOGINDISABLED");
}

quint32 ImapMailbox::open(const QString& password, QStringList* unread)
{
    m_deadline = ImapLink::Clock::now() + m_settings.timeLimit;
    if (m_address.kind != MailboxAddress::Kind::Imap &&
        m_address.kind != MailboxAddress::Kind::Imaps)
        return SimpleMapi::Failure;

    const int fd = m_cancel.connect(m_address.host, m_address.port, m_deadline);
    if (fd < 0)
        return SimpleMapi::Failure;
    auto link = std::make_unique<GnuTlsLink>(fd, m_cancel.wakeUp(), m_deadline);
    link->refuseHugeLiterals();
    // The certificate is checked before a byte of the greeting is read.
    if (m_address.kind == MailboxAddress::Kind::Imaps &&
        !link->startTls(m_address.host, m_settings.extraCaPem)) {
        m_cancel.forgetSocket();
        return SimpleMapi::Failure;
    }
    mailstream_low* low = mailstream_low_new(link.get(), linkDriver());
    if (!low) {
        m_cancel.forgetSocket();
        return SimpleMapi::Failure;
    }
    m_link = link.release();
    mailstream* stream = mailstream_new(low, 8192);
    m_session = stream ? mailimap_new(0, nullptr) : nullptr;
    if (!m_session) {
        if (stream)
            mailstream_close(stream);
        else
            mailstream_low_free(low);
        m_link = nullptr;
        m_cancel.forgetSocket();
        return SimpleMapi::Failure;
    }

    const int greeting = mailimap_connect(m_session, stream);
    if (greeting != MAILIMAP_NO_ERROR && greeting != MAILIMAP_NO_ERROR_NON_AUTHENTICATED &&
        greeting != MAILIMAP_NO_ERROR_AUTHENTICATED)
        return SimpleMapi::Failure;
    if (greeting != MAILIMAP_NO_ERROR_AUTHENTICATED) {
        if (!secure())
            return SimpleMapi::Failure;
        const QByteArray user = m_address.userName.toUtf8();
        const QByteArray secret = password.toUtf8();
        const int login = mailimap_login(m_session, user.constData(), secret.constData());
        if (login == MAILIMAP_ERROR_LOGIN)
            return SimpleMapi::LoginFailure;
        if (login != MAILIMAP_NO_ERROR)
            return SimpleMapi::Failure;
    }
    m_loggedIn = true;

    if (mailimap_examine(m_session, m_address.folder.toUtf8().constData()) != MAILIMAP_NO_ERROR)
        return SimpleMapi::Failure;

    mailimap_search_key* unseen = mailimap_search_key_new(
        MAILIMAP_SEARCH_KEY_UNSEEN, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr,
        nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
    clist* found = nullptr;
    const int searched = mailimap_uid_search(m_session, nullptr, unseen, &found);
    mailimap_search_key_free(unseen);
    if (searched != MAILIMAP_NO_ERROR) {
        // The library hands over the numbers it read even when the search
        // was refused after them.
        if (found)
            mailimap_search_result_free(found);
        return SimpleMapi::Failure;
    }

    std::vector<uint32_t> uids;
    for (clistiter* each = clist_begin(found); each; each = clist_next(each))
        uids.push_back(*static_cast<uint32_t*>(clist_content(each)));
    mailimap_search_result_free(found);
    // A server may list a message twice; it is still one message.
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    unread->clear();
    unread->reserve(static_cast<qsizetype>(uids.size()));
    for (uint32_t uid : uids)
        *unread << QString::number(uid);
    return SimpleMapi::Success;
}

void ImapMailbox::close()
{
    if (!m_session)
        return;
    // A session that broke, timed out or was cancelled has nobody left to
    // say goodbye to.
    const bool cancelled = m_cancel.cancelled();
    if (m_loggedIn && m_session->imap_stream && !m_link->broken() && !cancelled)
        mailimap_logout(m_session);
    m_cancel.forgetSocket();
    mailimap_free(m_session);
    m_session = nullptr;
    m_link = nullptr;
    m_loggedIn = false;
}

} // namespace orvane
