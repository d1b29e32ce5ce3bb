#pragma once

#include "OAuthProviders.h"

#include <QDateTime>
#include <QObject>
#include <memory>

class QNetworkAccessManager;
class QOAuth2AuthorizationCodeFlow;
class QOAuthHttpServerReplyHandler;

namespace orvane {

class Clock;
class Timer;
class UrlOpener;

/// What a sign-in or a renewal hands back.
struct OAuthGrant
{
    QString accessToken;
    /// Empty when the provider kept the one it gave before.
    QString refreshToken;
    /// When the access token stops working (by the clock that asked).
    QDateTime expiresAt;
};

/// One sign-in with a provider in the system browser: the authorization
/// code flow with PKCE (S256), the answer taken by a listener on the
/// loopback address at a port the system picks. The listener takes one
/// answer, and only one whose `state` is this sign-in's; it closes with
/// the sign-in. Nothing blocks: the outcome is a signal, at the latest
/// after `WaitMs`.
class OAuthSignIn : public QObject
{
    Q_OBJECT
public:
    static constexpr int WaitMs = 5 * 60 * 1000;
    static constexpr const char* kCancelled = "Sign-in cancelled.";
    static constexpr const char* kTimedOut = "Sign-in timed out.";
    static constexpr const char* kWrongState =
        "The answer to the sign-in did not belong to it, so it was refused.";
    static constexpr const char* kNoBrowser = "The browser could not be opened.";
    static constexpr const char* kNoListener = "No local port could be opened for the sign-in.";
    static constexpr const char* kReturnPage =
        "Orvane has your answer. You can close this page and return to Orvane.";

    OAuthSignIn(OAuthProvider provider, UrlOpener& browser, Clock& clock,
                QObject* parent = nullptr);
    ~OAuthSignIn() override;

    /// Opens the browser at the provider's page; `userName` is offered to
    /// the provider as the account to sign in with.
    void start(const QString& userName);
    /// Stops waiting; `failed` says so.
    void cancel();
    bool running() const { return m_running; }
    /// The loopback address the answer must come to (while running).
    QUrl redirectUri() const;

Q_SIGNALS:
    void signedIn(const orvane::OAuthGrant& grant);
    void failed(const QString& reason);

private:
    void finish(const QString& failure);
    void callbackReceived(const QVariantMap& values);

    const OAuthProvider m_provider;
    UrlOpener& m_browser;
    Clock& m_clock;
    QByteArray m_verifier;
    QNetworkAccessManager* m_network = nullptr;
    QOAuth2AuthorizationCodeFlow* m_flow = nullptr;
    QOAuthHttpServerReplyHandler* m_listener = nullptr;
    std::unique_ptr<Timer> m_wait;
    bool m_running = false;
};

} // namespace orvane
