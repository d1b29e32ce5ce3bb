#pragma once

#include <QObject>
#include <memory>

namespace orvane {

class Clock;
class Timer;

/// An account's two clocks: the check clock, which asks for a check when the
/// interval has run out, and the time-out clock, which ends a check that has
/// been silent too long. Both count whole seconds from the moment they were
/// (re)started; instead of ticking every second they wait for their next due
/// second, so an idle notifier does not wake up.
class stTimer : public QObject
{
    Q_OBJECT
public:
    explicit stTimer(Clock& clock, QObject* parent = nullptr);
    ~stTimer() override;

    void Setup(qint32 timeout, qint32 interval);
    void StartTimeout();
    void StopTimeout();
    void Activate();
    void Deactivate();
    void ResetMainClock();
    bool IsActive() const { return m_active; }

    qint32 interval() const { return m_interval; }
    qint32 timeout() const { return m_timeout; }
    bool isTimeoutRunning() const { return m_timeoutRunning; }

Q_SIGNALS:
    /// The interval has run out (fires again every interval while active).
    void checkDue();
    /// The time-out has run out; the time-out clock has stopped.
    void timeoutReached();

private:
    void armCheck();
    void armTimeout();
    void checkTimerFired();
    void timeoutTimerFired();

    std::unique_ptr<Timer> m_checkTimer;
    std::unique_ptr<Timer> m_timeoutTimer;
    qint32 m_interval = 1000;
    qint32 m_timeout = 1000;
    bool m_active = false;
    bool m_checkRunning = false;
    bool m_timeoutRunning = false;
    // Seconds still to wait; long waits are taken in slices that fit a timer.
    qint64 m_checkLeft = 0;
    qint64 m_timeoutLeft = 0;
    qint64 m_checkSlice = 0;
    qint64 m_timeoutSlice = 0;
};

} // namespace orvane
