#include "ImapConnection.h"

#include "MailProtocols.h"
#include "core/CertificateTrust.h"

namespace orvane {

namespace {

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace

ImapConnection::ImapConnection(MailProtocols& protocols, ServerAddress address, QString userName,
                               ImapSettings settings, CertificateTrust* trust)
    : m_protocols(protocols), m_address(std::move(address)), m_userName(std::move(userName)),
      m_settings(std::move(settings)), m_trust(trust)
{}

ImapConnection::~ImapConnection()
{
    m_cancel.forgetSocket();
}

void ImapConnection::extendDeadline(std::chrono::milliseconds from)
{
    if (m_link)
        m_link->setDeadline(ImapLink::Clock::now() + from);
}

bool ImapConnection::verifyTls(QString* failure)
{
    ImapLink::Verdict verdict;
    if (m_link->startTls(m_address.host, m_settings.extraCaPem, &verdict))
        return true;
    if (!verdict.handshaken) {
        *failure = QStringLiteral("Error: The TLS handshake with the server failed.");
        return false;
    }
    const QString key = CertificateTrust::keyFor(m_address, m_userName);
    // A certificate the user trusted for this account, and only that one.
    if (m_trust && !verdict.sha256.isEmpty() && m_trust->trusted(key) == verdict.sha256)
        return true;
    if (m_trust)
        m_trust->noteRefused(key, {verdict.sha256, verdict.reason});
    *failure =
        QStringLiteral("The server's certificate is not trusted (%1). SHA-256 fingerprint: %2")
            .arg(verdict.reason, CertificateTrust::fingerprintText(verdict.sha256));
    return false;
}

struct ImapConnection::Secret
{
    QString text;
    /// Empty for a password (LOGIN).
    QByteArray mechanism;
};

bool ImapConnection::open(const QString& password, const Progress& progress, QString* failure)
{
    return logIn({password, {}}, progress, failure);
}

bool ImapConnection::openWithToken(const QString& token, const QByteArray& mechanism,
                                   const Progress& progress, QString* failure)
{
    return logIn({token, mechanism}, progress, failure);
}

QByteArray ImapConnection::tokenResponse(const QByteArray& mechanism, const QString& userName,
                                         const QString& host, int port, const QString& token)
{
    const QByteArray bearer = "auth=Bearer " + token.toUtf8() + "\x01\x01";
    if (mechanism == "OAUTHBEARER") {
        // The GS2 header names the user, with its ',' and '=' escaped.
        QByteArray user = userName.toUtf8();
        user.replace("=", "=3D").replace(",", "=2C");
        return "n,a=" + user + ",\x01host=" + host.toUtf8() +
               "\x01port=" + QByteArray::number(port) + '\x01' + bearer;
    }
    return "user=" + userName.toUtf8() + '\x01' + bearer;
}

bool ImapConnection::logIn(const Secret& secret, const Progress& progress, QString* failure)
{
    const QString& password = secret.text;
    // A line break would end the command early and let the rest of the text
    // be read as further commands; in a token's response it would forge its
    // fields.
    if (holdsLineBreak(m_userName) || holdsLineBreak(password) ||
        (!secret.mechanism.isEmpty() &&
         (m_userName.contains(QChar(1)) || password.contains(QChar(1))))) {
        *failure = QString::fromLatin1(kLineBreak);
        return false;
    }
    const auto deadline = ImapLink::Clock::now() + m_settings.timeLimit;
    progress(QStringLiteral("Connecting to ") + m_address.hostAndPort());
    const int fd = m_cancel.connect(m_address.host, quint16(m_address.port), deadline);
    if (fd < 0) {
        *failure = QStringLiteral("Could not connect to server \"") + m_address.hostAndPort() +
                   QLatin1Char('"');
        return false;
    }
    m_link = m_protocols.link(fd, m_cancel.wakeUp(), deadline);
    m_session = std::make_unique<ImapSession>(*m_link);
    const auto lost = [&] {
        *failure = QString::fromLatin1(kConnectionLost);
        return false;
    };

    // The certificate is checked before a byte of the greeting is read.
    if (m_address.security == ServerAddress::Security::Tls && !verifyTls(failure))
        return false;
    bool preauth = false;
    if (!m_session->greeting(&preauth)) {
        *failure = QStringLiteral("Could not connect to server.");
        return false;
    }
    if (m_address.security == ServerAddress::Security::StartTls) {
        // Logged in already means in clear for good: as good as stripped.
        if (preauth || !m_session->hasCapability("STARTTLS")) {
            *failure = QString::fromLatin1(m_link->broken() ? kConnectionLost : kNoStartTls);
            return false;
        }
        const ImapSession::Reply started = m_session->command("STARTTLS");
        if (started.status == ImapSession::Reply::Status::Gone)
            return lost();
        // Bytes that came with the go-ahead were sent before the handshake by
        // somebody on the path, not by the server we are about to verify.
        if (!started.ok() || m_session->holdsBuffered()) {
            *failure = QString::fromLatin1(kStartTlsRefused);
            return false;
        }
        if (!verifyTls(failure))
            return false;
        // What the server said before the handshake no longer counts.
        m_session->forgetCapabilities();
    }
    if (!preauth) {
        // A server that forbids LOGIN in clear never gets the password so.
        if (m_address.security == ServerAddress::Security::None &&
            m_session->hasCapability("LOGINDISABLED")) {
            *failure = QString::fromLatin1(kLoginDisabled);
            return false;
        }
        if (m_link->broken())
            return lost();
        if (!secret.mechanism.isEmpty()) {
            progress(QStringLiteral("Signing in..."));
            // An empty response after a challenge ends the exchange (for
            // OAUTHBEARER the single ^A it asks for).
            const ImapSession::Reply signedIn = m_session->authenticate(
                secret.mechanism,
                tokenResponse(secret.mechanism, m_userName, m_address.host, m_address.port,
                              password),
                secret.mechanism == "OAUTHBEARER" ? QByteArray("AQ==") : QByteArray());
            if (signedIn.status == ImapSession::Reply::Status::Gone)
                return lost();
            if (!signedIn.ok()) {
                *failure = QString::fromLatin1(kTokenRefused);
                return false;
            }
            m_loggedIn = true;
            return true;
        }
        progress(QStringLiteral("Sending username and password..."));
        QByteArrayList literals;
        const QByteArray user = ImapSession::astring(m_userName.toUtf8(), &literals);
        const QByteArray secret = ImapSession::astring(password.toUtf8(), &literals);
        const ImapSession::Reply login =
            m_session->command("LOGIN " + user + ' ' + secret, literals);
        if (login.status == ImapSession::Reply::Status::Gone)
            return lost();
        if (!login.ok()) {
            *failure = QString::fromLatin1(kLogonRefused);
            return false;
        }
    }
    m_loggedIn = true;
    return true;
}

void ImapConnection::close()
{
    if (m_loggedIn && m_link && !m_link->broken() && !m_cancel.cancelled()) {
        // Goodbye is a courtesy: it gets a moment, not the session's time.
        extendDeadline(std::chrono::seconds(2));
        m_session->command("LOGOUT");
    }
    m_loggedIn = false;
    m_cancel.forgetSocket();
    m_session.reset();
    m_link.reset();
}

} // namespace orvane
