#pragma once

#include "NetworkWatch.h"

#include <QString>
#include <QVariantMap>

namespace orvane {

/// Reachability from Qt's network information (NetworkManager's backend on
/// Linux); a change of NetworkManager's primary connection is a change of
/// the primary connection. Where no backend loads, the reach stays Unknown
/// and nothing is signalled.
class QtNetworkWatch final : public NetworkWatch
{
    Q_OBJECT
public:
    explicit QtNetworkWatch(QObject* parent = nullptr);
    ~QtNetworkWatch() override;

    Reach reach() const override { return m_reach; }
    /// The backend in use; empty when none loaded.
    QString backendName() const { return m_backend; }

private Q_SLOTS:
    void managerPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);

private:
    void setReach(Reach reach);

    Reach m_reach = Reach::Unknown;
    QString m_backend;
    QString m_primary;
};

} // namespace orvane
