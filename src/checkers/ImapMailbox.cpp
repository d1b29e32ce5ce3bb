#include "ImapMailbox.h"

#include "SimpleMapi.h"

#include <QByteArray>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <libetpan/libetpan.h>
#include <netdb.h>
#include <poll.h>
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

void setServerName(mailstream_ssl_context* context, void* data)
{
    mailstream_ssl_set_server_name(context, static_cast<char*>(data));
}

struct TrustList
{
    gnutls_x509_trust_list_t list = nullptr;
    ~TrustList()
    {
        if (list)
            gnutls_x509_trust_list_deinit(list, 1);
    }
};

struct Certificates
{
    std::vector<gnutls_x509_crt_t> chain;
    ~Certificates()
    {
        for (gnutls_x509_crt_t certificate : chain)
            gnutls_x509_crt_deinit(certificate);
    }
};

} // namespace

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
    // A blocked read, write or handshake on the socket returns at once.
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

bool ImapMailbox::beginStep()
{
    int left = millisecondsUntil(m_deadline);
    {
        const std::lock_guard lock(m_mutex);
        if (m_cancelled || left == 0)
            return false;
        if (m_socket >= 0) {
            // The handshake waits on the socket itself; the library's own
            // limit covers its reads and writes.
            timeval limit{left / 1000, (left % 1000) * 1000};
            ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            ::setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        }
    }
    if (m_session) {
        const time_t seconds = std::max(1, (left + 999) / 1000);
        mailimap_set_timeout(m_session, seconds);
        if (m_session->imap_stream)
            mailstream_low_set_timeout(mailstream_get_low(m_session->imap_stream), seconds);
    }
    return true;
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
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            connected = fd;
        } else {
            forgetSocket();
            ::close(fd);
        }
    }
    ::freeaddrinfo(addresses);
    return connected;
}

bool ImapMailbox::certificateTrusted() const
{
    carray* presented = mailstream_get_certificate_chain(m_session->imap_stream);
    if (!presented)
        return false;
    Certificates certificates;
    for (unsigned i = 0; i < carray_count(presented); ++i) {
        auto* der = static_cast<MMAPString*>(carray_get(presented, i));
        gnutls_x509_crt_t certificate = nullptr;
        if (gnutls_x509_crt_init(&certificate) != GNUTLS_E_SUCCESS)
            break;
        certificates.chain.push_back(certificate);
        const gnutls_datum_t data{reinterpret_cast<unsigned char*>(der->str),
                                  static_cast<unsigned>(der->len)};
        if (gnutls_x509_crt_import(certificate, &data, GNUTLS_X509_FMT_DER) != GNUTLS_E_SUCCESS) {
            mailstream_certificate_chain_free(presented);
            return false;
        }
    }
    mailstream_certificate_chain_free(presented);
    if (certificates.chain.empty())
        return false;

    TrustList trust;
    if (gnutls_x509_trust_list_init(&trust.list, 0) != GNUTLS_E_SUCCESS)
        return false;
    gnutls_x509_trust_list_add_system_trust(trust.list, 0, 0);
    for (const QByteArray& pem : m_settings.extraCaPem) {
        const gnutls_datum_t data{reinterpret_cast<unsigned char*>(const_cast<char*>(pem.data())),
                                  static_cast<unsigned>(pem.size())};
        gnutls_x509_trust_list_add_trust_mem(trust.list, &data, nullptr, GNUTLS_X509_FMT_PEM, 0, 0);
    }

    const QByteArray host = m_address.host.toUtf8();
    gnutls_typed_vdata_st checks[2] = {
        {GNUTLS_DT_DNS_HOSTNAME,
         reinterpret_cast<unsigned char*>(const_cast<char*>(host.constData())), 0},
        {GNUTLS_DT_KEY_PURPOSE_OID,
         reinterpret_cast<unsigned char*>(const_cast<char*>(GNUTLS_KP_TLS_WWW_SERVER)), 0},
    };
    unsigned status = 0;
    return gnutls_x509_trust_list_verify_crt2(trust.list, certificates.chain.data(),
                                              static_cast<unsigned>(certificates.chain.size()),
                                              checks, 2, 0, &status, nullptr) == GNUTLS_E_SUCCESS &&
           status == 0;
}

quint32 ImapMailbox::open(const QString& password, QStringList* unread)
{
    m_deadline = Clock::now() + m_settings.timeLimit;
    if (m_address.kind != MailboxAddress::Kind::Imap &&
        m_address.kind != MailboxAddress::Kind::Imaps)
        return SimpleMapi::Failure;

    const int fd = connectSocket();
    if (fd < 0 || !beginStep())
        return SimpleMapi::Failure;

    const int seconds = std::max(1, (millisecondsUntil(m_deadline) + 999) / 1000);
    QByteArray host = m_address.host.toUtf8();
    mailstream* stream =
        m_address.kind == MailboxAddress::Kind::Imaps
            ? mailstream_ssl_open_with_callback_timeout(fd, seconds, setServerName, host.data())
            : mailstream_socket_open_timeout(fd, seconds);
    if (!stream) {
        forgetSocket();
        ::close(fd);
        return SimpleMapi::Failure;
    }
    m_session = mailimap_new(0, nullptr);
    if (!m_session) {
        forgetSocket();
        mailstream_close(stream);
        return SimpleMapi::Failure;
    }
    if (!beginStep())
        return SimpleMapi::Failure;
    const int greeting = mailimap_connect(m_session, stream);
    if (greeting != MAILIMAP_NO_ERROR && greeting != MAILIMAP_NO_ERROR_NON_AUTHENTICATED &&
        greeting != MAILIMAP_NO_ERROR_AUTHENTICATED)
        return SimpleMapi::Failure;
    // The password goes only to a server whose certificate names this host.
    if (m_address.kind == MailboxAddress::Kind::Imaps && !certificateTrusted())
        return SimpleMapi::Failure;

    if (greeting != MAILIMAP_NO_ERROR_AUTHENTICATED) {
        if (!beginStep())
            return SimpleMapi::Failure;
        const QByteArray user = m_address.userName.toUtf8();
        const QByteArray secret = password.toUtf8();
        const int login = mailimap_login(m_session, user.constData(), secret.constData());
        if (login == MAILIMAP_ERROR_LOGIN)
            return SimpleMapi::LoginFailure;
        if (login != MAILIMAP_NO_ERROR)
            return SimpleMapi::Failure;
    }

    if (!beginStep() ||
        mailimap_examine(m_session, m_address.folder.toUtf8().constData()) != MAILIMAP_NO_ERROR)
        return SimpleMapi::Failure;

    if (!beginStep())
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
    std::sort(uids.begin(), uids.end());
    unread->clear();
    for (uint32_t uid : uids)
        *unread << QString::number(uid);
    return SimpleMapi::Success;
}

void ImapMailbox::close()
{
    if (!m_session)
        return;
    // A cancelled or timed-out session has nobody left to say goodbye to.
    if (m_session->imap_stream && beginStep())
        mailimap_logout(m_session);
    forgetSocket();
    mailimap_free(m_session);
    m_session = nullptr;
}

} // namespace orvane
