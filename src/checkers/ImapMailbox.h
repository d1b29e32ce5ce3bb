#pragma once

#include "Mailbox.h"
#include "ProfileStore.h"

#include <QByteArrayList>
#include <chrono>
#include <memory>
#include <mutex>

struct mailimap;

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

/// The inbox of an IMAP account: log in, examine the folder read-only, search
/// the unseen messages (their UIDs, ascending, are the identifiers), log out.
/// imaps verifies the server's certificate and host name before the password
/// is sent. A refused LOGIN is the refused log-on. Every call blocks: it is
/// meant for a worker thread, which cancel() frees from another thread.
class ImapMailbox final : public Mailbox
{
public:
    ImapMailbox(MailboxAddress address, ImapSettings settings);
    ~ImapMailbox() override;

    quint32 open(const QString& password, QStringList* unread) override;
    void close() override;
    void cancel() override;

private:
    int connectSocket();
    bool certificateTrusted() const;
    /// Applies what is left of the time limit to the next wait.
    bool beginStep();
    void forgetSocket();

    const MailboxAddress m_address;
    const ImapSettings m_settings;
    std::chrono::steady_clock::time_point m_deadline;
    mailimap* m_session = nullptr;

    // Shared with cancel(): the socket to shut down and the wake-up of a
    // connect in progress.
    std::mutex m_mutex;
    int m_socket = -1;
    int m_wake = -1;
    bool m_cancelled = false;
};

} // namespace orvane
