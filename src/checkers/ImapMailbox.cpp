#include "ImapMailbox.h"

#include "SimpleMapi.h"

#include <QByteArray>
#include <QHostAddress>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gnutls/gnutls.h>
#include <libetpan/libetpan.h>
#include <netdb.h>
#include <poll.h>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 24 * 3600 * 1000));
}

} // namespace

/// The connection under an IMAP session, in place of the mail library's own
/// socket and TLS streams so that every wait is bounded by the session's one
/// deadline and the cancel wake-up, and no reply grows past the cap (a
/// command sent starts a new reply). Once it broke, it stays broken.
struct ImapMailbox::Link
{
    int fd;
    int wake;
    Clock::time_point deadline;
    std::size_t received = 0;
    bool broken = false;
    // The end of the line being read, enough to see a literal's "{size}".
    char tail[24];
    std::size_t tailSize = 0;
    gnutls_session_t tls = nullptr;
    gnutls_certificate_credentials_t credentials = nullptr;

    Link(int socket, int wakeUp, Clock::time_point end) : fd(socket), wake(wakeUp), deadline(end) {}
    ~Link()
    {
        if (tls)
            gnutls_deinit(tls);
        if (credentials)
            gnutls_certificate_free_credentials(credentials);
        if (fd >= 0)
            ::close(fd);
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    int fail()
    {
        broken = true;
        return -1;
    }

    /// Waits until the socket is ready for `events`; false (and broken) at
    /// the deadline, on a cancel or a socket fault.
    bool wait(short events)
    {
        pollfd waits[2] = {{fd, events, 0}, {wake, POLLIN, 0}};
        for (;;) {
            const int left = millisecondsUntil(deadline);
            if (left == 0)
                return fail(), false;
            const int ready = ::poll(waits, 2, left);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0 || waits[1].revents)
                return fail(), false;
            return true;
        }
    }

    ssize_t read(void* buffer, std::size_t count)
    {
        if (broken || received >= MaxReplyBytes)
            return fail();
        count = std::min(count, MaxReplyBytes - received);
        for (;;) {
            ssize_t got;
            bool again;
            if (tls) {
                got = gnutls_record_recv(tls, buffer, count);
                again = got == GNUTLS_E_AGAIN || got == GNUTLS_E_INTERRUPTED;
            } else {
                got = ::recv(fd, buffer, count, 0);
                again = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
            }
            if (got >= 0) {
                received += static_cast<std::size_t>(got);
                if (announcesHugeLiteral(static_cast<const char*>(buffer),
                                         static_cast<std::size_t>(got)))
                    return fail();
                return got;
            }
            if (!again || !wait(POLLIN))
                return fail();
        }
    }

