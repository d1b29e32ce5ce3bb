#include "checkers/POP3.h"

#include "ImapConnection.h"
#include "core/CertificateTrust.h"
#include "core/server.h"
#include "oauth/OAuthTokens.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslSocket>
#include <algorithm>
#include <exception>
#include <utility>

namespace orvane {

namespace {

constexpr quint16 DefaultPort = 110;
constexpr quint16 ImplicitTlsPort = 995;

const QString LineEnd = QStringLiteral("\r\n");
const QString MultiLineEnd = QStringLiteral("\r\n.\r\n");

} // namespace

POP3::POP3(QObject* parent) : POP3(Variant::Standard, {}, parent) {}

POP3::POP3(Variant variant, const QList<QSslCertificate>& extraCaCertificates, QObject* parent,
           CertificateTrust* trust, OAuthTokens* tokens)
    : MailChecker(parent), m_variant(variant), m_extraCaCertificates(extraCaCertificates),
      m_trust(trust), m_tokens(tokens)
{}

POP3::~POP3()
{
    // The socket is a child and outlives this part of the object; its own
    // teardown must not call back into a half-destroyed checker.
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_closingOurselves = true;
    m_socket->abort();
}

void POP3::useSocket(bool tls)
{
    m_closingOurselves = true;
    if (m_socket && (!tls || qobject_cast<QSslSocket*>(m_socket))) {
        m_socket->abort();
        m_closingOurselves = false;
        return;
    }
    if (m_socket) {
        // We may be inside one of its signals: it goes once they are done.
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
    }
    m_closingOurselves = false;
    // Only a socket that may need TLS is a QSslSocket: making one loads the
    // TLS library, which a plain account never needs.
    QSslSocket* ssl = tls ? new QSslSocket(this) : nullptr;
    m_socket = ssl ? ssl : new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &POP3::socketDataArrived);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &POP3::socketErrorOccurred);
    connect(m_socket, &QTcpSocket::disconnected, this, &POP3::socketClosedByPeer);
    // A connection that died without a word (a router that forgot it) is
    // noticed rather than waited on until the time-out.
    connect(m_socket, &QTcpSocket::connected, this,
            [this] { m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1); });
    if (ssl) {
        connect(ssl, &QSslSocket::encrypted, this, &POP3::socketEncrypted);
        connect(ssl, &QSslSocket::sslErrors, this, &POP3::certificateErrors);
    }
}

void POP3::CheckForMail(const QString& address, const QString& userName, const QString& password,
                        bool DebugOn)
{
    Q_UNUSED(DebugOn)
    if (IsChecking()) {
        Q_EMIT error(QStringLiteral("Already checking for mail..."));
        return;
    }
    // A line break would end the command early and let the rest of the text
    // be read as further commands.
    const auto hasLineBreak = [](const QString& text) {
        return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    };
    m_token.clear();
    m_mechanism.clear();
    m_tokenRenewed = false;
    if (password == server::ProviderSignIn() && m_variant == Variant::Standard &&
        !hasLineBreak(userName)) {
        m_server = address;
        m_userName = userName;
        m_password.clear();
        askForToken(false);
        return;
    }
    if (hasLineBreak(userName) || hasLineBreak(password)) {
        Q_EMIT error(QStringLiteral("Error: The user name or password holds a line break."));
        return;
    }
    m_server = address;
    m_userName = userName;
    m_password = password;
    BeginCheck();
}

bool POP3::IsChecking() const
{
    return m_state != Idle && m_state != Done;
}

void POP3::BeginCheck()
{
    m_state = Connecting;
    try {
        NextStep();
    } catch (const std::exception& fault) {
        Q_EMIT error(QStringLiteral("Error: Could not initialize connection.  ") +
                     QString::fromLocal8Bit(fault.what()));
    }
}

