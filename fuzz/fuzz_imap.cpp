// IMAP replies as a count and a push connection take them: the greeting,
// the capabilities, STATUS and SEARCH, then IDLE with its arrivals. The
// first byte sets how the server's bytes are cut into reads.
#include "FuzzSupport.h"
#include "checkers/ImapPush.h"
#include "checkers/ImapSession.h"

#include <algorithm>
#include <cstring>

using namespace orvane;

namespace {

// A server that says the input and then closes; what it is sent is dropped.
class ReplayLink final : public ImapLink
{
public:
    ReplayLink(QByteArray bytes, std::size_t piece) : m_bytes(std::move(bytes)), m_piece(piece) {}

    int socket() const override { return -1; }
    bool broken() const override { return false; }
    void setDeadline(Clock::time_point) override {}
    ssize_t read(void* buffer, std::size_t count) override
    {
        const std::size_t left = std::size_t(m_bytes.size()) - m_at;
        const std::size_t n = std::min({count, m_piece, left});
        std::memcpy(buffer, m_bytes.constData() + m_at, n);
        m_at += n;
        return ssize_t(n);
    }
    // Every other call finds nothing new yet, as a push connection does
    // between a server's packets.
    ssize_t readAvailable(void* buffer, std::size_t count) override
    {
        m_pause = !m_pause;
        if (m_pause && m_at < std::size_t(m_bytes.size()))
            return -2;
        return read(buffer, count);
    }
    bool holdsUnread() const override { return false; }
    ssize_t write(const void*, std::size_t count) override { return ssize_t(count); }
    void shutdown() override {}
    bool startTls(const QString&, const QByteArrayList&, Verdict*) override { return false; }
    void refuseHugeLiterals() override {}
    void keepAlive(int, int, int) override {}

private:
    const QByteArray m_bytes;
    const std::size_t m_piece;
    std::size_t m_at = 0;
    bool m_pause = false;
};

void readLines(const QByteArrayList& lines)
{
    for (const QByteArray& line : lines) {
        FUZZ_CHECK(std::size_t(line.size()) <= ImapLink::MaxReplyBytes);
        const std::optional<qint64> unseen = ImapSession::unseenOf(line);
        FUZZ_CHECK(!unseen || *unseen >= 0);
        FUZZ_CHECK(ImapSession::countOfSearch(line) >= 0);
        ImapSession::tellsOfChange(line);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    ReplayLink link(fuzz::bytesOf(data + 1, size - 1), 1 + data[0] % 64 * 64);
    ImapSession session(link);
    bool preauth = false;
    if (!session.greeting(&preauth))
        return 0;
    session.hasCapability("IDLE");
    QByteArrayList literals;
    const QByteArray folder = ImapSession::astring("INBOX", &literals);
    const ImapSession::Reply status = session.command("STATUS " + folder + " (UNSEEN)", literals);
    readLines(status.untagged);
    readLines(session.command("UID SEARCH UNSEEN").untagged);
    QByteArrayList untagged;
    if (session.startIdle(&untagged)) {
        // Every second round takes at least one byte, so the input bounds the rounds.
        for (size_t round = 0;
             round <= 2 * size + 2 && session.takeArrived(&untagged, ImapPush::IdleLineLimit);)
            ++round;
        readLines(session.endIdle().untagged);
    }
    readLines(untagged);
    return 0;
}
