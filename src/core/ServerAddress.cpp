#include "ServerAddress.h"

#include <QUrl>
#include <algorithm>
#include <array>

namespace orvane {

namespace {

struct Scheme
{
    QLatin1String prefix;
    ServerAddress::Protocol protocol;
    ServerAddress::Security security;
};

// imap+plain first: "imap://" must not be taken for its prefix.
const std::array<Scheme, 5> kSchemes{{
    {QLatin1String("imap+plain://"), ServerAddress::Protocol::Imap, ServerAddress::Security::None},
    {QLatin1String("imaps://"), ServerAddress::Protocol::Imap, ServerAddress::Security::Tls},
    {QLatin1String("imap://"), ServerAddress::Protocol::Imap, ServerAddress::Security::StartTls},
    {QLatin1String("pop3s://"), ServerAddress::Protocol::Pop3, ServerAddress::Security::Tls},
    {QLatin1String("pop3://"), ServerAddress::Protocol::Pop3, ServerAddress::Security::StartTls},
}};

constexpr qsizetype MaxHostLength = 253;
constexpr qsizetype MaxFolderLength = 1000;
// An address is written back with its folder percent-encoded, up to nine
// characters for each character of the name ("%E2%82%AC"), so a folder read
// from a line typed in full still reads back from the line written.
constexpr qsizetype MaxFolderPath = 9 * MaxFolderLength;

const Scheme* schemeOf(const QString& line)
{
    for (const auto& scheme : kSchemes) {
        if (line.startsWith(scheme.prefix, Qt::CaseInsensitive))
            return &scheme;
    }
    return nullptr;
}

bool plausibleHost(const QString& host)
{
    if (host.isEmpty() || host.size() > MaxHostLength)
        return false;
    for (const QChar c : host) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f || c == QLatin1Char('@') ||
            c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char('#') ||
            c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('%'))
            return false;
    }
    return true;
}

// Only the characters an IPv6 address is written with; the socket decides the rest.
bool plausibleIpv6(const QString& host)
{
    if (!host.contains(QLatin1Char(':')) || host.size() > 45)
        return false;
    return std::all_of(host.begin(), host.end(), [](QChar c) {
        return c.isDigit() ||
               (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')) ||
               c == QLatin1Char(':') || c == QLatin1Char('.');
    });
}

} // namespace

bool ServerAddress::namesProtocol(const QString& line)
{
    return schemeOf(line) != nullptr;
}

int ServerAddress::defaultPort(Protocol protocol, Security security)
{
    switch (protocol) {
    case Protocol::Imap:
        return security == Security::Tls ? 993 : 143;
    case Protocol::Pop3:
        return security == Security::Tls ? 995 : 110;
    case Protocol::Other:
        break;
    }
    return 0;
}

ServerAddress ServerAddress::parse(const QString& line)
{
    ServerAddress out;
    const Scheme* scheme = schemeOf(line);
    if (!scheme)
        return out;
    out.protocol = scheme->protocol;
    out.security = scheme->security;
    out.port = defaultPort(out.protocol, out.security);
    if (out.protocol == Protocol::Imap)
        out.folder = QStringLiteral("INBOX");

    const QString rest = line.mid(scheme->prefix.size());
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash < 0 ? rest : rest.left(slash);
    QString portText;
    bool hasPort = false;
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 0)
            return out;
        out.host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (!plausibleIpv6(out.host))
            return out;
        if (!after.isEmpty()) {
            if (!after.startsWith(QLatin1Char(':')))
                return out;
            portText = after.mid(1);
            hasPort = true;
        }
    } else {
        const qsizetype colon = authority.indexOf(QLatin1Char(':'));
        out.host = colon < 0 ? authority : authority.left(colon);
        if (colon >= 0) {
            portText = authority.mid(colon + 1);
            hasPort = true;
        }
        if (!plausibleHost(out.host))
            return out;
    }
    if (hasPort) {
        bool ok = false;
        const int port = portText.toInt(&ok);
        if (!ok || port < 1 || port > 65535 || portText.startsWith(QLatin1Char('+')))
            return out;
        out.port = port;
    }

    if (slash >= 0) {
        const QString path = rest.mid(slash + 1);
        // A POP3 server has one mailbox: a path would be a mistake to point out.
        if ((out.protocol != Protocol::Imap && !path.isEmpty()) || path.size() > MaxFolderPath)
            return out;
        const QString folder = QUrl::fromPercentEncoding(path.toUtf8());
        if (folder.size() > MaxFolderLength)
            return out;
        if (!folder.isEmpty())
            out.folder = folder;
        for (const QChar c : out.folder) {
            // A line break or NUL in a folder name would end the command it goes into.
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                return out;
        }
    }
    out.valid = true;
    return out;
}

ServerAddress ServerAddress::compose(Protocol protocol, Security security,
                                     const QString& hostAndPort, const QString& folder)
{
    for (const auto& scheme : kSchemes) {
        if (scheme.protocol != protocol || scheme.security != security)
            continue;
        // A path typed into the host would be read as the folder.
        if (hostAndPort.contains(QLatin1Char('/')))
            return {};
        QString line = scheme.prefix + hostAndPort;
        if (protocol == Protocol::Imap && !folder.isEmpty())
            line += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(folder, "/"));
        return parse(line);
    }
    return {};
}

QString ServerAddress::hostAndPortAsTyped() const
{
    if (port != defaultPort(protocol, security))
        return hostAndPort();
    return host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
}

QString ServerAddress::hostAndPort() const
{
    const bool v6 = host.contains(QLatin1Char(':'));
    return (v6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':') +
           QString::number(port);
}

QString ServerAddress::toString() const
{
    if (protocol == Protocol::Other || !valid)
        return {};
    for (const auto& scheme : kSchemes) {
        if (scheme.protocol != protocol || scheme.security != security)
            continue;
        QString line = scheme.prefix;
        line += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
        if (port != defaultPort(protocol, security))
            line += QLatin1Char(':') + QString::number(port);
        if (protocol == Protocol::Imap && !folder.isEmpty() &&
            folder.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) != 0)
            line += QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(folder, "/"));
        return line;
    }
    return {};
}

} // namespace orvane
