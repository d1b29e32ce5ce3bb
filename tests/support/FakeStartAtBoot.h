#pragma once

#include "core/StartAtBoot.h"

namespace orvane::test {

/// The start-at-log-on choice as a plain flag the test sets and reads.
class FakeStartAtBoot final : public StartAtBoot
{
public:
    bool startAtBoot() const override { return on; }
    void setStartAtBoot(bool value) override { on = value; }
    bool on = false;
};

} // namespace orvane::test
