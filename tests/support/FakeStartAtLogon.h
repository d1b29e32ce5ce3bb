#pragma once

#include "core/StartAtLogon.h"

namespace orvane::test {

/// The start-at-log-on choice as a plain flag the test sets and reads.
class FakeStartAtLogon final : public StartAtLogon
{
public:
    bool startAtLogon() const override { return on; }
    void setStartAtLogon(bool value) override { on = value; }
    bool on = false;
};

} // namespace orvane::test
