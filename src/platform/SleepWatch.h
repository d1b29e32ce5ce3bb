#pragma once

#include <QObject>

namespace orvane {

/// Tells when the machine is about to sleep and when it has woken up again.
/// On a desktop without a sleep manager it never signals.
class SleepWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SleepWatch() override = default;

Q_SIGNALS:
    /// The machine is about to sleep. Whatever the receivers do runs before
    /// the machine is let go.
    void sleepAnnounced();
    /// The machine has woken up.
    void resumed();
};

} // namespace orvane
