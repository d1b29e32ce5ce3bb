#pragma once

#include "platform/NetworkWatch.h"

#include <QObject>
#include <memory>

namespace orvane {

class Clock;
class SleepWatch;
class Timer;

/// Decides, as the machine sleeps and wakes and its network comes and goes,
/// when checks may start and when every account is to be checked again.
///
/// Before sleep nothing new starts. After the wake, and whenever the network
/// returns or its primary connection changes, every account is checked
/// once: as soon as the network has been up for a moment, or a little while
/// after the wake when nothing tells whether it is. While the machine is
/// known to be offline scheduled checks are held.
class CheckGate : public QObject
{
    Q_OBJECT
public:
    /// Either watch may be missing; the gate then never holds for that reason.
    CheckGate(Clock& clock, SleepWatch* sleep, NetworkWatch* network, QObject* parent = nullptr);
    ~CheckGate() override;

    /// How long the network must stay as it is before it counts: a network
    /// that flaps is checked once, after it settled.
    static constexpr int kSettleMs = 2000;
    /// After a wake with nothing to tell whether the network is up, the
    /// accounts are checked this much later, when it usually is again.
    static constexpr int kWakeWithoutNetworkNewsMs = 10000;

    bool isAsleep() const { return m_asleep; }
    /// The machine is known to have no network at all.
    bool isOffline() const { return m_reach == NetworkWatch::Reach::Offline; }

Q_SIGNALS:
    /// The machine is about to sleep: nothing new is to start.
    void sleeping();
    /// The machine has woken up.
    void awake();
    /// The network came back, or its primary connection changed, and has
    /// been as it is for kSettleMs.
    void networkReturned();
    /// Every account is to be checked once now.
    void recheckDue();

private:
    void sleepAnnounced();
    void resumed();
    void reachChanged(NetworkWatch::Reach reach);
    void primaryChanged();
    void settleNetwork();
    void settled();
    void wakeWaitOver();

    NetworkWatch::Reach m_reach = NetworkWatch::Reach::Unknown;
    bool m_asleep = false;
    // A recheck is owed: after a wake, or a network change still settling.
    bool m_recheckOwed = false;
    // The settling change is the network's own (not only the wake).
    bool m_networkChanged = false;
    std::unique_ptr<Timer> m_settle;
    std::unique_ptr<Timer> m_wakeWait;
};

} // namespace orvane
