#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <sys/types.h>

typedef struct gnutls_session_int* gnutls_session_t;
typedef struct gnutls_certificate_credentials_st* gnutls_certificate_credentials_t;

namespace orvane {

/// What an IMAP session may use beyond the profile's address.
struct ImapSettings
{
    /// PEM authorities trusted besides the system's (a private or test CA),
    /// never instead of verification.
    QByteArrayList extraCaPem;
    /// The whole session, from the name lookup to the logout, ends within it.
    std::chrono::milliseconds timeLimit{std::chrono::seconds(60)};
};

/// The cancel switch of one blocking IMAP session, shared between the thread
/// that runs it and the one that may drop it: it knows the socket to shut down
/// and wakes every wait at once.
class ImapCancel
{
public:
    ImapCancel();
    ~ImapCancel();
    ImapCancel(const ImapCancel&) = delete;
    ImapCancel& operator=(const ImapCancel&) = delete;

    /// From any thread: the session's waits return at once and fail.
    void cancel();
    bool cancelled() const;
    /// The descriptor every wait watches besides its socket.
    int wakeUp() const { return m_wake; }
    /// Connects to `host`:`port` before `deadline`, unless cancelled; the
    /// socket is non-blocking. -1 when no address could be reached.
    int connect(const QString& host, quint16 port, std::chrono::steady_clock::time_point deadline);
    /// The socket is closed by its owner from now on.
    void forgetSocket();

private:
    mutable std::mutex m_mutex;
    int m_socket = -1;
    int m_wake = -1;
    bool m_cancelled = false;
};

/// The connection under an IMAP session: a socket, optionally TLS through
/// GnuTLS, every wait bounded by one deadline and the cancel wake-up, and no
/// reply growing past MaxReplyBytes (a command sent starts a new reply). Once
/// it broke, it stays broken.
class ImapLink
{
public:
    using Clock = std::chrono::steady_clock;
    /// A real answer is small: 200,000 unseen UIDs fit in under 2 MB.
    static constexpr std::size_t MaxReplyBytes = 4 * 1024 * 1024;

    /// Owns `socket`; `wakeUp` ends every wait when readable.
    ImapLink(int socket, int wakeUp, Clock::time_point deadline);
    ~ImapLink();
    ImapLink(const ImapLink&) = delete;
    ImapLink& operator=(const ImapLink&) = delete;

    int socket() const { return m_fd; }
    bool broken() const { return m_broken; }
    void setDeadline(Clock::time_point deadline) { m_deadline = deadline; }

    /// Blocking until something arrived; 0 at the end, -1 when broken.
    ssize_t read(void* buffer, std::size_t count);
    /// What has arrived already: -2 when nothing has, otherwise as read().
    ssize_t readAvailable(void* buffer, std::size_t count);
    /// Decrypted bytes held back by the TLS layer, which the socket no
    /// longer announces.
    bool holdsUnread() const;
    ssize_t write(const void* buffer, std::size_t count);
    bool writeAll(const QByteArray& bytes);
    /// Shuts the socket down, so any wait on it ends.
    void shutdown();

    /// How the server's certificate fared.
    struct Verdict
    {
        bool handshaken = false;
        bool verified = false;
        /// SHA-256 of the server's own certificate.
        QByteArray sha256;
        /// Why it did not verify, in words for the user.
        QString reason;
    };
    /// The TLS handshake, then the certificate chain and host name checked
    /// against the system's authorities and `extraCa` before anything else is
    /// read or written. True only when it verified; `verdict` says more.
    bool startTls(const QString& host, const QByteArrayList& extraCa, Verdict* verdict = nullptr);

    /// The mail library sets aside room for a literal as soon as it is
    /// announced; with this on, an announcement beyond the cap breaks the
    /// link before the library hears of it.
    void refuseHugeLiterals() { m_watchLiterals = true; }

    /// Keep-alive probes from the kernel, so a connection that waits for
    /// hours notices a peer that vanished without costing a wake-up.
    void keepAlive(int idleSeconds, int intervalSeconds, int probes);

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
    bool m_watchLiterals = false;
    // The end of the line being read, enough to see a literal's "{size}".
    char m_tail[24];
    std::size_t m_tailSize = 0;
    gnutls_session_t m_tls = nullptr;
    gnutls_certificate_credentials_t m_credentials = nullptr;
};

} // namespace orvane
