#pragma once

#include "platform/ProgramInstance.h"

namespace orvane::test {

class FakeProgramInstance final : public ProgramInstance
{
    Q_OBJECT
public:
    bool claim() override { return !otherInstanceRuns; }
    void requestShutdown() { Q_EMIT shutdownRequested(); }
    void requestSave() { Q_EMIT saveRequested(); }

    bool otherInstanceRuns = false;
};

} // namespace orvane::test
