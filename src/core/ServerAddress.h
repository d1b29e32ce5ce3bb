#pragma once

#include <QString>

namespace orvane {

/// The mail server an account's address line names, for the kinds that name
/// their protocol in it: `imaps://`, `imap://`, `imap+plain://`, `pop3s://`
/// and `pop3://`. Any other line (a plain host, a host and port, a web-mail
/// or messaging-profile address) is `Protocol::Other` and keeps its meaning.
struct ServerAddress
{
    enum class Protocol
    {
        Other,
        Imap,
        Pop3
    };
    enum class Security
    {
        /// TLS from the first byte.
        Tls,
        /// Plain until STARTTLS (IMAP) or STLS (POP3), which must succeed.
        StartTls,
        /// Never encrypted: only when the user chose it.
        None
    };

    Protocol protocol = Protocol::Other;
    Security security = Security::None;
    QString host;
    int port = 0;
    /// The IMAP folder, decoded; INBOX when the line names none.
    QString folder;
    /// False for a line that names a protocol but cannot be used as written.
    bool valid = false;

    static ServerAddress parse(const QString& line);
    /// The address of a host with an optional port ("host", "host:port",
    /// "[v6]:port") for that protocol and security, with `folder` for IMAP;
    /// not valid when the parts cannot be written as one line.
    static ServerAddress compose(Protocol protocol, Security security, const QString& hostAndPort,
                                 const QString& folder = {});
    /// The address line; the port and the folder only where they differ from
    /// the defaults. Empty for `Protocol::Other` or an address not valid.
    QString toString() const;
    /// True when `line` starts with one of the schemes above, whether or not
    /// the rest can be used.
    static bool namesProtocol(const QString& line);
    static int defaultPort(Protocol protocol, Security security);
    /// "host:port", with brackets round an IPv6 address.
    QString hostAndPort() const;
    /// The host, with the port only when it is not the default: what a user types.
    QString hostAndPortAsTyped() const;
};

} // namespace orvane
