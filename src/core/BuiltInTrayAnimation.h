#pragma once

#include "Indicators.h"

#include <QObject>
#include <memory>

namespace orvane {

class Clock;
class Timer;
class stForm;

/// The tray pictures of the built-in skin: 101 idle, 102 mail found, and
/// 103 to 107 in turn every 100 ms while checking. The timer runs only while
/// checking, so an idle notifier is never woken up by it.
class BuiltInTrayAnimation final : public QObject, public Indicators
{
    Q_OBJECT
public:
    static constexpr int kIdleIcon = 101;
    static constexpr int kFoundIcon = 102;
    static constexpr int kFirstCheckIcon = 103;
    static constexpr int kLastCheckIcon = 107;
    static constexpr int kFrameMs = 100;

    BuiltInTrayAnimation(stForm& tray, Clock& clock, QObject* parent = nullptr);
    ~BuiltInTrayAnimation() override;

    void DoCheck() override;
    void DoFound() override;
    void DoIdle() override;

    bool isAnimating() const;

private:
    void nextFrame();
    void show(int id);

    stForm& m_tray;
    std::unique_ptr<Timer> m_timer;
    int m_frame = kFirstCheckIcon;
};

} // namespace orvane
