#include "CheckGate.h"

#include "platform/Clock.h"
#include "platform/SleepWatch.h"

#include <utility>

namespace orvane {

CheckGate::CheckGate(Clock& clock, SleepWatch* sleep, NetworkWatch* network, QObject* parent)
    : QObject(parent), m_settle(clock.createTimer()), m_wakeWait(clock.createTimer())
{
    m_settle->setSingleShot(true);
    m_wakeWait->setSingleShot(true);
    connect(m_settle.get(), &Timer::timeout, this, &CheckGate::settled);
    connect(m_wakeWait.get(), &Timer::timeout, this, &CheckGate::wakeWaitOver);
    if (sleep) {
        connect(sleep, &SleepWatch::sleepAnnounced, this, &CheckGate::sleepAnnounced);
        connect(sleep, &SleepWatch::resumed, this, &CheckGate::resumed);
    }
    if (network) {
        m_reach = network->reach();
        connect(network, &NetworkWatch::reachChanged, this, &CheckGate::reachChanged);
        connect(network, &NetworkWatch::primaryChanged, this, &CheckGate::primaryChanged);
    }
}

CheckGate::~CheckGate() = default;

void CheckGate::sleepAnnounced()
{
    if (m_asleep)
        return;
    m_asleep = true;
    // Whatever was owed is covered by the recheck after the wake.
    m_recheckOwed = false;
    m_networkChanged = false;
    m_settle->stop();
    m_wakeWait->stop();
    Q_EMIT sleeping();
}

void CheckGate::resumed()
{
    // A wake we never heard the sleep of (the news came late) still drops
    // what ran across the sleep.
    if (!m_asleep)
        sleepAnnounced();
    m_asleep = false;
    m_recheckOwed = true;
    Q_EMIT awake();
    switch (m_reach) {
    case NetworkWatch::Reach::Online:
        // The network may be an old report from before the sleep: it has
        // to stay up for a moment.
        m_settle->start(kSettleMs);
        break;
    case NetworkWatch::Reach::Unknown:
        m_wakeWait->start(kWakeWithoutNetworkNewsMs);
        break;
    case NetworkWatch::Reach::Offline:
        // The recheck comes when the network does.
        break;
    }
}

void CheckGate::reachChanged(NetworkWatch::Reach reach)
{
    const NetworkWatch::Reach before = m_reach;
    m_reach = reach;
    if (reach == NetworkWatch::Reach::Offline) {
        m_settle->stop();
        return;
    }
    if (reach == NetworkWatch::Reach::Online && before != NetworkWatch::Reach::Online)
        settleNetwork();
}

void CheckGate::primaryChanged()
{
    if (m_reach != NetworkWatch::Reach::Offline)
        settleNetwork();
}

void CheckGate::settleNetwork()
{
    if (m_asleep)
        return;
    m_recheckOwed = true;
    m_networkChanged = true;
    m_settle->start(kSettleMs);
}

void CheckGate::settled()
{
    if (m_asleep || isOffline() || !m_recheckOwed)
        return;
    m_recheckOwed = false;
    m_wakeWait->stop();
    if (std::exchange(m_networkChanged, false))
        Q_EMIT networkReturned();
    Q_EMIT recheckDue();
}

void CheckGate::wakeWaitOver()
{
    // Still no news of the network: check anyway, unless it is known gone.
    if (m_asleep || isOffline() || !m_recheckOwed || m_settle->isActive())
        return;
    m_recheckOwed = false;
    Q_EMIT recheckDue();
}

} // namespace orvane
