#include "OAuthTokens.h"

#include "platform/Clock.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>

namespace orvane {

namespace {

// Token replies are a few hundred bytes; anything far larger is not one.
constexpr qint64 MaxReplyBytes = 256 * 1024;
constexpr qint64 DefaultLifeSeconds = 3600;

QString keyringFailure(SecretStore::Outcome outcome, const QString& detail)
{
    switch (outcome) {
    case SecretStore::Outcome::NotFound:
        return QString::fromLatin1(OAuthTokens::kExpired);
    case SecretStore::Outcome::Locked:
        return QStringLiteral("The keyring stayed locked, so the sign-in cannot be used.");
    case SecretStore::Outcome::Unavailable:
        return QStringLiteral("No keyring answers, so the sign-in cannot be used.");
    default:
        return QStringLiteral("The keyring failed: %1").arg(detail);
    }
}

} // namespace

struct OAuthTokens::Entry
{
    QString accessToken;
    QDateTime expiresAt;
    /// Read from the keyring once, and replaced when the provider rotates it.
    QString refreshToken;
    bool busy = false;
    QList<std::pair<QPointer<QObject>, Answer>> waiting;
};

OAuthTokens::OAuthTokens(OAuthProviders providers, SecretStore& keyring, Clock& clock,
                         QString scope, QObject* parent)
    : QObject(parent), m_providers(std::move(providers)), m_keyring(keyring), m_clock(clock),
      m_scope(std::move(scope)), m_network(new QNetworkAccessManager(this))
{
    m_network->setTransferTimeout(30000);
}

OAuthTokens::~OAuthTokens() = default;

SecretStore::Key OAuthTokens::keyFor(const OAuthProvider& provider, const QString& userName) const
{
    // By provider and user rather than by account name: renaming an account
    // keeps its sign-in, and two accounts of one mailbox share it.
    return {m_scope, provider.group + u'/' + userName, SecretStore::refreshTokenKind()};
}

OAuthTokens::Entry& OAuthTokens::entryFor(const OAuthProvider& provider, const QString& userName)
{
    auto& entry = m_entries[provider.group + u'\n' + userName];
    if (!entry)
        entry = std::make_unique<Entry>();
    return *entry;
}

void OAuthTokens::access(const QString& host, const QString& userName, bool renewNow,
                         QObject* context, Answer answer)
{
    const OAuthProvider* provider = m_providers.forHost(host);
    if (!provider) {
        QMetaObject::invokeMethod(
            context,
            [answer] {
                answer({{}, {}, QString::fromLatin1(kNoProvider)});
            },
            Qt::QueuedConnection);
        return;
    }
    Entry& entry = entryFor(*provider, userName);
    const bool fresh =
        !entry.accessToken.isEmpty() && m_clock.now().secsTo(entry.expiresAt) > RenewAheadSeconds;
    if (fresh && !renewNow) {
        const Access ready{entry.accessToken, provider->mechanismName(), {}};
        QMetaObject::invokeMethod(
            context, [answer, ready] { answer(ready); }, Qt::QueuedConnection);
        return;
    }
    if (renewNow && !entry.busy)
        entry.accessToken.clear();
    entry.waiting.append({context, std::move(answer)});
    if (!entry.busy)
        renew(*provider, userName);
}

void OAuthTokens::answerAll(Entry& entry, const Access& access)
{
    entry.busy = false;
    const auto waiting = std::exchange(entry.waiting, {});
    for (const auto& [context, answer] : waiting) {
        if (context)
            answer(access);
    }
}

void OAuthTokens::renew(const OAuthProvider& provider, const QString& userName)
{
    Entry& entry = entryFor(provider, userName);
    entry.busy = true;
    if (!entry.refreshToken.isEmpty()) {
        refresh(provider, userName, entry.refreshToken);
        return;
    }
    m_keyring.read(keyFor(provider, userName),
                   [this, provider, userName](SecretStore::Outcome outcome, const QString& secret,
                                              const QString& detail) {
                       Entry& entry = entryFor(provider, userName);
                       if (outcome != SecretStore::Outcome::Done || secret.isEmpty()) {
                           answerAll(entry, {{}, {}, keyringFailure(outcome, detail)});
                           return;
                       }
                       entry.refreshToken = secret;
                       refresh(provider, userName, secret);
                   });
}

void OAuthTokens::refresh(const OAuthProvider& provider, const QString& userName,
                          const QString& refreshToken)
{
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("grant_type"), QStringLiteral("refresh_token"));
    form.addQueryItem(QStringLiteral("refresh_token"), refreshToken);
    form.addQueryItem(QStringLiteral("client_id"), provider.clientId);
    if (!provider.clientSecret.isEmpty())
        form.addQueryItem(QStringLiteral("client_secret"), provider.clientSecret);
    QNetworkRequest request{QUrl(provider.tokenUrl)};
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    // A form's '+' would read as a blank: encode everything but the safe set.
    QByteArray body = form.toString(QUrl::FullyEncoded).toUtf8();
    body.replace('+', "%2B");
    QNetworkReply* reply = m_network->post(request, body);
    connect(reply, &QNetworkReply::finished, this, [this, reply, provider, userName] {
        reply->deleteLater();
        Entry& entry = entryFor(provider, userName);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QByteArray data = reply->read(MaxReplyBytes);
        const QJsonObject json = QJsonDocument::fromJson(data).object();
        if (status == 400 || status == 401) {
            // The grant was revoked or ran out: only a new sign-in helps.
            entry.refreshToken.clear();
            entry.accessToken.clear();
            answerAll(entry, {{}, {}, QString::fromLatin1(kExpired)});
            return;
        }
        const QString token = json.value(QStringLiteral("access_token")).toString();
        if (reply->error() != QNetworkReply::NoError || token.isEmpty()) {
            answerAll(entry,
                      {{},
                       {},
                       QStringLiteral("Could not renew the sign-in: %1")
                           .arg(reply->error() != QNetworkReply::NoError
                                    ? reply->errorString()
                                    : QStringLiteral("the provider's answer holds no token"))});
            return;
        }
        const qint64 life = json.value(QStringLiteral("expires_in")).toInteger(DefaultLifeSeconds);
        entry.accessToken = token;
        entry.expiresAt = m_clock.now().addSecs(life > 0 ? life : DefaultLifeSeconds);
        const QString rotated = json.value(QStringLiteral("refresh_token")).toString();
        if (!rotated.isEmpty() && rotated != entry.refreshToken) {
            entry.refreshToken = rotated;
            m_keyring.write(keyFor(provider, userName),
                            QStringLiteral("Orvane sign-in for %1").arg(userName), rotated,
                            [](SecretStore::Outcome, const QString&) {});
        }
        answerAll(entry, {token, provider.mechanismName(), {}});
    });
}

void OAuthTokens::keep(const QString& host, const QString& userName, const OAuthGrant& grant,
                       QObject* context, std::function<void(const QString&)> done)
{
    const OAuthProvider* provider = m_providers.forHost(host);
    if (!provider) {
        QMetaObject::invokeMethod(
            context, [done] { done(QString::fromLatin1(kNoProvider)); }, Qt::QueuedConnection);
        return;
    }
    Entry& entry = entryFor(*provider, userName);
    entry.accessToken = grant.accessToken;
    entry.expiresAt = grant.expiresAt;
    entry.refreshToken = grant.refreshToken;
    QPointer<QObject> alive(context);
    m_keyring.write(
        keyFor(*provider, userName), QStringLiteral("Orvane sign-in for %1").arg(userName),
        grant.refreshToken, [alive, done](SecretStore::Outcome outcome, const QString& detail) {
            if (alive)
                done(outcome == SecretStore::Outcome::Done ? QString()
                                                           : keyringFailure(outcome, detail));
        });
}

} // namespace orvane
