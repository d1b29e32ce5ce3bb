#include "SystemClock.h"

#include <QTimer>

namespace orvane {
namespace {

class QtTimer final : public Timer
{
public:
    QtTimer()
    {
        // Schedules are whole seconds; a coarse timer may drift by 5 % of a
        // long interval, which would move checks off their second.
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
    }
    void setSingleShot(bool singleShot) override { m_timer.setSingleShot(singleShot); }
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

std::unique_ptr<Timer> SystemClock::createTimer()
{
    return std::make_unique<QtTimer>();
}

} // namespace orvane