void POP3::NextStep()
{
    switch (m_state) {
    case Connecting:
        connectStep();
        break;
    case AwaitingGreeting:
        greetingStep();
        break;
    case CapaSent:
        capabilityStep();
        break;
    case StlsSent:
        stlsReplyStep();
        break;
    case UserSent:
        if (!ReplyIsPositive()) {
            CloseWithError(QStringLiteral("Invalid username."));
            return;
        }
        m_state = PassSent;
        sendLine(QStringLiteral("PASS ") + m_password);
        break;
    case PassSent:
        if (!ReplyIsPositive()) {
            CloseWithError(QStringLiteral("Invalid username or password. "));
            return;
        }
        m_state = StatSent;
        Q_EMIT UpdateStatus(QStringLiteral("Retrieving message count..."));
        sendLine(QStringLiteral("STAT"));
        break;
    case AuthSent:
        authReplyStep();
        break;
    case StatSent:
        statReplyStep();
        break;
    case Idle:
    case Done:
    case Securing:
        break;
    }
}

void POP3::greetingStep()
{
    if (!ReplyIsPositive()) {
        CloseWithError(QStringLiteral("Could not connect to server."));
        return;
    }
    if (m_address.protocol == ServerAddress::Protocol::Pop3 &&
        m_address.security == ServerAddress::Security::StartTls) {
        m_state = CapaSent;
        m_listText.clear();
        sendLine(QStringLiteral("CAPA"));
        return;
    }
    sendUser();
}

void POP3::capabilityStep()
{
    // The list may come in several pieces, each ending a line.
    m_listText += m_replyText;
    if (m_listText.size() > MaxPendingText) {
        CloseWithError(QStringLiteral("Error: Connection with host was lost."));
        return;
    }
    if (m_listText.startsWith(QLatin1Char('+')) && !m_listText.endsWith(MultiLineEnd))
        return;
    const bool offered = OffersStls(m_listText);
    m_listText.clear();
    if (!offered) {
        CloseWithError(
            QStringLiteral("The server does not offer STLS: the password was not sent."));
        return;
    }
    m_state = StlsSent;
    sendLine(QStringLiteral("STLS"));
}

void POP3::stlsReplyStep()
{
    if (!ReplyIsPositive()) {
        CloseWithError(QStringLiteral("The server refused STLS: the password was not sent."));
        return;
    }
    // Anything after the answer came in clear and would be read as if it
    // came through TLS.
    if (m_replyText.indexOf(LineEnd) != m_replyText.size() - LineEnd.size()) {
        CloseWithError(QStringLiteral("Error: Connection with host was lost."));
        return;
    }
    m_state = Securing;
    m_replyText.clear();
    qobject_cast<QSslSocket*>(m_socket)->startClientEncryption();
}

void POP3::socketEncrypted()
{
    // With "pop3s://" and port 995 the greeting is still to come.
    if (m_state != Securing)
        return;
    m_replyText.clear();
    m_pendingText.clear();
    sendUser();
}

void POP3::sendUser()
{
    if (!m_mechanism.isEmpty()) {
        m_state = AuthSent;
        Q_EMIT UpdateStatus(QStringLiteral("Signing in..."));
        sendLine(QStringLiteral("AUTH ") + QString::fromLatin1(m_mechanism) + QLatin1Char(' ') +
                 QString::fromLatin1(
                     ImapConnection::tokenResponse(m_mechanism, m_userName, m_host, m_port, m_token)
                         .toBase64()));
        return;
    }
    m_state = UserSent;
    Q_EMIT UpdateStatus(QStringLiteral("Sending username and password..."));
    sendLine(QStringLiteral("USER ") + m_userName);
}

void POP3::certificateErrors(const QList<QSslError>& errors)
{
    // A plain "host:995" keeps refusing what does not verify, as it always did.
    if (m_address.protocol != ServerAddress::Protocol::Pop3)
        return;
    auto* ssl = qobject_cast<QSslSocket*>(m_socket);
    const QSslCertificate leaf = ssl->peerCertificate();
    const QByteArray digest =
        leaf.isNull() ? QByteArray() : leaf.digest(QCryptographicHash::Sha256);
    const QString key = CertificateTrust::keyFor(m_address, m_userName);
    if (!digest.isEmpty() && m_trust && m_trust->trusted(key) == digest) {
        ssl->ignoreSslErrors();
        return;
    }
    QStringList reasons;
    for (const QSslError& failure : errors) {
        if (!reasons.contains(failure.errorString()))
            reasons << failure.errorString();
    }
    const QString reason = reasons.join(QStringLiteral("; "));
    if (m_trust && !digest.isEmpty())
        m_trust->noteRefused(key, {digest, reason});
    // The handshake fails once this returns; its error ends the check with this text.
    m_refusal = QStringLiteral("The server's certificate is not trusted (") + reason +
                QStringLiteral("). SHA-256 fingerprint: ") +
                CertificateTrust::fingerprintText(digest);
}

