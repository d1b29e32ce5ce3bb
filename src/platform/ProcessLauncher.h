#pragma once

#include <QString>

namespace orvane {

/// Starts programs without waiting for them.
class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    /// Starts the program named by `commandLine` (a program path, quoted when
    /// it holds blanks, followed by its arguments) as a detached process.
    /// False when it could not be started: an empty command, a missing or a
    /// non-executable program.
    virtual bool startDetached(const QString& commandLine) = 0;
};

} // namespace orvane
