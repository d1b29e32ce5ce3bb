// Signing in with a provider, end to end: the browser sign-in against a
// local authorization server, the refresh token in the keyring, and IMAP
// checks and push against a real Dovecot that asks that server whose each
// access token is.
#include "oauth/OAuthSignIn.h"

#include "BrowsingUrlOpener.h"
#include "CheckerEventLog.h"
#include "DovecotServer.h"
#include "FakeSecretStore.h"
#include "TestAuthorizationServer.h"
#include "TestHost.h"
#include "TestMailPlugin.h"
#include "VirtualClock.h"
#include "checkers/IMAP.h"
#include "checkers/ImapConnection.h"
#include "checkers/ImapPush.h"
#include "checkers/POP3.h"
#include "core/server.h"
#include "oauth/OAuthTokens.h"

#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

using namespace orvane;
using namespace std::chrono_literals;

class OAuthSignInTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void signInCheckRenewExpire_data();
    void signInCheckRenewExpire();
    void answerWithAnotherStateRefused();
    void pushWaitsWithToken();

private:
    struct SignedIn
    {
        OAuthGrant grant;
        QString failure;
    };
    SignedIn signIn(const OAuthProvider& provider);
    QStringList check(const QString& address);
    QString xoauth2Address() const
    {
        return QStringLiteral("imap://localhost:%1").arg(m_dovecot.imapPort());
    }

    test::TestAuthorizationServer m_authority{QStringLiteral("alice")};
    DovecotServer m_dovecot;
    test::VirtualClock m_clock;
    test::FakeSecretStore m_keyring;
    test::BrowsingUrlOpener m_browser;
    std::unique_ptr<OAuthTokens> m_tokens;
    QThreadPool m_pool;
};

void OAuthSignInTest::initTestCase()
{
    QVERIFY(m_authority.listen());
    DovecotServer::Options options;
    options.messages = 7;
    options.imap = true;
    options.tls = true;
    options.introspection = m_authority.url(QStringLiteral("/introspect"));
    ORVANE_START_DOVECOT(m_dovecot, options);
    OAuthProviders providers;
    providers.read(m_authority.providerGroup(QStringLiteral("Local"), QStringLiteral("localhost")) +
                   m_authority.providerGroup(QStringLiteral("Bearer"), QStringLiteral("127.0.0.1"),
                                             QStringLiteral("OAUTHBEARER")));
    QCOMPARE(providers.all().size(), 2);
    m_tokens = std::make_unique<OAuthTokens>(providers, m_keyring, m_clock, QStringLiteral("test"));
}

OAuthSignInTest::SignedIn OAuthSignInTest::signIn(const OAuthProvider& provider)
{
    OAuthSignIn flow(provider, m_browser, m_clock);
    SignedIn result;
    bool ended = false;
    connect(&flow, &OAuthSignIn::signedIn, this, [&](const OAuthGrant& grant) {
        result.grant = grant;
        ended = true;
    });
    connect(&flow, &OAuthSignIn::failed, this, [&](const QString& failure) {
        result.failure = failure;
        ended = true;
    });
    flow.start(QStringLiteral("alice"));
    QDeadlineTimer deadline(10000);
    while (!ended && !deadline.hasExpired())
        QTest::qWait(10);
    if (!ended)
        result.failure = QStringLiteral("the sign-in never ended");
    return result;
}

// One check through the event loop, as the notifier runs it.
QStringList OAuthSignInTest::check(const QString& address)
{
    std::unique_ptr<MailChecker> checker;
    if (!address.startsWith(QLatin1String("imap")))
        checker = std::make_unique<POP3>(POP3::Variant::Standard, m_dovecot.caCertificates(),
                                         nullptr, nullptr, m_tokens.get());
    else
        checker = std::make_unique<IMAP>(m_pool, test::mailPlugin(),
                                         ImapSettings{m_dovecot.caCertificatesPem(), 20s}, nullptr,
                                         m_tokens.get());
    test::CheckerEventLog raised(*checker);
    checker->CheckForMail(address, QStringLiteral("alice"), server::ProviderSignIn(), false);
    QDeadlineTimer deadline(30000);
    while (!raised.ended() && !deadline.hasExpired())
        QTest::qWait(10);
    return raised.events;
}

void OAuthSignInTest::signInCheckRenewExpire_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("address");
    QTest::newRow("XOAUTH2 over STARTTLS") << QStringLiteral("localhost") << xoauth2Address();
    QTest::newRow("OAUTHBEARER in clear")
        << QStringLiteral("127.0.0.1")
        << QStringLiteral("imap+plain://127.0.0.1:%1").arg(m_dovecot.imapPort());
    QTest::newRow("POP3 XOAUTH2 after STLS")
        << QStringLiteral("localhost")
        << QStringLiteral("pop3://localhost:%1").arg(m_dovecot.pop3Port());
    QTest::newRow("POP3 OAUTHBEARER in clear")
        << QStringLiteral("127.0.0.1") << QStringLiteral("127.0.0.1:%1").arg(m_dovecot.pop3Port());
}

