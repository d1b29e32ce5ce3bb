#pragma once

#include "platform/SleepWatch.h"

namespace orvane::test {

/// A machine that sleeps and wakes when the test says so.
class FakeSleepWatch final : public SleepWatch
{
    Q_OBJECT
public:
    void sleep() { Q_EMIT sleepAnnounced(); }
    void wake() { Q_EMIT resumed(); }
};

} // namespace orvane::test
