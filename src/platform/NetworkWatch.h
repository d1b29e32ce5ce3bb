#pragma once

#include <QObject>

namespace orvane {

/// Whether the machine can reach a network, and when the connection its
/// traffic leaves by changes (another Wi-Fi, a VPN that came up).
class NetworkWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~NetworkWatch() override = default;

    enum class Reach
    {
        /// Nothing tells us (no backend, or it does not know yet): the
        /// program acts as if the network were there.
        Unknown,
        Offline,
        /// Some network is up; a mail server may be reachable.
        Online,
    };

    virtual Reach reach() const = 0;

Q_SIGNALS:
    void reachChanged(orvane::NetworkWatch::Reach reach);
    /// The primary connection changed while the machine stayed online.
    void primaryChanged();
};

} // namespace orvane
