#include "GnuTlsLink.h"

#include <QHostAddress>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <gnutls/crypto.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {

namespace {

int millisecondsUntil(ImapLink::Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - ImapLink::Clock::now())
            .count();
    return static_cast<int>(std::clamp<long long>(left, 0, 24 * 3600 * 1000));
}

// Why a certificate did not verify, in the user's words.
QString reasonFor(unsigned status)
{
    static const struct
    {
        unsigned flag;
        const char* text;
    } reasons[] = {
        {GNUTLS_CERT_SIGNER_NOT_FOUND, "issuer unknown"},
        {GNUTLS_CERT_SIGNER_NOT_CA, "issuer is not an authority"},
        {GNUTLS_CERT_UNEXPECTED_OWNER, "issued for another name"},
        {GNUTLS_CERT_EXPIRED, "expired"},
        {GNUTLS_CERT_NOT_ACTIVATED, "not valid yet"},
        {GNUTLS_CERT_REVOKED, "revoked"},
        {GNUTLS_CERT_INSECURE_ALGORITHM, "insecure algorithm"},
    };
    QStringList found;
    for (const auto& reason : reasons) {
        if (status & reason.flag)
            found << QString::fromLatin1(reason.text);
    }
    return found.isEmpty() ? QStringLiteral("does not verify") : found.join(QStringLiteral(", "));
}

} // namespace

GnuTlsLink::GnuTlsLink(int socket, int wakeUp, Clock::time_point deadline)
    : m_fd(socket), m_wake(wakeUp), m_deadline(deadline)
{}

GnuTlsLink::~GnuTlsLink()
{
    if (m_tls)
        gnutls_deinit(m_tls);
    if (m_credentials)
        gnutls_certificate_free_credentials(m_credentials);
    if (m_fd >= 0)
        ::close(m_fd);
}

int GnuTlsLink::fail()
{
    m_broken = true;
    return -1;
}

