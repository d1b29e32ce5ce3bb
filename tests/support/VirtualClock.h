#pragma once

#include "platform/Clock.h"

#include <vector>

namespace orvane::test {

/// Virtual time: nothing moves until the test advances the clock, and then
/// every timer due on the way fires in order of its deadline.
class VirtualClock final : public Clock
{
public:
    explicit VirtualClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(9, 0, 0)));
    ~VirtualClock() override;

    QDateTime now() const override { return m_now; }
    std::unique_ptr<Timer> createTimer() override;

    /// Moves time forward by `ms`, firing due timers one by one.
    void advance(qint64 ms);
    void advanceSeconds(int seconds) { advance(qint64(seconds) * 1000); }
    /// Timers that are running now.
    int activeTimerCount() const;

private:
    class VirtualTimer;
    friend class VirtualTimer;

    QDateTime m_now;
    qint64 m_elapsed = 0; // ms since start
    qint64 m_sequence = 0;
    std::vector<VirtualTimer*> m_timers;
};

} // namespace orvane::test
