#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace orvane {

/// Starts programs without waiting for them.
class ProcessLauncher
{
public:
    /// Called once per start with true when the program runs, or ended
    /// successfully within its first moments (a client that hands the request
    /// to an instance already running), and false when it could not be
    /// started or ended at once with a failure (a wrapper printing its usage,
    /// a crash). Always called later from the event loop, never from within
    /// start(); a launcher destroyed first drops it.
    using StartReport = std::function<void(bool started)>;

    virtual ~ProcessLauncher() = default;
    /// Starts exactly `program` (a path, not searched on the PATH) with
    /// `arguments`, detached from this process, and watches its first
    /// moments without blocking.
    virtual void start(const QString& program, const QStringList& arguments,
                       StartReport report) = 0;
};

} // namespace orvane
