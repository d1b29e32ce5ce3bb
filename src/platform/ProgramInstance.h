#pragma once

#include <QObject>

namespace orvane {

/// Keeps the notifier to one instance per session and carries requests that
/// come from outside the process (the companion utility's Shutdown, the
/// termination signals, the end of the desktop session).
class ProgramInstance : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ProgramInstance() override = default;

    /// Claims the instance; false when another instance already runs.
    virtual bool claim() = 0;

Q_SIGNALS:
    /// Something outside asked the program to save and end.
    void shutdownRequested();
    /// The desktop session asked for the data to be saved (a checkpoint, or
    /// a log-out that may still be cancelled); the program goes on running.
    void saveRequested();
};

} // namespace orvane
