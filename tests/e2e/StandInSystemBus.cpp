#include "StandInSystemBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QFile>
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

// Everything is allowed: the bus belongs to one test.
const char* const kConfig =
    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
    "<busconfig>\n"
    "  <type>system</type>\n"
    "  <keep_umask/>\n"
    "  <listen>unix:dir=%1</listen>\n"
    "  <auth>EXTERNAL</auth>\n"
    "  <policy context=\"default\">\n"
    "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
    "    <allow eavesdrop=\"true\"/>\n"
    "    <allow own=\"*\"/>\n"
    "  </policy>\n"
    "</busconfig>\n";

void emitPropertiesChanged(QDBusConnection& bus, const QString& path, const QString& interface,
                           const QVariantMap& changed)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    bus.send(signal);
}

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
    Q_PROPERTY(QString PrimaryConnectionType READ primaryConnectionType)
    Q_PROPERTY(uint Metered READ metered)
public:
    uint state() const { return m_state; }
    // NM_CONNECTIVITY_FULL when connected, NONE otherwise.
    uint connectivity() const { return m_state == 70 ? 4 : 1; }
    QDBusObjectPath primaryConnection() const { return QDBusObjectPath(m_primary); }
    QString primaryConnectionType() const
    {
        return m_primary == kVpnPath ? QStringLiteral("vpn") : QStringLiteral("802-11-wireless");
    }
    uint metered() const { return 4; } // guessed no

    uint m_state = 70;
    QString m_primary = kWifiPath;
};

class StandInActiveConnection : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Connection.Active")
    Q_PROPERTY(QList<QDBusObjectPath> Devices READ devices)
    Q_PROPERTY(QString Type READ type)
public:
    explicit StandInActiveConnection(QString type) : m_type(std::move(type)) {}
    QList<QDBusObjectPath> devices() const { return {QDBusObjectPath(kDevicePath)}; }
    QString type() const { return m_type; }

private:
    QString m_type;
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
    if (m_bus) {
        for (const QString& path : {QStringLiteral("/org/freedesktop/login1"), kManagerPath,
                                    kWifiPath, kVpnPath, kDevicePath}) {
            m_bus->unregisterObject(path);
        }
    }
    m_thread.quit();
    m_thread.wait();
    m_logind.reset();
    m_manager.reset();
    m_wifi.reset();
    m_vpn.reset();
    m_device.reset();
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
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QFile config(m_dir.filePath(QStringLiteral("system-bus.conf")));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(QString::fromLatin1(kConfig).arg(m_dir.path()).toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write %1").arg(config.fileName());
        return false;
    }
    config.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config.fileName(),
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

    m_logind = std::make_unique<StandInLogind>();
    m_manager = std::make_unique<StandInManager>();
    m_wifi = std::make_unique<StandInActiveConnection>(QStringLiteral("802-11-wireless"));
    m_vpn = std::make_unique<StandInActiveConnection>(QStringLiteral("vpn"));
    m_device = std::make_unique<StandInDevice>();
    const auto exported = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                          QDBusConnection::ExportAllProperties;
    const bool registered = m_bus->registerObject(QStringLiteral("/org/freedesktop/login1"),
                                                  m_logind.get(), exported) &&
                            m_bus->registerObject(kManagerPath, m_manager.get(), exported) &&
                            m_bus->registerObject(kWifiPath, m_wifi.get(), exported) &&
                            m_bus->registerObject(kVpnPath, m_vpn.get(), exported) &&
                            m_bus->registerObject(kDevicePath, m_device.get(), exported) &&
                            m_bus->registerService(QStringLiteral("org.freedesktop.login1")) &&
                            m_bus->registerService(kNetworkManager);
    if (!registered) {
        m_error =
            QStringLiteral("cannot serve the stand-ins: %1").arg(m_bus->lastError().message());
        return false;
    }
    // Registered first: what the bus hangs on each object moves with it.
    m_thread.start();
    for (QObject* object : std::initializer_list<QObject*>{
             m_logind.get(), m_manager.get(), m_wifi.get(), m_vpn.get(), m_device.get()}) {
        object->moveToThread(&m_thread);
    }
    return true;
}

void StandInSystemBus::there(const std::function<void()>& work) const
{
    QMetaObject::invokeMethod(m_logind.get(), work, Qt::BlockingQueuedConnection);
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
    there([this, state] { changeNetwork(state); });
}

void StandInSystemBus::switchPrimary()
{
    there([this] { changePrimary(); });
}

void StandInSystemBus::changeNetwork(Network state)
{
    m_manager->m_state = uint(state);
    QVariantMap changed{{QStringLiteral("State"), m_manager->m_state},
                        {QStringLiteral("Connectivity"), m_manager->connectivity()}};
    const QString primary = state == Network::Global ? kWifiPath : QStringLiteral("/");
    if (primary != m_manager->m_primary) {
        m_manager->m_primary = primary;
        changed.insert(QStringLiteral("PrimaryConnection"),
                       QVariant::fromValue(QDBusObjectPath(primary)));
    }
    emitPropertiesChanged(*m_bus, kManagerPath, kNetworkManager, changed);
}

void StandInSystemBus::changePrimary()
{
    m_manager->m_primary = m_manager->m_primary == kVpnPath ? kWifiPath : kVpnPath;
    emitPropertiesChanged(
        *m_bus, kManagerPath, kNetworkManager,
        {{QStringLiteral("PrimaryConnection"),
          QVariant::fromValue(QDBusObjectPath(m_manager->m_primary))},
         {QStringLiteral("PrimaryConnectionType"), m_manager->primaryConnectionType()}});
}

} // namespace orvane::e2e

#include "StandInSystemBus.moc"
