#include "OAuthSignIn.h"

#include "platform/Clock.h"
#include "platform/UrlOpener.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QRandomGenerator>

namespace orvane {

namespace {

QByteArray base64Url(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

// 32 random bytes: a verifier of 43 characters, as short as PKCE allows.
QByteArray makeVerifier()
{
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                          bytes.size() / 4);
    return base64Url(bytes);
}

} // namespace

OAuthSignIn::OAuthSignIn(OAuthProvider provider, UrlOpener& browser, Clock& clock, QObject* parent)
    : QObject(parent), m_provider(std::move(provider)), m_browser(browser), m_clock(clock)
{}

OAuthSignIn::~OAuthSignIn() = default;

QUrl OAuthSignIn::redirectUri() const
{
    return m_listener ? QUrl(m_listener->callback()) : QUrl();
}

void OAuthSignIn::start(const QString& userName)
{
    if (m_running)
        return;
    m_running = true;
    m_verifier = makeVerifier();
    m_network = new QNetworkAccessManager(this);
    m_network->setTransferTimeout(30000);
    m_flow = new QOAuth2AuthorizationCodeFlow(m_network, this);
    // Loopback only: nobody else on the network can hand us an answer.
    m_listener = new QOAuthHttpServerReplyHandler(QHostAddress::LocalHost, 0, this);
    m_listener->setCallbackText(QString::fromLatin1(kReturnPage));
    if (!m_listener->isListening()) {
        finish(QString::fromLatin1(kNoListener));
        return;
    }
    m_flow->setReplyHandler(m_listener);
    m_flow->setAuthorizationUrl(QUrl(m_provider.authorizationUrl));
    m_flow->setAccessTokenUrl(QUrl(m_provider.tokenUrl));
    m_flow->setClientIdentifier(m_provider.clientId);
    m_flow->setClientIdentifierSharedKey(m_provider.clientSecret);
    m_flow->setScope(m_provider.scopes.join(u' '));
    const QByteArray challenge =
        base64Url(QCryptographicHash::hash(m_verifier, QCryptographicHash::Sha256));
    // Qt's flow of this age knows no PKCE: the challenge goes with the
    // authorization, the verifier with the code.
    m_flow->setModifyParametersFunction([this, challenge,
                                         userName](QAbstractOAuth::Stage stage,
                                                   QMultiMap<QString, QVariant>* parameters) {
        if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
            parameters->replace(QStringLiteral("code_challenge"), QString::fromLatin1(challenge));
            parameters->replace(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
            if (!userName.isEmpty())
                parameters->replace(QStringLiteral("login_hint"), userName);
        } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
            parameters->replace(QStringLiteral("code_verifier"), QString::fromLatin1(m_verifier));
        }
    });
    // Made after the flow's own: the flow has taken a matching answer when
    // this runs.
    connect(m_listener, &QAbstractOAuthReplyHandler::callbackReceived, this,
            &OAuthSignIn::callbackReceived);
    connect(m_flow, &QAbstractOAuth::authorizeWithBrowser, this, [this](const QUrl& url) {
        if (!m_browser.open(url))
            finish(QString::fromLatin1(kNoBrowser));
    });
    connect(m_flow, &QAbstractOAuth::granted, this, [this] { finish({}); });
    connect(m_flow, &QAbstractOAuth2::error, this,
            [this](const QString& error, const QString& description, const QUrl&) {
                finish(QStringLiteral("The provider refused the sign-in: %1")
                           .arg(description.isEmpty() ? error : description));
            });
    // The flow of this age only logs a token reply that failed.
    connect(m_network, &QNetworkAccessManager::finished, this, [this](QNetworkReply* reply) {
        if (reply->error() != QNetworkReply::NoError && m_running)
            finish(
                QStringLiteral("The provider refused the sign-in: %1").arg(reply->errorString()));
    });
    m_wait = m_clock.createTimer();
    m_wait->setSingleShot(true);
    connect(m_wait.get(), &Timer::timeout, this,
            [this] { finish(QString::fromLatin1(kTimedOut)); });
    m_wait->start(WaitMs);
    m_flow->grant();
}

void OAuthSignIn::callbackReceived(const QVariantMap& values)
{
    // The listener stays up while the code is exchanged (the flow names its
    // address in that request), but the flow takes no second answer.
    if (!m_running)
        return;
    if (values.value(QStringLiteral("state")).toString() != m_flow->state()) {
        finish(QString::fromLatin1(kWrongState));
        return;
    }
    const QString error = values.value(QStringLiteral("error")).toString();
    if (!error.isEmpty())
        finish(QStringLiteral("The provider refused the sign-in: %1")
                   .arg(QUrl::fromPercentEncoding(error.toUtf8())));
}

void OAuthSignIn::cancel()
{
    if (m_running)
        finish(QString::fromLatin1(kCancelled));
}

void OAuthSignIn::finish(const QString& failure)
{
    if (!m_running)
        return;
    m_running = false;
    if (m_wait)
        m_wait->stop();
    if (m_listener)
        m_listener->close();
    OAuthGrant grant;
    if (failure.isEmpty() && m_flow) {
        grant.accessToken = m_flow->token();
        grant.refreshToken = m_flow->refreshToken();
        // The flow counts on the system's clock; the expiry is kept on ours.
        const qint64 left = QDateTime::currentDateTimeUtc().secsTo(m_flow->expirationAt());
        grant.expiresAt = m_clock.now().addSecs(m_flow->expirationAt().isValid() ? left : 3600);
    }
    // The flow and its listener go once this turn of the event loop is over:
    // this may run inside one of their signals.
    for (QObject* part : {static_cast<QObject*>(m_flow), static_cast<QObject*>(m_listener),
                          static_cast<QObject*>(m_network)}) {
        if (part)
            part->deleteLater();
    }
    m_flow = nullptr;
    m_listener = nullptr;
    m_network = nullptr;
    if (!failure.isEmpty())
        Q_EMIT failed(failure);
    else if (grant.refreshToken.isEmpty())
        Q_EMIT failed(QStringLiteral("The provider gave no lasting sign-in (no refresh token)."));
    else
        Q_EMIT signedIn(grant);
}

} // namespace orvane