bool POP3::ReplyIsPositive() const
{
    return m_replyText.startsWith(QLatin1Char('+'));
}

void POP3::CloseWithError(const QString& message)
{
    m_state = Done;
    closeSocket();
    if (!message.isEmpty())
        Q_EMIT error(message);
}

namespace {

struct HostAndPort
{
    QString host;
    int port = DefaultPort;
    bool ok = true;
};

// "host", "host:port", "[v6 address]", "[v6 address]:port" or a bare IPv6
// address, whose colons are not a port separator.
HostAndPort splitServerText(const QString& text)
{
    HostAndPort out{text};
    QString portText;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return {text, DefaultPort, false};
        out.host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (rest.isEmpty())
            return out;
        if (!rest.startsWith(QLatin1Char(':')))
            return {text, DefaultPort, false};
        portText = rest.mid(1);
    } else if (QHostAddress(text).protocol() == QAbstractSocket::IPv6Protocol) {
        return out;
    } else {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (colon < 0)
            return out;
        out.host = text.left(colon);
        portText = text.mid(colon + 1);
    }
    out.port = portText.toInt(&out.ok);
    out.ok = out.ok && out.port >= 1 && out.port <= 65535;
    return out;
}

} // namespace

void POP3::connectStep()
{
    HostAndPort target{m_server};
    m_address = ServerAddress{};
    bool tlsFirst = false;
    if (m_variant == Variant::Standard && ServerAddress::namesProtocol(m_server)) {
        m_address = ServerAddress::parse(m_server);
        if (m_address.protocol != ServerAddress::Protocol::Pop3)
            m_address.valid = false;
        target = {m_address.host, m_address.port, m_address.valid};
        tlsFirst = m_address.security == ServerAddress::Security::Tls;
    } else if (m_variant == Variant::Standard) {
        target = splitServerText(m_server);
        tlsFirst = target.port == ImplicitTlsPort;
    }
    if (!target.ok) {
        Q_EMIT error(QStringLiteral("Cannot connect to host.  Port may be busy."));
        return;
    }
    const QString host = target.host;
    const int port = target.port;
    m_host = host;
    m_port = port;
    const bool ipv6 = m_variant == Variant::Standard && host.contains(QLatin1Char(':'));
    Q_EMIT UpdateStatus(QStringLiteral("Connecting to ") +
                        (ipv6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
                        QLatin1Char(':') + QString::number(port));
    m_state = AwaitingGreeting;
    m_replyText.clear();
    m_pendingText.clear();
    m_refusal.clear();

    // "pop3://" starts in clear on the same socket that later does STLS.
    useSocket(tlsFirst || m_address.protocol == ServerAddress::Protocol::Pop3);
    if (auto* ssl = qobject_cast<QSslSocket*>(m_socket)) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
        if (!m_extraCaCertificates.isEmpty())
            tls.addCaCertificates(m_extraCaCertificates);
        ssl->setSslConfiguration(tls);
    }
    if (tlsFirst)
        qobject_cast<QSslSocket*>(m_socket)->connectToHostEncrypted(host, quint16(port));
    else
        m_socket->connectToHost(host, quint16(port));
}

void POP3::askForToken(bool renew)
{
    // Counted as checking while the token comes.
    m_state = Connecting;
    if (!m_tokens) {
        m_state = Done;
        Q_EMIT error(QString::fromLatin1(OAuthTokens::kNoProvider));
        return;
    }
    const QString host = ServerAddress::namesProtocol(m_server)
                             ? ServerAddress::parse(m_server).host
                             : splitServerText(m_server).host;
    m_tokens->access(host, m_userName, renew, this, [this](const OAuthTokens::Access& access) {
        if (m_state != Connecting)
            return;
        if (!access.ok() || access.token.contains(QLatin1Char('\n')) ||
            access.token.contains(QLatin1Char('\r'))) {
            m_state = Done;
            Q_EMIT error(access.ok() ? QString::fromLatin1(ImapConnection::kTokenRefused)
                                     : access.failure);
            return;
        }
        m_token = access.token;
        m_mechanism = access.mechanism;
        BeginCheck();
    });
}

