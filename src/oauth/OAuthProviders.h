#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace orvane {

/// One mail provider an account can sign in with instead of a password.
struct OAuthProvider
{
    enum class Mechanism
    {
        XOAuth2,
        OAuthBearer
    };
    /// The group's name: what a later file overrides, and what keeps the
    /// keyring items of two providers apart.
    QString group;
    /// Shown to the user ("Sign in with <Name>").
    QString name;
    QString authorizationUrl;
    QString tokenUrl;
    QStringList scopes;
    QString clientId;
    /// Empty where the provider needs none.
    QString clientSecret;
    Mechanism mechanism = Mechanism::XOAuth2;
    /// Mail server host names that select the provider, in lower case.
    QStringList hosts;

    /// The SASL name of the mechanism.
    QByteArray mechanismName() const;
    /// A client id and both addresses: the sign-in can be tried.
    bool usable() const;
};

/// The providers of `OAuth2.ini` in the program folder and of the user's
/// `oauth2.ini`, same format: one group per provider. A group of the user's
/// file replaces the shipped group of the same name. A file is read whole
/// only when it is small; past its bounds the rest is ignored.
class OAuthProviders
{
public:
    static constexpr qint64 MaxFileBytes = 64 * 1024;
    static constexpr int MaxGroups = 64;
    static constexpr int MaxKeyLength = 64;
    static constexpr int MaxValueLength = 2048;
    static constexpr int MaxHosts = 32;

    /// The shipped file in `programFolder` and the user's file in
    /// $XDG_CONFIG_HOME/orvane/.
    static OAuthProviders load(const QString& programFolder);
    /// The user's file.
    static QString userFile();

    /// Reads one file's text over what is known; groups without a name or
    /// without hosts are left out.
    void read(const QByteArray& text);
    /// Reads a file; a missing or oversized one adds nothing.
    void readFile(const QString& path);

    /// The provider whose hosts name `host` (any case), or null.
    const OAuthProvider* forHost(const QString& host) const;
    const QList<OAuthProvider>& all() const { return m_providers; }

private:
    QList<OAuthProvider> m_providers;
};

} // namespace orvane
