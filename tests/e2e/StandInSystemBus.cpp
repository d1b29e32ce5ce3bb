#include "StandInSystemBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QList>
#include <QVariantMap>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace orvane::e2e {
namespace {

constexpr int kStartMs = 10000;

const QString kNetworkManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kDevicePath = QStringLiteral("/org/freedesktop/NetworkManager/Devices/1");
const QString kWifiPath = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/1");
const QString kVpnPath = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/2");

} // namespace

/// org.freedesktop.login1.Manager: delay locks are the write ends of pipes
/// whose read ends this object keeps, so it sees when a holder lets go.
class StandInLogind : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~StandInLogind() override
    {
        for (int fd : m_locks)
            ::close(fd);
    }

    int taken() const { return int(m_locks.size()); }
    bool held() const
    {
        for (int fd : m_locks) {
            pollfd watch{fd, POLLIN, 0};
            if (::poll(&watch, 1, 0) == 0)
                return true;
        }
        return false;
    }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& /*what*/, const QString& /*who*/,
                                    const QString& /*why*/, const QString& /*mode*/)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        m_locks.append(ends[0]);
        QDBusUnixFileDescriptor lock(ends[1]); // a copy goes out with the reply
        ::close(ends[1]);
        return lock;
    }

Q_SIGNALS:
    void PrepareForSleep(bool start);

private:
    QList<int> m_locks;
};

class StandInManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ state)
    Q_PROPERTY(uint Connectivity READ connectivity)
    Q_PROPERTY(QDBusObjectPath PrimaryConnection READ primaryConnection)
public:
    uint state() const { return m_state; }
    // NM_CONNECTIVITY_FULL when connected, NONE otherwise.
    uint connectivity() const { return m_state == 70 ? 4 : 1; }
    QDBusObjectPath primaryConnection() const { return QDBusObjectPath(m_primary); }

    uint m_state = 70;
    QString m_primary = kWifiPath;
};

class StandInActiveConnection : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Connection.Active")
    Q_PROPERTY(QList<QDBusObjectPath> Devices READ devices)
public:
    QList<QDBusObjectPath> devices() const { return {QDBusObjectPath(kDevicePath)}; }
};

class StandInDevice : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Device")
    Q_PROPERTY(uint DeviceType READ deviceType)
public:
    uint deviceType() const { return 2; } // Wi-Fi
};

StandInSystemBus::StandInSystemBus() = default;

StandInSystemBus::~StandInSystemBus()
{
    // The objects go before the connection they are registered on.
    for (const auto& [path, object] : m_objects)
        m_bus->unregisterObject(path);
    m_thread.quit();
    m_thread.wait();
    m_objects.clear();
    if (m_bus)
        QDBusConnection::disconnectFromBus(m_bus->name());
    m_bus.reset();
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
}

bool StandInSystemBus::start()
{
    qDBusRegisterMetaType<QList<QDBusObjectPath>>();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + qEnvironmentVariable("ORVANE_SOURCE_DIR") +
                        QStringLiteral("/tests/support/system-bus.conf"),
                    QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    QDeadlineTimer deadline(kStartMs);
    while (!m_daemon.canReadLine() && m_daemon.state() != QProcess::NotRunning &&
           !deadline.hasExpired()) {
        m_daemon.waitForReadyRead(100);
    }
    m_address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon gave no address: %1")
                      .arg(QString::fromLocal8Bit(m_daemon.readAllStandardError()));
        return false;
    }
    m_bus = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(m_address, QStringLiteral("orvane-stand-in-system-bus")));
    if (!m_bus->isConnected()) {
        m_error = QStringLiteral("cannot connect to %1").arg(m_address);
        return false;
    }

    auto logind = std::make_unique<StandInLogind>();
    auto manager = std::make_unique<StandInManager>();
    m_logind = logind.get();
    m_manager = manager.get();
    m_objects.emplace_back(QStringLiteral("/org/freedesktop/login1"), std::move(logind));
    m_objects.emplace_back(kManagerPath, std::move(manager));
    m_objects.emplace_back(kWifiPath, std::make_unique<StandInActiveConnection>());
    m_objects.emplace_back(kVpnPath, std::make_unique<StandInActiveConnection>());
    m_objects.emplace_back(kDevicePath, std::make_unique<StandInDevice>());
    for (const auto& [path, object] : m_objects) {
        if (!m_bus->registerObject(path, object.get(),
                                   QDBusConnection::ExportAllSlots |
                                       QDBusConnection::ExportAllSignals |
                                       QDBusConnection::ExportAllProperties)) {
            m_error = QStringLiteral("cannot serve %1").arg(path);
            return false;
        }
    }
    if (!m_bus->registerService(QStringLiteral("org.freedesktop.login1")) ||
        !m_bus->registerService(kNetworkManager)) {
        m_error = QStringLiteral("cannot take the names: %1").arg(m_bus->lastError().message());
        return false;
    }
    // Registered first: what the bus hangs on each object moves with it.
    m_thread.start();
    for (const auto& [path, object] : m_objects)
        object->moveToThread(&m_thread);
    return true;
}

void StandInSystemBus::there(const std::function<void()>& work) const
{
    QMetaObject::invokeMethod(m_logind, work, Qt::BlockingQueuedConnection);
}

void StandInSystemBus::announceSleep()
{
    there([this] { Q_EMIT m_logind->PrepareForSleep(true); });
}

void StandInSystemBus::announceWake()
{
    there([this] { Q_EMIT m_logind->PrepareForSleep(false); });
}

int StandInSystemBus::locksTaken() const
{
    int taken = 0;
    there([&] { taken = m_logind->taken(); });
    return taken;
}

bool StandInSystemBus::lockHeld() const
{
    bool held = false;
    there([&] { held = m_logind->held(); });
    return held;
}

void StandInSystemBus::setNetwork(Network state)
{
    there([this, state] {
        changeNetwork(state, state == Network::Global ? kWifiPath : QStringLiteral("/"));
    });
}

void StandInSystemBus::switchPrimary()
{
    there([this] {
        const QString primary = m_manager->m_primary == kWifiPath ? kVpnPath : kWifiPath;
        changeNetwork(Network(m_manager->m_state), primary);
    });
}

void StandInSystemBus::changeNetwork(Network state, const QString& primary)
{
    m_manager->m_state = uint(state);
    QVariantMap changed{{QStringLiteral("State"), m_manager->m_state},
                        {QStringLiteral("Connectivity"), m_manager->connectivity()}};
    if (primary != m_manager->m_primary) {
        m_manager->m_primary = primary;
        changed.insert(QStringLiteral("PrimaryConnection"),
                       QVariant::fromValue(QDBusObjectPath(primary)));
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kManagerPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kNetworkManager << changed << QStringList();
    m_bus->send(signal);
}

} // namespace orvane::e2e

#include "StandInSystemBus.moc"
