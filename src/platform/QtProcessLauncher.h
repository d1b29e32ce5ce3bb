#pragma once

#include "platform/ProcessLauncher.h"

namespace orvane {

/// Splits the command line the way a shell splits a quoted path and its
/// arguments and starts it with QProcess::startDetached.
class QtProcessLauncher final : public ProcessLauncher
{
public:
    bool startDetached(const QString& commandLine) override;
};

} // namespace orvane