void POP3::authReplyStep()
{
    if (m_replyText.startsWith(QLatin1String("+ "))) {
        // The server's reason, as a challenge: an empty answer (for
        // OAUTHBEARER the ^A it asks for) ends the exchange with its -ERR.
        sendLine(m_mechanism == "OAUTHBEARER" ? QStringLiteral("AQ==") : QString());
        return;
    }
    if (ReplyIsPositive()) {
        m_state = StatSent;
        Q_EMIT UpdateStatus(QStringLiteral("Retrieving message count..."));
        sendLine(QStringLiteral("STAT"));
        return;
    }
    if (!m_tokenRenewed) {
        // Renewed once, and the check starts over on a new connection.
        m_tokenRenewed = true;
        closeSocket();
        askForToken(true);
        return;
    }
    CloseWithError(QString::fromLatin1(ImapConnection::kTokenRefused));
}

void POP3::statReplyStep()
{
    m_state = Done;
    const std::optional<qint32> count = StatCount(m_replyText);
    if (!count) {
        CloseWithError(QStringLiteral("Error: Connection with host was lost."));
        return;
    }
    CloseWithError(QString());
    Q_EMIT MailFound(*count);
}

std::optional<qint32> POP3::StatCount(const QString& reply)
{
    // The count runs from the fifth character ("+OK n m") to the next blank;
    // a reply without that blank carries no count we can trust.
    const qsizetype blank = reply.indexOf(QLatin1Char(' '), 4);
    bool converted = false;
    qint32 count = 0;
    if (blank >= 0)
        count = reply.mid(4, blank - 4).toInt(&converted);
    if (!converted || count < 0)
        return std::nullopt;
    return count;
}

bool POP3::OffersStls(const QString& capaList)
{
    const QStringList lines = capaList.split(LineEnd);
    return capaList.startsWith(QLatin1Char('+')) &&
           std::any_of(lines.begin() + 1, lines.end(), [](const QString& line) {
               return line.section(QLatin1Char(' '), 0, 0)
                          .compare(QLatin1String("STLS"), Qt::CaseInsensitive) == 0;
           });
}

void POP3::sendLine(const QString& line)
{
    m_socket->write((line + LineEnd).toUtf8());
}

void POP3::closeSocket()
{
    m_closingOurselves = true;
    if (m_socket)
        m_socket->abort();
    m_pendingText.clear();
}

void POP3::socketDataArrived()
{
    const QString arrived = QString::fromLatin1(m_socket->readAll());
    if (m_variant == Variant::Standard) {
        // Joined in place: a server that sends its reply a byte at a time
        // must not cost a copy of all of it per byte.
        m_pendingText += arrived;
        if (m_pendingText.endsWith(LineEnd))
            m_replyText = std::exchange(m_pendingText, QString());
    } else {
        m_replyText = arrived;
    }

    if (!IsChecking()) {
        closeSocket();
        Q_EMIT error(QStringLiteral("Error: Recieved data when none was expected."));
        return;
    }
    if (m_pendingText.size() > MaxPendingText) {
        CloseWithError(QStringLiteral("Error: Connection with host was lost."));
        return;
    }
    if (m_pendingText.isEmpty())
        NextStep();
}

void POP3::socketErrorOccurred(QAbstractSocket::SocketError socketError)
{
    // A close by the server also reports RemoteHostClosedError; it is answered
    // once, by the disconnected() that follows it.
    if (m_closingOurselves || socketError == QAbstractSocket::RemoteHostClosedError)
        return;
    if (!m_refusal.isEmpty()) {
        CloseWithError(m_refusal);
    } else if (m_state == AwaitingGreeting) {
        CloseWithError(QStringLiteral("Could not connect to server \"") + m_server +
                       QLatin1Char('"'));
    } else {
        CloseWithError(QStringLiteral("Error: ") + m_socket->errorString());
    }
}

void POP3::socketClosedByPeer()
{
    if (m_closingOurselves)
        return;
    m_closingOurselves = true;
    Q_EMIT error(QStringLiteral("Connection closed."));
}

} // namespace orvane
