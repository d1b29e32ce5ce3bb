#pragma once

#include "SleepWatch.h"

namespace orvane {

/// The sleep manager of the system bus (logind's PrepareForSleep). While the
/// machine is awake it holds a delay lock, so the receivers of
/// sleepAnnounced run before the machine sleeps; the lock is let go as soon
/// as they have, and taken again on waking. Without a system bus or a sleep
/// manager nothing is ever signalled.
class LogindSleepWatch final : public SleepWatch
{
    Q_OBJECT
public:
    explicit LogindSleepWatch(QObject* parent = nullptr);
    ~LogindSleepWatch() override;

private Q_SLOTS:
    void prepareForSleep(bool start);

private:
    void takeDelayLock();
    void releaseDelayLock();

    int m_lock = -1;
    bool m_asking = false;
    bool m_asleep = false;
};

} // namespace orvane
