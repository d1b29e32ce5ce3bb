#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace orvane::e2e {

class StandInLogind;
class StandInManager;

/// A private system bus for one test: a dbus-daemon of its own, holding a
/// stand-in sleep manager (org.freedesktop.login1: PrepareForSleep, and
/// Inhibit handing out delay locks) and a stand-in NetworkManager (the
/// properties and PropertiesChanged signals Qt's network information
/// reads). Programs reach it through DBUS_SYSTEM_BUS_ADDRESS. The stand-ins
/// answer from a thread of their own, so a test waiting on another bus never
/// keeps a program waiting on this one.
class StandInSystemBus
{
public:
    StandInSystemBus();
    ~StandInSystemBus();
    StandInSystemBus(const StandInSystemBus&) = delete;
    StandInSystemBus& operator=(const StandInSystemBus&) = delete;

    /// Starts the bus and takes both names; the network starts online.
    bool start();
    QString errorString() const { return m_error; }
    QString address() const { return m_address; }

    /// PrepareForSleep(true), then (false).
    void announceSleep();
    void announceWake();
    /// Delay locks handed out so far, and whether one is still held.
    int locksTaken() const;
    bool lockHeld() const;

    /// NetworkManager's global states.
    enum class Network
    {
        Disconnected = 20,
        Global = 70,
    };
    void setNetwork(Network state);
    /// Another connection became the primary one, as a VPN coming up does.
    void switchPrimary();

private:
    // Runs `work` on the stand-ins' thread and waits for it.
    void there(const std::function<void()>& work) const;
    void changeNetwork(Network state, const QString& primary);

    QProcess m_daemon;
    QString m_address;
    QString m_error;
    std::unique_ptr<QDBusConnection> m_bus;
    // Every stand-in object by its path; the two the test drives by name.
    std::vector<std::pair<QString, std::unique_ptr<QObject>>> m_objects;
    StandInLogind* m_logind = nullptr;
    StandInManager* m_manager = nullptr;
    QThread m_thread;
};

} // namespace orvane::e2e
