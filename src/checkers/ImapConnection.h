#pragma once

#include "ImapLink.h"
#include "ImapSession.h"
#include "core/ServerAddress.h"

#include <QString>
#include <functional>
#include <memory>

namespace orvane {

class CertificateTrust;
class MailProtocols;

/// One account's connection to its IMAP server, up to logged in: TLS from
/// the first byte, STARTTLS that must succeed, or never encrypted, as the
/// address says. The certificate is checked before the password leaves; one
/// that does not verify is accepted only when its SHA-256 digest is the one
/// the user trusted for this account, and is otherwise noted as refused so
/// the account dialog can offer it. Every call blocks (a worker thread's
/// work) until the settings' time limit; cancel() frees it from any thread.
class ImapConnection
{
public:
    /// `protocols` makes the connection itself (the mail plugin).
    ImapConnection(MailProtocols& protocols, ServerAddress address, QString userName,
                   ImapSettings settings, CertificateTrust* trust);
    ~ImapConnection();

    using Progress = std::function<void(const QString&)>;
    /// True once logged in; otherwise `failure` says why, in the user's words.
    bool open(const QString& password, const Progress& progress, QString* failure);
    /// Logs in with an access token of the account's provider, in the
    /// provider's SASL mechanism (XOAUTH2 or OAUTHBEARER). A refusal ends
    /// with kTokenRefused.
    bool openWithToken(const QString& token, const QByteArray& mechanism, const Progress& progress,
                       QString* failure);
    /// The logged-in session, for the commands that follow.
    ImapSession& session() { return *m_session; }
    ImapLink& link() { return *m_link; }
    ImapCancel& canceller() { return m_cancel; }
    /// Says goodbye when the session is still sound, and closes.
    void close();
    /// A new deadline for what follows, counted from now.
    void extendDeadline(std::chrono::milliseconds from);

    static constexpr const char* kConnectionLost = "Error: Connection with host was lost.";
    static constexpr const char* kLogonRefused = "Invalid username or password. ";
    static constexpr const char* kNoStartTls =
        "The server does not offer STARTTLS, so the password was not sent.";
    static constexpr const char* kStartTlsRefused =
        "The server refused STARTTLS, so the password was not sent.";
    static constexpr const char* kLoginDisabled =
        "The server takes no password without encryption.";
    static constexpr const char* kTokenRefused = "The server refused the sign-in.";
    static constexpr const char* kLineBreak =
        "Error: The user name or password holds a line break.";

    /// The first SASL response of XOAUTH2 or OAUTHBEARER.
    static QByteArray tokenResponse(const QByteArray& mechanism, const QString& userName,
                                    const QString& host, int port, const QString& token);

private:
    struct Secret;
    bool logIn(const Secret& secret, const Progress& progress, QString* failure);
    bool verifyTls(QString* failure);

    MailProtocols& m_protocols;
    const ServerAddress m_address;
    const QString m_userName;
    const ImapSettings m_settings;
    CertificateTrust* const m_trust;
    ImapCancel m_cancel;
    std::unique_ptr<ImapLink> m_link;
    std::unique_ptr<ImapSession> m_session;
    bool m_loggedIn = false;
};

} // namespace orvane
