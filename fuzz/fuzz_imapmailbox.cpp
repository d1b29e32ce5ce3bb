// IMAP replies through the mail library's parser, fed as the messaging
// profiles' inbox feeds it: the real inbox and its link (greeting,
// capabilities, STARTTLS when offered, LOGIN, EXAMINE, UID SEARCH, LOGOUT)
// against a local server that says the input and closes its side.
#include "FuzzSupport.h"
#include "ImapMailbox.h"
#include "checkers/SimpleMapi.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace orvane;

namespace {

// One connection per input: the input is said at once, then everything
// the inbox sends is heard until it hangs up.
class ReplayServer
{
public:
    ReplayServer() : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* generic = reinterpret_cast<sockaddr*>(&address);
        if (m_listener < 0 || ::bind(m_listener, generic, sizeof address) != 0 ||
            ::listen(m_listener, 8) != 0 || ::getsockname(m_listener, generic, &length) != 0)
            fuzz::fail("no local port");
        m_port = ntohs(address.sin_port);
        std::thread([this] { serve(); }).detach();
    }

    quint16 port() const { return m_port; }

    void willSay(const QByteArray& bytes)
    {
        const std::lock_guard lock(m_mutex);
        m_said = bytes;
        m_heard.reset();
    }

    /// What the inbox sent, once it hung up.
    QByteArray heard()
    {
        std::unique_lock lock(m_mutex);
        if (!m_ended.wait_for(lock, std::chrono::seconds(5),
                              [this] { return m_heard.has_value(); }))
            fuzz::fail("the inbox never hung up");
        return *m_heard;
    }

private:
    void serve()
    {
        for (;;) {
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            QByteArray said;
            {
                const std::lock_guard lock(m_mutex);
                said = m_said;
            }
            // An inbox that gave up early resets the connection: no signal.
            for (qsizetype at = 0; at < said.size();) {
                const ssize_t n =
                    ::send(fd, said.constData() + at, size_t(said.size() - at), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                at += n;
            }
            ::shutdown(fd, SHUT_WR);
            QByteArray heard;
            char buffer[4096];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                heard.append(buffer, n);
            ::close(fd);
            {
                const std::lock_guard lock(m_mutex);
                m_heard = heard;
            }
            m_ended.notify_all();
        }
    }

    const int m_listener;
    quint16 m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_ended;
    QByteArray m_said;
    std::optional<QByteArray> m_heard;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ReplayServer server;
    const QByteArray said = fuzz::bytesOf(data, size);
    server.willSay(said);

    MailboxAddress address;
    address.kind = MailboxAddress::Kind::Imap;
    address.userName = QStringLiteral("user");
    address.host = QStringLiteral("127.0.0.1");
    address.port = server.port();
    address.folder = QStringLiteral("INBOX");
    ImapSettings settings;
    settings.timeLimit = std::chrono::seconds(8);
    const auto start = std::chrono::steady_clock::now();
    QStringList unread;
    quint32 result = 0;
    {
        ImapMailbox inbox(address, settings);
        result = inbox.open(QStringLiteral("secret"), &unread);
    }
    const QByteArray heard = server.heard();
    // The server closed its side at once: nothing is worth waiting for.
    FUZZ_CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
    FUZZ_CHECK(result == SimpleMapi::Success || result == SimpleMapi::Failure ||
               result == SimpleMapi::LoginFailure);
    if (result == SimpleMapi::Success) {
        FUZZ_CHECK(heard.contains("EXAMINE"));
        // Each message named takes at least a digit and a blank.
        FUZZ_CHECK(unread.size() <= said.size() / 2);
    }
    // The handshake after STARTTLS cannot succeed here, so the password
    // must not have left.
    if (heard.contains("STARTTLS"))
        FUZZ_CHECK(!heard.contains("secret"));
    return 0;
}
