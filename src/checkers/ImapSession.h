#pragma once

#include "ImapLink.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <optional>

namespace orvane {

/// The few IMAP commands a mail count and a push connection need, spoken
/// over an ImapLink: replies are read line by line with their literals, and
/// no line grows past the link's reply cap (or a tighter one while idling).
class ImapSession
{
public:
    explicit ImapSession(ImapLink& link);

    struct Reply
    {
        enum class Status
        {
            Ok,
            No,
            Bad,
            /// The server said BYE, or the link broke or timed out.
            Gone
        };
        Status status = Status::Gone;
        /// The untagged lines that came before the tagged one, without "* ".
        QByteArrayList untagged;
        bool ok() const { return status == Status::Ok; }
    };

    /// The greeting: true for OK or PREAUTH (`preauth` says which). Any
    /// capabilities it lists are kept.
    bool greeting(bool* preauth);
    /// Sends one command (its tag added here) and reads to its tagged reply.
    /// Each entry of `literals` replaces one "\x01" in `command` and is sent
    /// as a literal once the server asks for it.
    Reply command(const QByteArray& command, const QByteArrayList& literals = {});
    /// AUTHENTICATE with a one-step SASL mechanism: the initial response
    /// goes with the command where the server takes it (SASL-IR), else
    /// after its go-ahead. A challenge after that is the server's reason
    /// for refusing; it is answered with `onChallenge`, which ends the
    /// exchange, and the tagged reply follows.
    Reply authenticate(const QByteArray& mechanism, const QByteArray& initialResponse,
                       const QByteArray& onChallenge);
    /// The capabilities, asked for when the greeting listed none.
    bool hasCapability(const QByteArray& name);
    /// Bytes read that no line has taken yet.
    bool holdsBuffered() const { return !m_buffer.isEmpty(); }
    /// Forgets what the server announced (after STARTTLS).
    void forgetCapabilities() { m_capabilities.reset(); }

    /// IDLE: true once the server said go ahead; the lines it sent before
    /// are in `untagged`.
    bool startIdle(QByteArrayList* untagged);
    /// DONE, and the lines up to the tagged reply.
    Reply endIdle();

    /// The untagged lines that have arrived in full, without waiting;
    /// false when the link broke, the server ended the session (BYE or a
    /// tagged reply to the IDLE) or a line outgrew `lineLimit`.
    bool takeArrived(QByteArrayList* untagged, std::size_t lineLimit);

    /// "Quoted" with its escapes, or as a literal (the text then goes into
    /// `literals`) when it holds what a quoted string cannot.
    static QByteArray astring(const QByteArray& text, QByteArrayList* literals);
    /// A folder name in IMAP's modified UTF-7.
    static QByteArray modifiedUtf7(const QString& folder);
    /// The UNSEEN figure of a "STATUS mailbox (UNSEEN n)" line.
    static std::optional<qint64> unseenOf(const QByteArray& statusLine);
    /// How many different numbers a "SEARCH n n ..." line lists.
    static qint64 countOfSearch(const QByteArray& searchLine);
    /// An untagged line in IDLE that tells of a change in the folder.
    static bool tellsOfChange(const QByteArray& untagged);

private:
    enum class Line
    {
        Complete,
        Incomplete,
        TooLong
    };
    /// A whole line (literals included) from the buffer.
    Line nextLine(QByteArray* line, std::size_t limit);
    /// Blocks for the next whole line; false when the link broke.
    bool readLine(QByteArray* line);
    QByteArray nextTag();
    Reply readTo(const QByteArray& tag);
    void noteCapabilities(const QByteArray& text);

    ImapLink& m_link;
    QByteArray m_buffer;
    /// Where the search for the line's end goes on.
    qsizetype m_scanned = 0;
    int m_tagCount = 0;
    QByteArray m_idleTag;
    std::optional<QByteArrayList> m_capabilities;
};

} // namespace orvane
