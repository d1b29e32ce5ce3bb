#pragma once

#include "core/MailChecker.h"
#include "core/ServerAddress.h"

#include <QAbstractSocket>
#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <optional>

class QTcpSocket;

namespace orvane {

class CertificateTrust;
class OAuthTokens;

/// Counts the messages of a POP3 maildrop: USER, PASS, STAT, then the
/// connection is closed (no QUIT) and the count is reported through
/// MailFound. One object serves one check at a time; every failure ends up
/// in error().
///
/// A plain "host[:port]" speaks in clear, except on port 995, which is TLS
/// from the start with the peer's certificate verified. "pop3s://" is TLS
/// from the start, "pop3://" insists on STLS before the user name leaves;
/// for both, a certificate that does not verify is accepted only when the
/// user trusted exactly that one for the account. A plain socket is used
/// unless TLS is needed, so such accounts never load the TLS library.
class POP3 : public MailChecker
{
    Q_OBJECT
public:
    /// Quorvel's client reads "host[:port]" and joins replies that arrive in
    /// pieces. Kestrano's own copy always dials port 110 with the server text
    /// taken whole, and treats every arrival of data as one complete reply.
    enum class Variant
    {
        Standard,
        WebMailServer
    };

    enum State : qint32
    {
        Idle = 0,
        Connecting = 1,
        AwaitingGreeting = 2,
        UserSent = 3,
        PassSent = 4,
        StatSent = 5,
        Done = 6,
        /// "pop3://": CAPA sent, looking for STLS in the list.
        CapaSent = 7,
        StlsSent = 8,
        /// STLS accepted; the handshake must verify before USER goes out.
        Securing = 9,
        /// AUTH with the provider's access token sent.
        AuthSent = 10,
    };
    Q_ENUM(State)

    /// Replies longer than this without a line end are not a POP3 server
    /// talking; the check is given up rather than buffering without bound.
    static constexpr qsizetype MaxPendingText = 64 * 1024;

    explicit POP3(QObject* parent = nullptr);
    /// `extraCaCertificates` are trusted for TLS in addition to the system's
    /// authorities (a private or test CA), never instead of verification.
    /// `trust` (may be null) holds the certificates the user accepted per
    /// account for "pop3s://" and "pop3://" addresses. `tokens` signs in
    /// the accounts that sign in with their provider (AUTH in its SASL
    /// mechanism instead of USER and PASS); a refused token is renewed once.
    explicit POP3(Variant variant, const QList<QSslCertificate>& extraCaCertificates = {},
                  QObject* parent = nullptr, CertificateTrust* trust = nullptr,
                  OAuthTokens* tokens = nullptr);
    ~POP3() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

    bool IsChecking() const;

    /// The message count of a STAT reply ("+OK n m"); none when the reply
    /// carries no count to trust.
    static std::optional<qint32> StatCount(const QString& reply);
    /// Whether a whole CAPA answer, up to its closing ".", offers STLS.
    static bool OffersStls(const QString& capaList);
    State GetState() const { return m_state; }

private:
    void BeginCheck();
    void NextStep();
    bool ReplyIsPositive() const;
    void CloseWithError(const QString& message);

    void connectStep();
    void greetingStep();
    void capabilityStep();
    void stlsReplyStep();
    void sendUser();
    void askForToken(bool renew);
    void authReplyStep();
    void statReplyStep();
    void useSocket(bool tls);
    void sendLine(const QString& line);
    void closeSocket();

    void socketDataArrived();
    void socketErrorOccurred(QAbstractSocket::SocketError socketError);
    void socketClosedByPeer();
    void socketEncrypted();
    void certificateErrors(const QList<QSslError>& errors);

    const Variant m_variant;
    const QList<QSslCertificate> m_extraCaCertificates;
    CertificateTrust* const m_trust;
    OAuthTokens* const m_tokens;
    /// The access token and its mechanism, for an account that signs in
    /// with its provider.
    QString m_token;
    QByteArray m_mechanism;
    bool m_tokenRenewed = false;
    /// A QSslSocket only when the check needs TLS.
    QTcpSocket* m_socket = nullptr;
    /// The address when it names its protocol; `Protocol::Other` for a plain host.
    ServerAddress m_address;
    /// Why the last handshake's certificate was refused, for the user.
    QString m_refusal;
    /// CAPA's answer so far.
    QString m_listText;

    QString m_server;
    /// Where the connection goes, as taken from `m_server`.
    QString m_host;
    int m_port = 0;
    QString m_userName;
    QString m_password;
    State m_state = Idle;
    QString m_replyText;
    QString m_pendingText;
    // Set while the connection is being ended from this side, so that only a
    // close by the server reads as "Connection closed.".
    bool m_closingOurselves = false;
};

} // namespace orvane
