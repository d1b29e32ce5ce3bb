#pragma once

#include "platform/ProcessLauncher.h"

#include <QStringList>

namespace orvane::test {

/// Records the command lines it is asked to start and answers `result`.
class FakeProcessLauncher final : public ProcessLauncher
{
public:
    bool startDetached(const QString& commandLine) override
    {
        commandLines << commandLine;
        return result;
    }

    QStringList commandLines;
    bool result = true;
};

} // namespace orvane::test
