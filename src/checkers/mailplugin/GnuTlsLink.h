#pragma once

#include "checkers/ImapLink.h"

typedef struct gnutls_session_int* gnutls_session_t;
typedef struct gnutls_certificate_credentials_st* gnutls_certificate_credentials_t;

namespace orvane {

/// The connection under an IMAP session: a socket, optionally TLS through
/// GnuTLS, every wait bounded by one deadline and the cancel wake-up, and no
/// reply growing past MaxReplyBytes (a command sent starts a new reply).
/// Once it broke, it stays broken.
class GnuTlsLink final : public ImapLink
{
public:
    /// Owns `socket`; `wakeUp` ends every wait when readable.
    GnuTlsLink(int socket, int wakeUp, Clock::time_point deadline);
    ~GnuTlsLink() override;

    int socket() const override { return m_fd; }
    bool broken() const override { return m_broken; }
    void setDeadline(Clock::time_point deadline) override { m_deadline = deadline; }
    ssize_t read(void* buffer, std::size_t count) override;
    ssize_t readAvailable(void* buffer, std::size_t count) override;
    bool holdsUnread() const override;
    ssize_t write(const void* buffer, std::size_t count) override;
    void shutdown() override;
    bool startTls(const QString& host, const QByteArrayList& extraCa,
                  Verdict* verdict = nullptr) override;
    void refuseHugeLiterals() override { m_watchLiterals = true; }
    void keepAlive(int idleSeconds, int intervalSeconds, int probes) override;

private:
    int fail();
    bool wait(short events);
    ssize_t receive(void* buffer, std::size_t count, bool* again);
    bool announcesHugeLiteral(const char* data, std::size_t size);

    int m_fd;
    int m_wake;
    Clock::time_point m_deadline;
    std::size_t m_received = 0;
    bool m_broken = false;
    /// The peer closed: the end was reported once.
    bool m_ended = false;
    bool m_watchLiterals = false;
    // Where the bytes read so far stand in a literal's "{size}".
    enum class Literal
    {
        None,
        Size,
        NonSynchronizing
    };
    Literal m_literal = Literal::None;
    std::size_t m_announced = 0;
    gnutls_session_t m_tls = nullptr;
    gnutls_certificate_credentials_t m_credentials = nullptr;
};

} // namespace orvane