void OAuthSignInTest::signInCheckRenewExpire()
{
    QFETCH(QString, host);
    QFETCH(QString, address);
    const OAuthProvider& provider = *m_tokens->providerFor(host);
    const SignedIn signedIn = signIn(provider);
    QVERIFY2(signedIn.failure.isEmpty(), qPrintable(signedIn.failure));
    // PKCE with S256, a state, the answer to the loopback address.
    const QUrlQuery asked = m_authority.lastAuthorization();
    QCOMPARE(asked.queryItemValue(QStringLiteral("code_challenge_method")), QStringLiteral("S256"));
    QVERIFY(!asked.queryItemValue(QStringLiteral("state")).isEmpty());
    QVERIFY(asked.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded)
                .startsWith(QLatin1String("http://127.0.0.1:")));
    QVERIFY2(m_browser.page.contains(QLatin1String("return to Orvane")),
             qPrintable(m_browser.page));

    bool kept = false;
    m_tokens->keep(host, QStringLiteral("alice"), signedIn.grant, this,
                   [&](const QString& failure) {
                       QVERIFY2(failure.isEmpty(), qPrintable(failure));
                       kept = true;
                   });
    QTRY_VERIFY(kept);
    const auto item = m_keyring.items.value(
        test::FakeSecretStore::flat(m_tokens->keyFor(provider, QStringLiteral("alice"))));
    QCOMPARE(item.secret, signedIn.grant.refreshToken);

    // The token of the sign-in itself.
    const int refreshes = m_authority.refreshGrants;
    QCOMPARE(check(address).constLast(), QStringLiteral("count 7"));
    QCOMPARE(m_authority.refreshGrants, refreshes);

    // Refused by the server: renewed once, and the check goes on.
    m_authority.expireAccessTokens();
    QCOMPARE(check(address).constLast(), QStringLiteral("count 7"));
    QCOMPARE(m_authority.refreshGrants, refreshes + 1);

    // Close to its end: renewed before it is used.
    m_clock.advanceSeconds(3600 - OAuthTokens::RenewAheadSeconds + 1);
    QCOMPARE(check(address).constLast(), QStringLiteral("count 7"));
    QCOMPARE(m_authority.refreshGrants, refreshes + 2);

    // The grant revoked: the account says to sign in again.
    m_authority.revokeRefreshTokens();
    m_authority.expireAccessTokens();
    QCOMPARE(check(address).constLast(),
             QStringLiteral("error ") + QString::fromLatin1(OAuthTokens::kExpired));
}

void OAuthSignInTest::answerWithAnotherStateRefused()
{
    const OAuthProvider& provider = *m_tokens->providerFor(QStringLiteral("localhost"));
    m_authority.forgeState = true;
    const int granted = m_authority.codeGrants;
    const qsizetype items = m_keyring.items.size();
    const SignedIn signedIn = signIn(provider);
    m_authority.forgeState = false;
    QCOMPARE(signedIn.failure, QString::fromLatin1(OAuthSignIn::kWrongState));
    QVERIFY(signedIn.grant.refreshToken.isEmpty());
    QCOMPARE(m_authority.codeGrants, granted);
    QCOMPARE(m_keyring.items.size(), items);
}

void OAuthSignInTest::pushWaitsWithToken()
{
    const SignedIn signedIn = signIn(*m_tokens->providerFor(QStringLiteral("localhost")));
    QVERIFY2(signedIn.failure.isEmpty(), qPrintable(signedIn.failure));
    bool kept = false;
    m_tokens->keep(QStringLiteral("localhost"), QStringLiteral("alice"), signedIn.grant, this,
                   [&](const QString&) { kept = true; });
    QTRY_VERIFY(kept);
    m_authority.expireAccessTokens();

    test::TestHost host;
    ImapPush push(host.virtualClock, test::mailPlugin,
                  ImapSettings{m_dovecot.caCertificatesPem(), 10s}, nullptr, m_tokens.get());
    QSignalSpy idle(&push, &ImapPush::idleStarted);
    QSignalSpy lost(&push, &ImapPush::connectionLost);
    server account(host);
    account.CreateServer(QStringLiteral("Token"), xoauth2Address(), 60, 32000,
                         QStringLiteral("alice"), server::ProviderSignIn(), false, 0, false, {},
                         false);
    push.accountChanged(account, host);
    // The expired token is refused; the next try renews it and waits.
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 10000);
    QCOMPARE(lost.constFirst().at(1).toString(),
             QString::fromLatin1(ImapConnection::kTokenRefused));
    host.virtualClock.advance(ImapPush::FirstRetryMs);
    QTRY_COMPARE_WITH_TIMEOUT(idle.count(), 1, 10000);
    QVERIFY(m_dovecot.deliverMessage());
    QTRY_COMPARE_WITH_TIMEOUT(host.checkRequests, 1, 5000);
}

QTEST_GUILESS_MAIN(OAuthSignInTest)
#include "OAuthSignInTest.moc"
