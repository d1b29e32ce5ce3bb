#include "QtNetworkWatch.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QNetworkInformation>

namespace orvane {
namespace {

NetworkWatch::Reach reachOf(QNetworkInformation::Reachability reachability)
{
    switch (reachability) {
    case QNetworkInformation::Reachability::Disconnected:
        return NetworkWatch::Reach::Offline;
    // A mail server may sit on the local network or the site's: only a
    // machine without any network holds its checks.
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Online:
        return NetworkWatch::Reach::Online;
    case QNetworkInformation::Reachability::Unknown:
        break;
    }
    return NetworkWatch::Reach::Unknown;
}

} // namespace

QtNetworkWatch::QtNetworkWatch(QObject* parent) : NetworkWatch(parent)
{
    if (!QNetworkInformation::loadDefaultBackend())
        return;
    QNetworkInformation* information = QNetworkInformation::instance();
    if (!information)
        return;
    m_backend = information->backendName();
    m_reach = reachOf(information->reachability());
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                setReach(reachOf(reachability));
            });
    connect(information, &QNetworkInformation::transportMediumChanged, this,
            &NetworkWatch::primaryChanged);
    // The network information tells of the medium only; a VPN coming up, or
    // another network of the same kind, shows as NetworkManager's primary
    // connection.
    QDBusConnection::systemBus().connect(
        QStringLiteral("org.freedesktop.NetworkManager"),
        QStringLiteral("/org/freedesktop/NetworkManager"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
        this, SLOT(managerPropertiesChanged(QString, QVariantMap, QStringList)));
}

QtNetworkWatch::~QtNetworkWatch() = default;

void QtNetworkWatch::setReach(Reach reach)
{
    if (reach == m_reach)
        return;
    m_reach = reach;
    Q_EMIT reachChanged(reach);
}

void QtNetworkWatch::managerPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                              const QStringList& /*invalidated*/)
{
    if (interface != QLatin1String("org.freedesktop.NetworkManager"))
        return;
    const auto primary = changed.constFind(QStringLiteral("PrimaryConnection"));
    if (primary == changed.cend())
        return;
    const QString path = primary->value<QDBusObjectPath>().path();
    // NetworkManager tells only of real changes. "/" is no connection at
    // all, which the reach tells.
    if (path == m_primary)
        return;
    m_primary = path;
    if (!path.isEmpty() && path != QLatin1String("/"))
        Q_EMIT primaryChanged();
}

} // namespace orvane
