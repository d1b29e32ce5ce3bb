#pragma once

#include "ImapCancel.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <chrono>
#include <cstddef>
#include <sys/types.h>

namespace orvane {

/// What an IMAP session may use beyond the account's address.
struct ImapSettings
{
    /// PEM authorities trusted besides the system's (a private or test CA),
    /// never instead of verification.
    QByteArrayList extraCaPem;
    /// The whole session, from the name lookup to the logout, ends within it.
    std::chrono::milliseconds timeLimit{std::chrono::seconds(60)};
};

/// The connection under an IMAP session, made by the mail plugin: a socket,
/// optionally TLS, every wait bounded by one deadline and the cancel
/// wake-up, and no reply growing past MaxReplyBytes (a command sent starts
/// a new reply). Once it broke, it stays broken.
class ImapLink
{
public:
    using Clock = std::chrono::steady_clock;
    /// A real answer is small: 200,000 unseen UIDs fit in under 2 MB.
    static constexpr std::size_t MaxReplyBytes = 4 * 1024 * 1024;

    virtual ~ImapLink() = default;

    virtual int socket() const = 0;
    virtual bool broken() const = 0;
    virtual void setDeadline(Clock::time_point deadline) = 0;

    /// Blocking until something arrived; 0 at the end, -1 when broken.
    virtual ssize_t read(void* buffer, std::size_t count) = 0;
    /// What has arrived already: -2 when nothing has, otherwise as read().
    virtual ssize_t readAvailable(void* buffer, std::size_t count) = 0;
    /// Decrypted bytes held back by the TLS layer, which the socket no
    /// longer announces.
    virtual bool holdsUnread() const = 0;
    virtual ssize_t write(const void* buffer, std::size_t count) = 0;
    bool writeAll(const QByteArray& bytes)
    {
        std::size_t done = 0;
        while (done < std::size_t(bytes.size())) {
            const ssize_t sent = write(bytes.constData() + done, std::size_t(bytes.size()) - done);
            if (sent <= 0)
                return false;
            done += std::size_t(sent);
        }
        return true;
    }
    /// Shuts the socket down, so any wait on it ends.
    virtual void shutdown() = 0;

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
    virtual bool startTls(const QString& host, const QByteArrayList& extraCa,
                          Verdict* verdict = nullptr) = 0;

    /// The mail library sets aside room for a literal as soon as it is
    /// announced; with this on, an announcement beyond the cap breaks the
    /// link before the library hears of it.
    virtual void refuseHugeLiterals() = 0;

    /// Keep-alive probes from the kernel, so a connection that waits for
    /// hours notices a peer that vanished without costing a wake-up.
    virtual void keepAlive(int idleSeconds, int intervalSeconds, int probes) = 0;
};

} // namespace orvane
