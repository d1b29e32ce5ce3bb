#pragma once

#include "Clock.h"

namespace orvane {

/// The wall clock and QTimer-backed timers.
class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
    std::unique_ptr<Timer> createTimer() override;
};

} // namespace orvane