void GnuTlsLink::shutdown()
{
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

void GnuTlsLink::keepAlive(int idleSeconds, int intervalSeconds, int probes)
{
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

bool GnuTlsLink::wait(short events)
{
    pollfd waits[2] = {{m_fd, events, 0}, {m_wake, POLLIN, 0}};
    for (;;) {
        const int left = millisecondsUntil(m_deadline);
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

ssize_t GnuTlsLink::receive(void* buffer, std::size_t count, bool* again)
{
    // After the end of the stream, a reader that asks again would be told
    // "nothing" at once, forever: the mail library does so inside a literal
    // the server never finished, and would spin past every deadline.
    if (m_broken || m_ended || m_received >= MaxReplyBytes)
        return fail();
    count = std::min(count, MaxReplyBytes - m_received);
    ssize_t got;
    if (m_tls) {
        got = gnutls_record_recv(m_tls, buffer, count);
        *again = got == GNUTLS_E_AGAIN || got == GNUTLS_E_INTERRUPTED;
    } else {
        got = ::recv(m_fd, buffer, count, 0);
        *again = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
    }
    if (got >= 0) {
        m_ended = got == 0 && count > 0;
        m_received += static_cast<std::size_t>(got);
        if (m_watchLiterals &&
            announcesHugeLiteral(static_cast<const char*>(buffer), static_cast<std::size_t>(got)))
            return fail();
        return got;
    }
    if (!*again)
        return fail();
    return -2;
}

ssize_t GnuTlsLink::read(void* buffer, std::size_t count)
{
    for (;;) {
        bool again = false;
        const ssize_t got = receive(buffer, count, &again);
        if (!again)
            return got;
        if (!wait(POLLIN))
            return fail();
    }
}

ssize_t GnuTlsLink::readAvailable(void* buffer, std::size_t count)
{
    bool again = false;
    return receive(buffer, count, &again);
}

bool GnuTlsLink::holdsUnread() const
{
    return m_tls && gnutls_record_check_pending(m_tls) > 0;
}

bool GnuTlsLink::announcesHugeLiteral(const char* data, std::size_t size)
{
    // "{size}" or "{size+}", followed a byte at a time, so neither a read's
    // cut nor leading zeros hide the size. What follows the brace does not
    // matter: the mail library makes room for the literal as soon as it has
    // read the size, before it looks for the line end.
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (m_literal == Literal::Size && c >= '0' && c <= '9') {
            m_announced =
                std::min<std::size_t>(m_announced * 10 + std::size_t(c - '0'), MaxReplyBytes + 1);
            continue;
        }
        if (m_literal == Literal::Size && c == '+') {
            m_literal = Literal::NonSynchronizing;
            continue;
        }
        if (m_literal != Literal::None && c == '}' && m_announced > MaxReplyBytes)
            return true;
        m_literal = c == '{' ? Literal::Size : Literal::None;
        m_announced = 0;
    }
    return false;
}

ssize_t GnuTlsLink::write(const void* buffer, std::size_t count)
{
    if (m_broken)
        return fail();
    m_received = 0;
    for (;;) {
        ssize_t sent;
        bool again;
        if (m_tls) {
            sent = gnutls_record_send(m_tls, buffer, count);
            again = sent == GNUTLS_E_AGAIN || sent == GNUTLS_E_INTERRUPTED;
        } else {
            sent = ::send(m_fd, buffer, count, MSG_NOSIGNAL);
            again = sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
        }
        if (sent >= 0)
            return sent;
        if (!again || !wait(POLLOUT))
            return fail();
    }
}

bool GnuTlsLink::startTls(const QString& host, const QByteArrayList& extraCa, Verdict* verdict)
{
    Verdict local;
    Verdict& out = verdict ? *verdict : local;
    out = Verdict{};
    if (gnutls_certificate_allocate_credentials(&m_credentials) != GNUTLS_E_SUCCESS) {
        m_credentials = nullptr;
        return fail(), false;
    }
    gnutls_certificate_set_x509_system_trust(m_credentials);
    for (const QByteArray& pem : extraCa) {
        const gnutls_datum_t data{
            reinterpret_cast<unsigned char*>(const_cast<char*>(pem.constData())),
            static_cast<unsigned>(pem.size())};
        gnutls_certificate_set_x509_trust_mem(m_credentials, &data, GNUTLS_X509_FMT_PEM);
    }
    if (gnutls_init(&m_tls, GNUTLS_CLIENT | GNUTLS_NONBLOCK | GNUTLS_NO_SIGNAL) !=
        GNUTLS_E_SUCCESS) {
        m_tls = nullptr;
        return fail(), false;
    }
    const QByteArray name = host.toUtf8();
    // Server name indication carries host names only.
    if (QHostAddress(host).isNull())
        gnutls_server_name_set(m_tls, GNUTLS_NAME_DNS, name.constData(),
                               static_cast<std::size_t>(name.size()));
    if (gnutls_set_default_priority(m_tls) != GNUTLS_E_SUCCESS ||
        gnutls_credentials_set(m_tls, GNUTLS_CRD_CERTIFICATE, m_credentials) != GNUTLS_E_SUCCESS)
        return fail(), false;
    gnutls_transport_set_int(m_tls, m_fd);
    int shaken;
    while ((shaken = gnutls_handshake(m_tls)) < 0) {
        if (gnutls_error_is_fatal(shaken) ||
            !wait(gnutls_record_get_direction(m_tls) ? POLLOUT : POLLIN))
            return fail(), false;
    }
    out.handshaken = true;
    unsigned listed = 0;
    const gnutls_datum_t* chain = gnutls_certificate_get_peers(m_tls, &listed);
    if (chain && listed > 0) {
        unsigned char digest[32];
        if (gnutls_hash_fast(GNUTLS_DIG_SHA256, chain[0].data, chain[0].size, digest) == 0)
            out.sha256 = QByteArray(reinterpret_cast<const char*>(digest), sizeof digest);
    }
    unsigned status = 0;
    const int checked = gnutls_certificate_verify_peers3(m_tls, name.constData(), &status);
    out.verified = checked == GNUTLS_E_SUCCESS && status == 0;
    if (!out.verified)
        out.reason =
            checked == GNUTLS_E_SUCCESS ? reasonFor(status) : QStringLiteral("no certificate");
    return out.verified;
}

} // namespace orvane
