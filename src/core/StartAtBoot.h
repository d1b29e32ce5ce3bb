#pragma once

namespace orvane {

/// The program-wide "load on start-up" flag that the companion file keeps.
class StartAtBoot
{
public:
    virtual ~StartAtBoot() = default;
    virtual bool startAtBoot() const = 0;
    virtual void setStartAtBoot(bool on) = 0;
};

} // namespace orvane
