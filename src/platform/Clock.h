#pragma once

#include <QDateTime>
#include <QObject>
#include <memory>

namespace orvane {

/// A timer created by a Clock. It fires timeout() every interval, or once
/// when single-shot, on the thread that owns it.
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Timer() override = default;

    virtual void setSingleShot(bool singleShot) = 0;
    /// Starts (or restarts) the timer; the first timeout comes after `ms`.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

Q_SIGNALS:
    void timeout();
};

/// Every reading of "now" and every timer goes through a Clock, so tests can
/// run the program's schedules on virtual time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    virtual std::unique_ptr<Timer> createTimer() = 0;
};

} // namespace orvane
