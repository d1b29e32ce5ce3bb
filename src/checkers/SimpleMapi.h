#pragma once

#include <QString>

namespace orvane {

/// A messaging session in the shape of the classic simple messaging calls:
/// log on to a named profile with a password, walk the unread messages of
/// the inbox one at a time from a seed identifier, log off. Results are 0
/// for success and the codes below otherwise. Every call may block: a
/// session is used on a worker thread, never on the user-interface thread.
class SimpleMapi
{
public:
    using Session = quint32;

    enum Result : quint32
    {
        Success = 0,
        Failure = 2,
        /// The profile does not exist, or its mailbox refused the password.
        LoginFailure = 3,
        NoMessages = 16,
        InvalidMessage = 17,
        InvalidSession = 19,
    };

    /// A session of its own, never one shared with other programs.
    static constexpr quint32 NewSession = 0x2;
    /// Only messages not read yet.
    static constexpr quint32 UnreadOnly = 0x20;

    virtual ~SimpleMapi() = default;

    /// An empty profile name means the default profile.
    virtual quint32 MAPILogon(const QString& profileName, const QString& password, quint32 flags,
                              Session* session) = 0;
    /// The message after `seedMessageId` (the first when it is empty).
    virtual quint32 BMAPIFindNext(Session session, const QString& messageType,
                                  const QString& seedMessageId, quint32 flags,
                                  QString* messageId) = 0;
    virtual quint32 MAPILogoff(Session session, quint32 flags) = 0;

    /// Why the last log-on failed, in words for the user, when its result
    /// code alone would mislead (a mistake in the profile rather than a
    /// refused password); empty otherwise.
    virtual QString failureText() const { return {}; }
    /// Called from another thread: ends whatever the session waits for as
    /// soon as possible; the call it interrupts fails.
    virtual void cancel() {}
};

} // namespace orvane
