#include "stTimer.h"

#include "platform/Clock.h"

#include <algorithm>

namespace orvane {
namespace {

// The longest single wait handed to a timer; longer intervals are chained.
constexpr qint64 kSliceSeconds = 24 * 60 * 60;

// A clock counts ticks of one second and fires on the tick that reaches its
// limit, so a limit of 0 or 1 fires on the first tick.
qint64 ticksFor(qint32 limit)
{
    return std::max<qint64>(limit, 1);
}

} // namespace

stTimer::stTimer(Clock& clock, QObject* parent)
    : QObject(parent), m_checkTimer(clock.createTimer()), m_timeoutTimer(clock.createTimer())
{
    m_checkTimer->setSingleShot(true);
    m_timeoutTimer->setSingleShot(true);
    connect(m_checkTimer.get(), &Timer::timeout, this, &stTimer::checkTimerFired);
    connect(m_timeoutTimer.get(), &Timer::timeout, this, &stTimer::timeoutTimerFired);
}

stTimer::~stTimer() = default;

void stTimer::Setup(qint32 timeout, qint32 interval)
{
    m_timeout = timeout;
    m_interval = interval;
}

void stTimer::StartTimeout()
{
    m_timeoutRunning = true;
    m_timeoutLeft = ticksFor(m_timeout);
    armTimeout();
}

void stTimer::StopTimeout()
{
    m_timeoutRunning = false;
    m_timeoutTimer->stop();
}

void stTimer::Activate()
{
    m_active = true;
    m_checkRunning = true;
    m_checkLeft = ticksFor(m_interval);
    armCheck();
    // A running time-out starts counting its silence again as well.
    if (m_timeoutRunning) {
        m_timeoutLeft = ticksFor(m_timeout);
        armTimeout();
    }
}

void stTimer::Deactivate()
{
    m_checkRunning = false;
    m_timeoutRunning = false;
    m_checkTimer->stop();
    m_timeoutTimer->stop();
    m_active = false;
}

void stTimer::ResetMainClock()
{
    if (!m_checkRunning)
        return;
    m_checkLeft = ticksFor(m_interval);
    armCheck();
}

void stTimer::armCheck()
{
    m_checkSlice = std::min(m_checkLeft, kSliceSeconds);
    m_checkTimer->start(int(m_checkSlice * 1000));
}

void stTimer::armTimeout()
{
    m_timeoutSlice = std::min(m_timeoutLeft, kSliceSeconds);
    m_timeoutTimer->start(int(m_timeoutSlice * 1000));
}

void stTimer::checkTimerFired()
{
    m_checkLeft -= m_checkSlice;
    if (m_checkLeft > 0) {
        armCheck();
        return;
    }
    Q_EMIT checkDue();
    // The clock counts again from zero whatever the check did, unless the
    // account was deactivated meanwhile.
    if (m_checkRunning) {
        m_checkLeft = ticksFor(m_interval);
        armCheck();
    }
}

void stTimer::timeoutTimerFired()
{
    m_timeoutLeft -= m_timeoutSlice;
    if (m_timeoutLeft > 0) {
        armTimeout();
        return;
    }
    m_timeoutRunning = false;
    Q_EMIT timeoutReached();
}

} // namespace orvane
