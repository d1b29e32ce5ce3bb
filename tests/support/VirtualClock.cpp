#include "VirtualClock.h"

#include <algorithm>
#include <limits>

namespace orvane::test {

class VirtualClock::VirtualTimer final : public Timer
{
public:
    explicit VirtualTimer(VirtualClock& clock) : m_clock(&clock) { clock.m_timers.push_back(this); }
    ~VirtualTimer() override
    {
        if (m_clock)
            std::erase(m_clock->m_timers, this);
    }
    void setSingleShot(bool singleShot) override { m_singleShot = singleShot; }
    void start(int ms) override
    {
        m_interval = std::max(ms, 0);
        m_due = m_clock->m_elapsed + m_interval;
        m_order = ++m_clock->m_sequence;
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    VirtualClock* m_clock;
    bool m_singleShot = false;
    bool m_active = false;
    int m_interval = 0;
    qint64 m_due = 0;
    qint64 m_order = 0;

    void fire()
    {
        if (m_singleShot)
            m_active = false;
        else
            start(m_interval == 0 ? 1 : m_interval);
        Q_EMIT timeout();
    }
};

VirtualClock::VirtualClock(QDateTime start) : m_now(std::move(start)) {}

VirtualClock::~VirtualClock()
{
    for (VirtualTimer* timer : m_timers)
        timer->m_clock = nullptr;
}

std::unique_ptr<Timer> VirtualClock::createTimer()
{
    return std::make_unique<VirtualTimer>(*this);
}

void VirtualClock::advance(qint64 ms)
{
    const qint64 target = m_elapsed + ms;
    for (;;) {
        VirtualTimer* next = nullptr;
        for (VirtualTimer* timer : m_timers) {
            if (!timer->m_active || timer->m_due > target)
                continue;
            if (!next || timer->m_due < next->m_due ||
                (timer->m_due == next->m_due && timer->m_order < next->m_order))
                next = timer;
        }
        if (!next)
            break;
        m_now = m_now.addMSecs(next->m_due - m_elapsed);
        m_elapsed = next->m_due;
        next->fire();
    }
    m_now = m_now.addMSecs(target - m_elapsed);
    m_elapsed = target;
}

int VirtualClock::activeTimerCount() const
{
    return int(std::count_if(m_timers.begin(), m_timers.end(),
                             [](const VirtualTimer* t) { return t->m_active; }));
}

} // namespace orvane::test
