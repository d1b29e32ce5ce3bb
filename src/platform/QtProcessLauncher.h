#pragma once

#include "platform/ProcessLauncher.h"

#include <QObject>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace orvane {

/// Starts the program from a short-lived watcher process: the watcher starts
/// it in a session of its own, waits up to the watch window for it to end,
/// reports over a pipe and exits, leaving the program to run on its own as a
/// detached one would. The pipe is read through the event loop, so the
/// caller never waits.
class QtProcessLauncher final : public QObject, public ProcessLauncher
{
    Q_OBJECT
public:
    /// How long a program may take to fail and still count as not started.
    static constexpr int kDefaultWatchMs = 2000;

    explicit QtProcessLauncher(int watchMs = kDefaultWatchMs, QObject* parent = nullptr);
    ~QtProcessLauncher() override;

    void start(const QString& program, const QStringList& arguments, StartReport report) override;

private:
    struct Watch;
    void finish(Watch* watch);

    int m_watchMs;
    std::vector<std::unique_ptr<Watch>> m_watches;
};

} // namespace orvane