    // The mail library sets aside room for a literal as soon as it is
    // announced, so an announcement beyond the cap ends the session before
    // the library hears of it.
    bool announcesHugeLiteral(const char* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] != '\n') {
                if (tailSize == sizeof tail)
                    std::memmove(tail, tail + 1, --tailSize);
                tail[tailSize++] = data[i];
                continue;
            }
            const std::string_view line(tail, tailSize);
            tailSize = 0;
            const std::size_t open = line.rfind('{');
            if (open == std::string_view::npos || !line.ends_with("}\r"))
                continue;
            std::size_t announced = 0;
            for (const char digit : line.substr(open + 1, line.size() - open - 3)) {
                if (digit == '+')
                    continue;
                if (digit < '0' || digit > '9')
                    break;
                announced = std::min<std::size_t>(announced * 10 + std::size_t(digit - '0'),
                                                  MaxReplyBytes + 1);
            }
            if (announced > MaxReplyBytes)
                return true;
        }
        return false;
    }

    ssize_t write(const void* buffer, std::size_t count)
    {
        if (broken)
            return fail();
        received = 0;
        for (;;) {
            ssize_t sent;
            bool again;
            if (tls) {
                sent = gnutls_record_send(tls, buffer, count);
                again = sent == GNUTLS_E_AGAIN || sent == GNUTLS_E_INTERRUPTED;
            } else {
                sent = ::send(fd, buffer, count, MSG_NOSIGNAL);
                again = sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
            }
            if (sent >= 0)
                return sent;
            if (!again || !wait(POLLOUT))
                return fail();
        }
    }

    /// The TLS handshake, then the certificate chain and host name checked
    /// against the system's authorities and `extraCa` before anything else
    /// is read or written.
    bool startTls(const QString& host, const QByteArrayList& extraCa)
    {
        if (gnutls_certificate_allocate_credentials(&credentials) != GNUTLS_E_SUCCESS)
            return false;
        gnutls_certificate_set_x509_system_trust(credentials);
        for (const QByteArray& pem : extraCa) {
            const gnutls_datum_t data{
                reinterpret_cast<unsigned char*>(const_cast<char*>(pem.constData())),
                static_cast<unsigned>(pem.size())};
            gnutls_certificate_set_x509_trust_mem(credentials, &data, GNUTLS_X509_FMT_PEM);
        }
        if (gnutls_init(&tls, GNUTLS_CLIENT | GNUTLS_NONBLOCK | GNUTLS_NO_SIGNAL) !=
            GNUTLS_E_SUCCESS) {
            tls = nullptr;
            return false;
        }
        const QByteArray name = host.toUtf8();
        // Server name indication carries host names only.
        if (QHostAddress(host).isNull())
            gnutls_server_name_set(tls, GNUTLS_NAME_DNS, name.constData(),
                                   static_cast<std::size_t>(name.size()));
        if (gnutls_set_default_priority(tls) != GNUTLS_E_SUCCESS ||
            gnutls_credentials_set(tls, GNUTLS_CRD_CERTIFICATE, credentials) != GNUTLS_E_SUCCESS)
            return false;
        gnutls_transport_set_int(tls, fd);
        int shaken;
        while ((shaken = gnutls_handshake(tls)) < 0) {
            if (gnutls_error_is_fatal(shaken) ||
                !wait(gnutls_record_get_direction(tls) ? POLLOUT : POLLIN))
                return false;
        }
        unsigned status = 0;
        return gnutls_certificate_verify_peers3(tls, name.constData(), &status) ==
                   GNUTLS_E_SUCCESS &&
               status == 0;
    }

    static Link* of(mailstream_low* low) { return static_cast<Link*>(low->data); }

    static mailstream_low_driver* driver()
    {
        static mailstream_low_driver table = {
            [](mailstream_low* low, void* buffer, size_t count) {
                return of(low)->read(buffer, count);
            },
            [](mailstream_low* low, const void* buffer, size_t count) {
                return of(low)->write(buffer, count);
            },
            [](mailstream_low* low) {
                Link* link = of(low);
                if (link->fd >= 0)
                    ::shutdown(link->fd, SHUT_RDWR);
                return 0;
            },
            [](mailstream_low* low) { return of(low)->fd; },
            // The library frees the identifier and leaves the rest to us.
            [](mailstream_low* low) {
                delete of(low);
                std::free(low);
            },
            [](mailstream_low*) {},
            [](mailstream_low*) -> struct mailstream_cancel* {return nullptr;
    }
    , [](mailstream_low*) -> carray* { return nullptr; }, [](mailstream_low*) { return -1; },
        [](mailstream_low*) { return -1; }, [](mailstream_low*) { return -1; },
};
return &table;
} // namespace orvane
}
;

ImapMailbox::ImapMailbox(MailboxAddress address, ImapSettings settings)
    : m_address(std::move(address)), m_settings(std::move(settings)),
      m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{}

ImapMailbox::~ImapMailbox()
{
    close();
    if (m_wake >= 0)
        ::close(m_wake);
}

