#pragma once

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orvane {

/// The cancel switch of one blocking IMAP session, shared between the thread
/// that runs it and the one that may drop it: it knows the socket to shut down
/// and wakes every wait at once. Written out here in full, since the mail
/// plugin's sessions use it too.
class ImapCancel
{
public:
    ImapCancel() : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~ImapCancel()
    {
        if (m_wake >= 0)
            ::close(m_wake);
    }
    ImapCancel(const ImapCancel&) = delete;
    ImapCancel& operator=(const ImapCancel&) = delete;

    /// From any thread: the session's waits return at once and fail.
    void cancel()
    {
        const std::lock_guard lock(m_mutex);
        m_cancelled = true;
        if (m_socket >= 0)
            ::shutdown(m_socket, SHUT_RDWR);
        if (m_wake >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(m_wake, &one, sizeof one);
        }
    }
    bool cancelled() const
    {
        const std::lock_guard lock(m_mutex);
        return m_cancelled;
    }
    /// The descriptor every wait watches besides its socket.
    int wakeUp() const { return m_wake; }
    /// The socket is closed by its owner from now on.
    void forgetSocket()
    {
        const std::lock_guard lock(m_mutex);
        m_socket = -1;
    }

    /// Connects to `host`:`port` before `deadline`, unless cancelled; the
    /// socket is non-blocking. -1 when no address could be reached.
    int connect(const QString& host, quint16 port, std::chrono::steady_clock::time_point deadline)
    {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* addresses = nullptr;
        const QByteArray name = host.toUtf8();
        const QByteArray service = QByteArray::number(port);
        if (::getaddrinfo(name.constData(), service.constData(), &hints, &addresses) != 0)
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
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - std::chrono::steady_clock::now())
                                      .count();
                if (::poll(waits, 2, int(std::clamp<long long>(left, 0, 24 * 3600 * 1000))) > 0 &&
                    (waits[0].revents & (POLLOUT | POLLERR | POLLHUP)) && !(waits[1].revents)) {
                    int failure = 0;
                    socklen_t size = sizeof failure;
                    ok = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) == 0 &&
                         failure == 0;
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

private:
    mutable std::mutex m_mutex;
    int m_socket = -1;
    int m_wake = -1;
    bool m_cancelled = false;
};

} // namespace orvane
