#pragma once

#include "OAuthProviders.h"
#include "OAuthSignIn.h"
#include "platform/SecretStore.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

class QNetworkAccessManager;

namespace orvane {

class Clock;

/// The access tokens of the accounts that sign in with their provider. The
/// refresh token of each (provider, user name) is a secret in the keyring
/// and nowhere else; the access token lives here, in memory, and is renewed
/// with the refresh token when it is asked for within a minute of its end,
/// or when the caller says the server refused it. Everything runs on the
/// user-interface thread and answers through the event loop.
class OAuthTokens : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kExpired = "Sign-in expired. Open the account and sign in again.";
    static constexpr const char* kNoProvider =
        "No provider to sign in with is known for this server.";
    /// A token this close to its end is renewed before it is handed out.
    static constexpr int RenewAheadSeconds = 60;

    struct Access
    {
        QString token;
        QByteArray mechanism;
        /// Why there is no token, in the user's words.
        QString failure;
        bool ok() const { return failure.isEmpty(); }
    };
    using Answer = std::function<void(const Access&)>;

    /// `scope` keeps the keyring items of different account lists apart.
    OAuthTokens(OAuthProviders providers, SecretStore& keyring, Clock& clock, QString scope,
                QObject* parent = nullptr);
    ~OAuthTokens() override;

    const OAuthProviders& providers() const { return m_providers; }
    /// The provider the account's server host selects, or null.
    const OAuthProvider* providerFor(const QString& host) const
    {
        return m_providers.forHost(host);
    }

    /// An access token for the account at `host` signed in as `userName`.
    /// `renew` asks for a new one whatever the old one's time (the server
    /// refused it). The answer comes later, and only while `context` lives.
    void access(const QString& host, const QString& userName, bool renew, QObject* context,
                Answer answer);
    /// Keeps what a sign-in gave: the refresh token goes to the keyring,
    /// the access token is used until it ends. `done` gets the keyring's
    /// failure, empty when kept.
    void keep(const QString& host, const QString& userName, const OAuthGrant& grant,
              QObject* context, std::function<void(const QString& failure)> done);

    /// The keyring item that holds the refresh token.
    SecretStore::Key keyFor(const OAuthProvider& provider, const QString& userName) const;

private:
    struct Entry;
    Entry& entryFor(const OAuthProvider& provider, const QString& userName);
    void renew(const OAuthProvider& provider, const QString& userName);
    void refresh(const OAuthProvider& provider, const QString& userName,
                 const QString& refreshToken);
    void answerAll(Entry& entry, const Access& access);

    const OAuthProviders m_providers;
    SecretStore& m_keyring;
    Clock& m_clock;
    const QString m_scope;
    QNetworkAccessManager* m_network;
    std::map<QString, std::unique_ptr<Entry>> m_entries;
};

} // namespace orvane