void ImapMailbox::cancel()
{
    const std::lock_guard lock(m_mutex);
    m_cancelled = true;
    // Any wait on the socket returns at once.
    if (m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
    if (m_wake >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_wake, &one, sizeof one);
    }
}

void ImapMailbox::forgetSocket()
{
    const std::lock_guard lock(m_mutex);
    m_socket = -1;
}

int ImapMailbox::connectSocket()
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    const QByteArray host = m_address.host.toUtf8();
    const QByteArray port = QByteArray::number(m_address.port);
    if (::getaddrinfo(host.constData(), port.constData(), &hints, &addresses) != 0)
        return -1;

    int connected = -1;
    for (addrinfo* each = addresses; each && connected < 0; each = each->ai_next) {
        const int fd =
            ::socket(each->ai_family, each->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        {
            const std::lock_guard lock(m_mutex);
            if (m_cancelled) {
                ::close(fd);
                break;
            }
            m_socket = fd;
        }
        bool ok = ::connect(fd, each->ai_addr, each->ai_addrlen) == 0;
        if (!ok && errno == EINPROGRESS) {
            pollfd waits[2] = {{fd, POLLOUT, 0}, {m_wake, POLLIN, 0}};
            if (::poll(waits, 2, millisecondsUntil(m_deadline)) > 0 &&
                (waits[0].revents & (POLLOUT | POLLERR | POLLHUP)) && !(waits[1].revents)) {
                int failure = 0;
                socklen_t size = sizeof failure;
                ok = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) == 0 && failure == 0;
            }
        }
        if (ok) {
            connected = fd;
        } else {
            forgetSocket();
            ::close(fd);
        }
    }
    ::freeaddrinfo(addresses);
    return connected;
}

bool ImapMailbox::hasCapability(const char* name)
{
    const mailimap_connection_info* info = m_session->imap_connection_info;
    if (!info || !info->imap_capability) {
        // The greeting did not list them: ask.
        mailimap_capability_data* asked = nullptr;
        if (mailimap_capability(m_session, &asked) != MAILIMAP_NO_ERROR)
            return false;
        mailimap_capability_data_free(asked);
    }
    return mailimap_has_extension(m_session, name) != 0;
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
        mailimap_capability_data* renewed = nullptr;
        if (mailimap_capability(m_session, &renewed) != MAILIMAP_NO_ERROR)
            return false;
        mailimap_capability_data_free(renewed);
    }
    // A server that forbids LOGIN in clear never gets the password so.
    return !m_link->broken && !hasCapability("LOGINDISABLED");
}

quint32 ImapMailbox::open(const QString& password, QStringList* unread)
{
    m_deadline = Clock::now() + m_settings.timeLimit;
    if (m_address.kind != MailboxAddress::Kind::Imap &&
        m_address.kind != MailboxAddress::Kind::Imaps)
        return SimpleMapi::Failure;

    const int fd = connectSocket();
    if (fd < 0)
        return SimpleMapi::Failure;
    auto link = std::make_unique<Link>(fd, m_wake, m_deadline);
    // The certificate is checked before a byte of the greeting is read.
    if (m_address.kind == MailboxAddress::Kind::Imaps &&
        !link->startTls(m_address.host, m_settings.extraCaPem)) {
        forgetSocket();
        return SimpleMapi::Failure;
    }
    mailstream_low* low = mailstream_low_new(link.get(), Link::driver());
    if (!low) {
        forgetSocket();
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
        forgetSocket();
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
    if (searched != MAILIMAP_NO_ERROR)
        return SimpleMapi::Failure;

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
    bool cancelled;
    {
        const std::lock_guard lock(m_mutex);
        cancelled = m_cancelled;
    }
    if (m_loggedIn && m_session->imap_stream && !m_link->broken && !cancelled)
        mailimap_logout(m_session);
    forgetSocket();
    mailimap_free(m_session);
    m_session = nullptr;
    m_link = nullptr;
    m_loggedIn = false;
}

} // namespace orvane
