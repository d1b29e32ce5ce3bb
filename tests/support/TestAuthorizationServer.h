#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

class QTcpSocket;

namespace orvane::test {

/// An OAuth 2.0 authorization server on the loopback address for the
/// tests. /authorize approves at once and redirects to the client's
/// redirect address with a code; /token takes that code (checking the PKCE
/// verifier against the S256 challenge and the redirect address) and
/// refresh tokens; /introspect tells a mail server whose an access token
/// is (`{"active":true,"username":...}`). The controls make access tokens
/// expire and refresh tokens revoked, as a provider would.
class TestAuthorizationServer : public QObject
{
    Q_OBJECT
public:
    explicit TestAuthorizationServer(QString userName, QObject* parent = nullptr);

    bool listen();
    QUrl url(const QString& path) const;
    /// A provider group for oauth2.ini naming this server for `hosts`.
    QByteArray providerGroup(const QString& group, const QString& hosts,
                             const QString& mechanism = QStringLiteral("XOAUTH2")) const;

    /// Every access token given so far stops working.
    void expireAccessTokens() { m_access.clear(); }
    /// Every refresh token given so far is refused from now on.
    void revokeRefreshTokens() { m_refresh.clear(); }
    /// Authorizations redirect with another state than asked for.
    bool forgeState = false;
    /// Authorizations redirect with the error "access_denied" (the user said no).
    bool deny = false;
    /// Lifetime of the access tokens given from now on.
    int accessSeconds = 3600;

    int codeGrants = 0;
    int refreshGrants = 0;
    int refusedGrants = 0;
    int introspections = 0;
    /// What the last authorization asked for.
    QUrlQuery lastAuthorization() const;

    static constexpr const char* kClientId = "orvane-test";

private:
    struct Code
    {
        QString challenge;
        QString redirect;
    };
    void serve(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& method, const QUrl& target,
                const QByteArray& body);
    QByteArray grant(const QUrlQuery& form, int* status);
    QString issue();

    QTcpServer m_server;
    const QString m_userName;
    QHash<QString, Code> m_codes;
    QSet<QString> m_access;
    QSet<QString> m_refresh;
    QString m_lastAuthorization;
    int m_serial = 0;
};

} // namespace orvane::test
