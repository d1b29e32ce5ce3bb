#include "OAuthProviders.h"

#include "platform/SafeFiles.h"

#include <QDir>
#include <QStandardPaths>

namespace orvane {

namespace {

struct Group
{
    QString name;
    QList<std::pair<QString, QString>> entries;
};

// Groups in their order; a group named twice in one file keeps its first
// place and takes the later keys.
QList<Group> parse(const QByteArray& text)
{
    QList<Group> groups;
    Group* current = nullptr;
    const QByteArray bounded = text.left(OAuthProviders::MaxFileBytes);
    for (const QByteArray& raw : bounded.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            current = nullptr;
            if (!line.endsWith(u']'))
                continue;
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (name.isEmpty() || name.size() > OAuthProviders::MaxKeyLength)
                continue;
            for (Group& known : groups) {
                if (known.name == name)
                    current = &known;
            }
            if (!current && groups.size() < OAuthProviders::MaxGroups) {
                groups.append({name, {}});
                current = &groups.last();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        QString value = line.mid(equals + 1).trimmed();
        if (key.size() > OAuthProviders::MaxKeyLength ||
            value.size() > OAuthProviders::MaxValueLength)
            continue;
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        current->entries.append({key, value});
    }
    return groups;
}

// Only web addresses: a token must never go to a file or another scheme.
QString webAddress(const QString& text)
{
    return text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive) ||
                   text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
               ? text
               : QString();
}

} // namespace

QByteArray OAuthProvider::mechanismName() const
{
    return mechanism == Mechanism::OAuthBearer ? QByteArrayLiteral("OAUTHBEARER")
                                               : QByteArrayLiteral("XOAUTH2");
}

bool OAuthProvider::usable() const
{
    return !clientId.isEmpty() && !authorizationUrl.isEmpty() && !tokenUrl.isEmpty();
}

QString OAuthProviders::userFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/orvane/oauth2.ini");
}

OAuthProviders OAuthProviders::load(const QString& programFolder)
{
    OAuthProviders providers;
    providers.readFile(QDir(programFolder).filePath(QStringLiteral("OAuth2.ini")));
    providers.readFile(userFile());
    return providers;
}

void OAuthProviders::readFile(const QString& path)
{
    const FileContents contents = readFileContents(path, MaxFileBytes, FileTrust::Any);
    if (contents.status == FileContents::Status::Read)
        read(contents.bytes);
}

void OAuthProviders::read(const QByteArray& text)
{
    for (const Group& group : parse(text)) {
        OAuthProvider provider;
        provider.group = group.name;
        for (const auto& [key, value] : group.entries) {
            if (key.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0) {
                provider.name = value;
            } else if (key.compare(QLatin1String("AuthorizationUrl"), Qt::CaseInsensitive) == 0) {
                provider.authorizationUrl = webAddress(value);
            } else if (key.compare(QLatin1String("TokenUrl"), Qt::CaseInsensitive) == 0) {
                provider.tokenUrl = webAddress(value);
            } else if (key.compare(QLatin1String("Scopes"), Qt::CaseInsensitive) == 0) {
                provider.scopes = value.split(u' ', Qt::SkipEmptyParts);
            } else if (key.compare(QLatin1String("ClientId"), Qt::CaseInsensitive) == 0) {
                provider.clientId = value;
            } else if (key.compare(QLatin1String("ClientSecret"), Qt::CaseInsensitive) == 0) {
                provider.clientSecret = value;
            } else if (key.compare(QLatin1String("Mechanism"), Qt::CaseInsensitive) == 0) {
                provider.mechanism =
                    value.compare(QLatin1String("OAUTHBEARER"), Qt::CaseInsensitive) == 0
                        ? OAuthProvider::Mechanism::OAuthBearer
                        : OAuthProvider::Mechanism::XOAuth2;
            } else if (key.compare(QLatin1String("Hosts"), Qt::CaseInsensitive) == 0) {
                provider.hosts.clear();
                for (const QString& host : value.split(u',', Qt::SkipEmptyParts)) {
                    if (provider.hosts.size() < MaxHosts && !host.trimmed().isEmpty())
                        provider.hosts << host.trimmed().toLower();
                }
            }
        }
        if (provider.name.isEmpty() || provider.hosts.isEmpty())
            continue;
        bool replaced = false;
        for (OAuthProvider& known : m_providers) {
            if (known.group == provider.group) {
                known = provider;
                replaced = true;
            }
        }
        if (!replaced && m_providers.size() < MaxGroups)
            m_providers.append(provider);
    }
}

const OAuthProvider* OAuthProviders::forHost(const QString& host) const
{
    const QString wanted = host.trimmed().toLower();
    if (wanted.isEmpty())
        return nullptr;
    // The user's groups come last and replace in place, so the first match
    // is the one the user meant.
    for (const OAuthProvider& provider : m_providers) {
        if (provider.hosts.contains(wanted))
            return &provider;
    }
    return nullptr;
}

} // namespace orvane
